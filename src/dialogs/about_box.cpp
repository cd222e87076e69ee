#include "dialogs/about_box.h"

#include <QMessageBox>

namespace corvane {

// Placeholder until the About box is built.
void OpenAboutBox()
{
    QMessageBox::information(nullptr, QStringLiteral("关于程序"), QStringLiteral("Corvane"));
}

} // namespace corvane
