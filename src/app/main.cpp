#include "app/main_form.h"
#include "app/program_icon.h"
#include "platform/desktop_qt.h"
#include "platform/message_box.h"
#include "platform/single_instance.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(corvane::ApplicationTitle());
    QApplication::setWindowIcon(corvane::ProgramIcon());
    corvane::InstallDesktopServices();

    corvane::SingleInstance instance(corvane::DefaultInstanceLockPath());
    corvane::MainForm form;
    if (!form.Form_Load(instance))
        return EXIT_SUCCESS;
    form.show();
    return app.exec();
}
