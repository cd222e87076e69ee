#pragma once

#include "core/desktop/desktop.h"

namespace corvane {

// The desktop of a real session: QMessageBox for messages and questions,
// QDesktopServices to open documents, a detached process to start a
// program, the file-open dialog, the system's registry, and the data folder
// chosen once, when it is made, from the program folder and the user's.
class QtDesktop final : public Desktop {
public:
    QtDesktop();

    void showMessage(const Message &message) override;
    bool askYesNo(const Message &question) override;
    void openDocument(const QString &path) override;
    bool startProgram(const QString &path) override;
    QString chooseOpenFile(const QStringList &filters) override;
    Registry &registry() override;
    QString dataFolder() const override { return m_dataFolder; }

private:
    QString m_dataFolder;
};

} // namespace corvane
