#include "core/launch/command_watch.h"

#include <QCoreApplication>

namespace corvane {

CommandWatch::CommandWatch(OutputHandler handler, std::unique_ptr<ConsoleView> view)
    : m_handler(std::move(handler)), m_view(std::move(view))
{
}

CommandWatch::~CommandWatch()
{
    // Only when Corvane itself ends while the command runs: it goes on
    // without us.
    closeView();
}

void CommandWatch::release()
{
    m_endedHandler = nullptr;
    m_handler = nullptr;
    m_released = true;
    closeView();
    QObject *application = QCoreApplication::instance();
    setParent(application && application->thread() == thread() ? application : nullptr);
}

void CommandWatch::deliver(const char *bytes, qint64 size)
{
    if (size <= 0)
        return;
    if (m_handler)
        m_handler(bytes, size);
    if (m_view)
        m_view->appendOutput(QByteArray(bytes, qsizetype(size)));
}

void CommandWatch::letGoOfOutput()
{
    m_handler = nullptr;
    closeView();
}

void CommandWatch::ended(CommandEnding ending)
{
    closeView();
    if (m_released) {
        deleteLater();
        return;
    }
    if (m_endedHandler)
        m_endedHandler(ending);
}

void CommandWatch::closeView()
{
    if (m_view) {
        m_view->commandFinished();
        m_view.reset();
    }
}

WatchedCommand::WatchedCommand(CommandWatch *watch, qint64 processId)
    : m_watch(watch), m_processId(processId)
{
    watch->setParent(this);
    watch->setEndedHandler([this](CommandEnding ending) {
        m_ending = ending;
        m_running = false;
        emit finished();
    });
}

WatchedCommand::~WatchedCommand()
{
    // A command that still runs is left running: the watch moves out of
    // this object and follows it to its end.
    if (m_running)
        m_watch->release();
}

void WatchedCommand::terminate()
{
    if (m_running)
        m_watch->terminate();
}

qintptr WatchedCommand::takeOutputPipe()
{
    return m_running ? m_watch->takeOutputPipe() : -1;
}

} // namespace corvane
