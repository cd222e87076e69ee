#pragma once

#include "core/platform/launcher.h"

#include <QMainWindow>
#include <QStringDecoder>

class QPlainTextEdit;

namespace corvane {

// A plain window that shows one command's output while it runs, titled with
// the command line, the output in a read-only text view. It closes when the
// command ends, as a console window does.
class ConsoleWindow final : public QMainWindow, public ConsoleView {
    Q_OBJECT
public:
    explicit ConsoleWindow(const QString &commandLine);
    Q_DISABLE_COPY_MOVE(ConsoleWindow)

    void appendOutput(const QByteArray &bytes) override;
    void commandFinished() override;

    // The output shown so far.
    QString toPlainText() const;

private:
    QPlainTextEdit *m_text = nullptr;
    QStringDecoder m_decoder;
};

// The factory the launcher uses to open a console window per command.
ConsoleFactory ConsoleWindowFactory();

} // namespace corvane
