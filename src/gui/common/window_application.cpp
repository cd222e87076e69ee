#include "gui/common/window_application.h"

#include "core/desktop/message.h"
#include "gui/common/program_icon.h"
#include "gui/common/version.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace corvane {

void SetApplicationNames()
{
    QCoreApplication::setApplicationName(ApplicationTitle());
    QCoreApplication::setApplicationVersion(ProgramVersion());
}

void SetUpWindowApplication(QApplication &app)
{
    SetApplicationNames();
    QGuiApplication::setDesktopFileName(QStringLiteral(CORVANE_APP_ID));
    QApplication::setWindowIcon(ProgramIcon());
    auto *translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_zh_CN"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

} // namespace corvane
