#include "core/platform/single_instance.h"
#include "core/platform/standard_streams.h"
#include "core/settings/active_tool.h"
#include "core/settings/settings_file.h"
#include "gui/common/program_icon.h"
#include "gui/common/version.h"
#include "gui/main_window/main_window.h"
#include "gui/platform/qt_desktop.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char *argv[])
{
    // First, before Qt opens anything: every command started later gets
    // standard input, output and error even when Corvane itself was started
    // without them.
    corvane::EnsureStandardStreams();
    QApplication app(argc, argv);
    QApplication::setApplicationName(corvane::ApplicationTitle());
    QApplication::setApplicationVersion(corvane::ProgramVersion());
    QGuiApplication::setDesktopFileName(QStringLiteral(CORVANE_APP_ID));
    QApplication::setWindowIcon(corvane::ProgramIcon());

    // The interface is Chinese whatever the locale: Qt's own dialogs (the
    // file dialog of the options) follow it when Qt's translations are there.
    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    // What the desktop does for Corvane, where its files are, the active tool.
    corvane::QtDesktop desktop;
    const corvane::SettingsFile settings(corvane::ConfigPathIn(desktop.dataFolder()));
    corvane::ActiveTool tool(settings);

    corvane::SingleInstance instance(corvane::DefaultInstanceLockPath());
    corvane::MainWindow form(desktop, settings, tool);
    if (!form.loadOnStartup(instance))
        return EXIT_SUCCESS;
    form.show();
    return app.exec();
}
