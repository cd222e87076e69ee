#include "dialogs/help_window.h"

#include <QMessageBox>

namespace corvane {

// Placeholder until the help window is built.
void OpenHelpWindow()
{
    QMessageBox::information(nullptr, QStringLiteral("帮助"), QStringLiteral("帮助"));
}

} // namespace corvane
