#include "app/program_icon.h"
#include "platform/desktop_qt.h"
#include "platform/message_box.h"
#include "settings/active_tool.h"
#include "settings/settings_file.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(corvane::ApplicationTitle());
    QApplication::setWindowIcon(corvane::ProgramIcon());
    corvane::InstallDesktopServices();

    QMainWindow window;
    corvane::SetCaptionSink([&window](const QString &caption) { window.setWindowTitle(caption); });
    corvane::ActiveTool().CurrentTool = corvane::ReadIntSetting(QStringLiteral("CurrentTool"));
    corvane::LoadActiveTool();
    window.resize(616, 430);
    window.show();
    return app.exec();
}
