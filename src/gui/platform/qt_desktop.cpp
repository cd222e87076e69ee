#include "gui/platform/qt_desktop.h"

#include "core/platform/data_folder.h"
#include "core/platform/registry.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

namespace corvane {

QtDesktop::QtDesktop() : m_dataFolder(DefaultDataFolder())
{
}

void QtDesktop::showMessage(const Message &message)
{
    QMessageBox box(static_cast<QMessageBox::Icon>(message.icon), message.title, message.text,
                    QMessageBox::Ok);
    // The interface is Chinese: the one button reads as on a Chinese
    // system, with or without Qt's translations installed.
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

bool QtDesktop::askYesNo(const Message &question)
{
    QMessageBox box(static_cast<QMessageBox::Icon>(question.icon), question.title, question.text,
                    QMessageBox::Yes | QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtDesktop::openDocument(const QString &path)
{
    // Nothing is reported when no viewer is associated with the file.
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool QtDesktop::startProgram(const QString &path)
{
    return !path.isEmpty() && QProcess::startDetached(path, QStringList());
}

QString QtDesktop::chooseOpenFile(const QStringList &filters)
{
    QWidget *parent = QApplication::activeModalWidget();
    if (!parent)
        parent = QApplication::activeWindow();
    return QFileDialog::getOpenFileName(parent, QString(), QString(),
                                        filters.join(QStringLiteral(";;")));
}

Registry &QtDesktop::registry()
{
    return SystemRegistry();
}

} // namespace corvane
