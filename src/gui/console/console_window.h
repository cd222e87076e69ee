#pragma once

#include "core/launch/launcher.h"

#include <QMainWindow>
#include <QStringDecoder>

class QPlainTextEdit;
class QTimer;

namespace corvane {

// A plain window that shows one command's output while it runs, titled with
// the command line, the output in a read-only text view. It closes when the
// command ends, as a console window does. Like a terminal it keeps only the
// last lines (the report keeps everything), and it shows what arrives in
// batches, so that a tool that floods its output neither fills the memory
// nor keeps the window from the user's input.
class ConsoleWindow final : public QMainWindow, public ConsoleView {
    Q_OBJECT
public:
    explicit ConsoleWindow(const QString &commandLine);
    Q_DISABLE_COPY_MOVE(ConsoleWindow)

    void appendOutput(const QByteArray &bytes) override;
    void commandFinished() override;

    // The output shown so far, with what is about to be shown.
    QString toPlainText() const;

    // How many lines the window keeps, and how long a line may grow before
    // it is broken.
    static constexpr int kMaxLines = 10000;
    static constexpr int kMaxLineLength = 256;

private:
    void showPending();

    QPlainTextEdit *m_text = nullptr;
    QStringDecoder m_decoder;
    // Decoded output not shown yet (from m_shownUpTo on), its number of
    // line breaks, and the length of the last line so far.
    QString m_pending;
    qsizetype m_shownUpTo = 0;
    int m_pendingLines = 0;
    int m_lineLength = 0;
    QTimer *m_showTimer = nullptr;
};

// The factory the launcher uses to open a console window per command.
ConsoleFactory ConsoleWindowFactory();

} // namespace corvane
