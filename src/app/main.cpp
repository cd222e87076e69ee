#include "platform/message_box.h"
#include "settings/active_tool.h"
#include "settings/settings_file.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(corvane::ApplicationTitle());

    corvane::SetMessageHandler([](const corvane::Message &message) {
        QMessageBox box(static_cast<QMessageBox::Icon>(message.icon), message.title,
                        message.text, QMessageBox::Ok);
        box.exec();
    });

    QMainWindow window;
    corvane::SetCaptionSink([&window](const QString &caption) { window.setWindowTitle(caption); });
    corvane::ActiveTool().CurrentTool = corvane::ReadIntSetting(QStringLiteral("CurrentTool"));
    corvane::LoadActiveTool();
    window.resize(616, 430);
    window.show();
    return app.exec();
}
