// Saves pictures of the main window, the options dialog, the help window and
// the About box as PNG files, to look at by eye:
//   xvfb-run ./corvane_dialog_screenshots /tmp/shots [--dark]
// The options dialog is shown with a few tools filled in, from a config.ini
// written to a temporary folder. --dark shows them as a desktop with a dark
// theme and a 12-point default font would: Fusion, dark colours.

#include "core/platform/single_instance.h"
#include "core/settings/active_tool.h"
#include "core/settings/settings_file.h"
#include "fake_desktop.h"
#include "gui/common/program_icon.h"
#include "gui/dialogs/about_box.h"
#include "gui/dialogs/help_window.h"
#include "gui/dialogs/options_dialog.h"
#include "gui/main_window/main_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

namespace {

bool Save(QWidget *window, const QString &folder, const QString &name)
{
    window->show();
    QApplication::processEvents();
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    const bool saved = window->grab().save(path);
    std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
    window->hide();
    return saved;
}

void UseDarkDesktop()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    QPalette dark(QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::WindowText, QColor(0xDC, 0xDC, 0xDC));
    dark.setColor(QPalette::Text, QColor(0xDC, 0xDC, 0xDC));
    dark.setColor(QPalette::ButtonText, QColor(0xDC, 0xDC, 0xDC));
    dark.setColor(QPalette::Base, QColor(0x2A, 0x2A, 0x2A));
    QApplication::setPalette(dark);
    QFont font = QApplication::font();
    font.setPointSize(12);
    QApplication::setFont(font);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(corvane::ProgramIcon());
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);
    if (argc > 2 && QByteArray(argv[2]) == "--dark")
        UseDarkDesktop();

    QTemporaryDir data;
    corvane::test::FakeDesktop desktop(data.path());
    const corvane::SettingsFile settings(corvane::ConfigPathIn(data.path()));
    corvane::ActiveTool tool(settings);
    QFile config(settings.path());
    if (config.open(QIODevice::WriteOnly)) {
        config.write(QStringLiteral("[StringSection]\n"
                                    "Text1(0)=转换\n"
                                    "Text2(0)=/usr/local/bin/conv\n"
                                    "Text3(0)=$SPath$$SName$ -o $DPath$$SNameNo$.txt\n"
                                    "Text1(2)=LAME 编码器\n"
                                    "[IntegerSection]\n"
                                    "Check1(0)=1\nCheck2(0)=2\n")
                         .toUtf8());
        config.close();
    }

    bool ok = true;
    {
        corvane::SingleInstance instance(data.filePath(QStringLiteral("lock")));
        corvane::MainWindow form(desktop, settings, tool);
        ok = form.loadOnStartup(instance) && Save(&form, folder, QStringLiteral("main")) && ok;
    }
    {
        corvane::OptionsDialog options(desktop, settings, tool, {});
        options.loadAllTools();
        ok = Save(&options, folder, QStringLiteral("options")) && ok;
        options.findChild<QTabWidget *>(QStringLiteral("tbsOptions"))->setCurrentIndex(7);
        ok = Save(&options, folder, QStringLiteral("options-tab8")) && ok;
    }
    {
        corvane::HelpWindow help;
        ok = Save(&help, folder, QStringLiteral("help")) && ok;
    }
    {
        corvane::AboutBox about(desktop);
        ok = Save(&about, folder, QStringLiteral("about")) && ok;
    }
    return ok ? 0 : 1;
}
