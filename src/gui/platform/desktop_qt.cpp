#include "gui/platform/desktop_qt.h"

#include "core/platform/desktop_services.h"
#include "core/platform/message_box.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace corvane {

void InstallDesktopServices()
{
    SetMessageHandler([](const Message &message) {
        QMessageBox box(static_cast<QMessageBox::Icon>(message.icon), message.title, message.text,
                        QMessageBox::Ok);
        // The interface is Chinese: the one button reads as on a Chinese
        // system, with or without Qt's translations installed.
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.exec();
    });
    SetQuestionHandler([](const Message &question) {
        QMessageBox box(static_cast<QMessageBox::Icon>(question.icon), question.title,
                        question.text, QMessageBox::Yes | QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否"));
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    });
    SetDocumentOpener([](const QString &path) {
        // Nothing is reported when no viewer is associated with the file.
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    });
}

} // namespace corvane
