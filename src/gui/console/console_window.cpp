#include "gui/console/console_window.h"

#include "core/files/file_name.h"
#include "core/platform/code_page.h"
#include "gui/common/form_layout.h"
#include "gui/common/program_icon.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>

namespace corvane {

namespace {
// How often output that has arrived is shown, and how many lines go into
// the view at a time: between two such steps the window handles the user's
// input, however much output is waiting.
constexpr int kShowIntervalMilliseconds = 50;
constexpr int kLinesPerStep = 500;
constexpr qsizetype kCharactersPerStep = 16 * 1024;
// The window's size when it opens: about 80 columns of 20 lines.
constexpr QSize kWindowSize(640, 320);
} // namespace

ConsoleWindow::ConsoleWindow(const QString &commandLine)
    : m_text(new QPlainTextEdit(this)), m_decoder(CommandOutputEncoding())
{
    // A window of its own with the text inside, as assistive technology
    // expects of a window: found by its title, read through its text view.
    setObjectName(QStringLiteral("ConsoleWindow"));
    setWindowTitle(LiteralWindowTitle(DisplayedFileName(commandLine)));
    setWindowIcon(ProgramIcon());
    setCentralWidget(m_text);
    m_text->setObjectName(QStringLiteral("ConsoleText"));
    m_text->setAccessibleName(QStringLiteral("输出"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setStyleSheet(QStringLiteral("QPlainTextEdit { background: black; color: #d0d0d0; }"));
    m_text->setMaximumBlockCount(kMaxLines);
    m_text->setUndoRedoEnabled(false);
    m_showTimer = new QTimer(this);
    m_showTimer->setSingleShot(true);
    m_showTimer->setInterval(kShowIntervalMilliseconds);
    connect(m_showTimer, &QTimer::timeout, this, &ConsoleWindow::showPending);
    resize(kWindowSize);
}

void ConsoleWindow::appendOutput(const QByteArray &bytes)
{
    // The decoder keeps a character split across two reads whole.
    const QString text = m_decoder.decode(bytes);
    m_pending.reserve(m_pending.size() + text.size() + text.size() / kMaxLineLength);
    for (const QChar c : text) {
        if (c == QLatin1Char('\n')) {
            m_lineLength = 0;
            ++m_pendingLines;
        } else if (++m_lineLength > kMaxLineLength) {
            m_pending += QLatin1Char('\n');
            ++m_pendingLines;
            m_lineLength = 1;
        }
        m_pending += c;
    }
    // Only the last lines can be shown: the rest goes at once rather than
    // through the view.
    if (m_pendingLines > kMaxLines + kMaxLines / 2) {
        qsizetype cut = m_pending.size();
        for (int lines = 0; lines <= kMaxLines; ++lines)
            cut = m_pending.lastIndexOf(QLatin1Char('\n'), cut - 1);
        m_pending.remove(0, cut + 1);
        m_shownUpTo = 0;
        m_pendingLines = kMaxLines;
    }
    if (!m_showTimer->isActive())
        m_showTimer->start();
}

void ConsoleWindow::showPending()
{
    if (m_shownUpTo >= m_pending.size())
        return;
    // One step: up to a number of lines or of characters, whichever comes
    // first, ending at a line break where there is one.
    qsizetype end = m_shownUpTo - 1;
    qsizetype length = m_pending.size() - m_shownUpTo;
    int lines = 0;
    while ((end = m_pending.indexOf(QLatin1Char('\n'), end + 1)) >= 0) {
        ++lines;
        if (lines == kLinesPerStep || end + 1 - m_shownUpTo >= kCharactersPerStep) {
            length = end + 1 - m_shownUpTo;
            break;
        }
    }
    m_text->moveCursor(QTextCursor::End);
    m_text->insertPlainText(m_pending.mid(m_shownUpTo, length));
    m_text->verticalScrollBar()->setValue(m_text->verticalScrollBar()->maximum());
    m_shownUpTo += length;
    m_pendingLines -= lines;
    if (m_shownUpTo < m_pending.size()) {
        m_showTimer->start(0); // the next step as soon as the input is handled
        return;
    }
    m_pending.clear();
    m_pending.squeeze();
    m_shownUpTo = 0;
    m_pendingLines = 0;
}

void ConsoleWindow::commandFinished()
{
    // The window goes now, as a console window does when its command ends:
    // output still waiting to be shown has nowhere to go.
    m_showTimer->stop();
    close();
}

QString ConsoleWindow::toPlainText() const
{
    return m_text->toPlainText() + m_pending.mid(m_shownUpTo);
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
