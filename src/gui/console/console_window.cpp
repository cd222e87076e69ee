#include "gui/console/console_window.h"

#include "gui/common/program_icon.h"

#include <QFontDatabase>
#include <QScrollBar>

namespace corvane {

ConsoleWindow::ConsoleWindow(const QString &commandLine) : m_decoder(QStringDecoder::Utf8)
{
    setObjectName(QStringLiteral("ConsoleWindow"));
    setWindowTitle(commandLine);
    setWindowIcon(ProgramIcon());
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setStyleSheet(QStringLiteral("QPlainTextEdit { background: black; color: #d0d0d0; }"));
    resize(640, 320);
}

void ConsoleWindow::appendOutput(const QByteArray &bytes)
{
    // The decoder keeps a character split across two reads whole.
    const QString text = m_decoder.decode(bytes);
    moveCursor(QTextCursor::End);
    insertPlainText(text);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ConsoleWindow::commandFinished()
{
    close();
}

ConsoleFactory ConsoleWindowFactory()
{
    return [](const QString &title) -> std::unique_ptr<ConsoleView> {
        auto window = std::make_unique<ConsoleWindow>(title);
        window->show();
        window->activateWindow();
        return window;
    };
}

} // namespace corvane
