// Saves pictures of the options dialog, the help window and the About box
// as PNG files, to look at by eye:
//   xvfb-run ./corvane_dialog_screenshots /tmp/shots
// The options dialog is shown with a few tools filled in, from a config.ini
// written to a temporary folder.

#include "core/platform/data_folder.h"
#include "core/settings/settings_file.h"
#include "gui/common/program_icon.h"
#include "gui/dialogs/about_box.h"
#include "gui/dialogs/help_window.h"
#include "gui/dialogs/options_dialog.h"

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

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(corvane::ProgramIcon());
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);

    QTemporaryDir data;
    corvane::SetDataFolder(data.path());
    QFile config(corvane::ConfigPath());
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
        corvane::OptionsDialog options({});
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
        corvane::AboutBox about;
        ok = Save(&about, folder, QStringLiteral("about")) && ok;
    }
    return ok ? 0 : 1;
}
