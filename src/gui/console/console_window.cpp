#include "gui/console/console_window.h"

#include "gui/common/form_layout.h"
#include "gui/common/program_icon.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>

namespace corvane {

ConsoleWindow::ConsoleWindow(const QString &commandLine)
    : m_text(new QPlainTextEdit(this)), m_decoder(QStringDecoder::Utf8)
{
    // A window of its own with the text inside, as assistive technology
    // expects of a window: found by its title, read through its text view.
    setObjectName(QStringLiteral("ConsoleWindow"));
    setWindowTitle(LiteralWindowTitle(commandLine));
    setWindowIcon(ProgramIcon());
    setCentralWidget(m_text);
    m_text->setObjectName(QStringLiteral("ConsoleText"));
    m_text->setAccessibleName(QStringLiteral("输出"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setStyleSheet(QStringLiteral("QPlainTextEdit { background: black; color: #d0d0d0; }"));
    resize(640, 320);
}

void ConsoleWindow::appendOutput(const QByteArray &bytes)
{
    // The decoder keeps a character split across two reads whole.
    const QString text = m_decoder.decode(bytes);
    m_text->moveCursor(QTextCursor::End);
    m_text->insertPlainText(text);
    m_text->verticalScrollBar()->setValue(m_text->verticalScrollBar()->maximum());
}

void ConsoleWindow::commandFinished()
{
    close();
}

QString ConsoleWindow::toPlainText() const
{
    return m_text->toPlainText();
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
