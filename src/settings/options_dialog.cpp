#include "settings/options_dialog.h"

#include <QMessageBox>

namespace corvane {

// Placeholder until the options dialog is built.
void OpenOptionsDialog(const std::function<void()> &refreshToolMenu)
{
    QMessageBox::information(nullptr, QStringLiteral("选项"), QStringLiteral("选项"));
    refreshToolMenu();
}

} // namespace corvane
