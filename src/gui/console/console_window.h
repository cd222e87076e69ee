#pragma once

#include "core/platform/launcher.h"

#include <QPlainTextEdit>
#include <QStringDecoder>

namespace corvane {

// A plain, read-only text window that shows one command's output while it
// runs, titled with the command line. It closes when the command ends, as a
// console window does.
class ConsoleWindow final : public QPlainTextEdit, public ConsoleView {
    Q_OBJECT
public:
    explicit ConsoleWindow(const QString &commandLine);
    Q_DISABLE_COPY_MOVE(ConsoleWindow)

    void appendOutput(const QByteArray &bytes) override;
    void commandFinished() override;

private:
    QStringDecoder m_decoder;
};

// The factory the launcher uses to open a console window per command.
ConsoleFactory ConsoleWindowFactory();

} // namespace corvane
