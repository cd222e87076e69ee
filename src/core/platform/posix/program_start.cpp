#include "core/platform/program_start.h"

#include "core/files/file_name.h"

#include <QByteArray>
#include <QRegularExpression>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace corvane {

namespace {

// Whether something listens on the Unix socket at path, in the abstract
// namespace (where Xorg listens on Linux first) or as a file.
bool socketAnswers(const QByteArray &path, bool abstract)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t offset = abstract ? 1 : 0;
    if (size_t(path.size()) + offset >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path + offset, path.constData(), size_t(path.size()));
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + size_t(path.size()) +
                                  (abstract ? 0 : 1));
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return false;
    const bool answered = ::connect(socket, reinterpret_cast<sockaddr *>(&address), length) == 0;
    ::close(socket);
    return answered;
}

} // namespace

QStringList ProgramArguments(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << DecodeFileName(QByteArray(argv[i]));
    return arguments;
}

QString DisplayProblem()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return QString();
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        return QStringLiteral("无法打开窗口：没有图形显示（DISPLAY 未设置）。不开窗口处理文件请用 "
                              "--run，见 --help。");
    // A local display, ":0" or "unix:0.1": its socket must answer. A display
    // on another host (SSH's "localhost:10.0") is left to Qt.
    static const QRegularExpression local(QStringLiteral("^(?:unix)?:(\\d+)(?:\\.\\d+)?$"));
    const QRegularExpressionMatch match = local.match(display);
    if (!match.hasMatch())
        return QString();
    const QByteArray socket = "/tmp/.X11-unix/X" + match.captured(1).toLatin1();
    if (socketAnswers(socket, true) || socketAnswers(socket, false))
        return QString();
    return QStringLiteral("无法打开窗口：无法连接显示 %1。不开窗口处理文件请用 --run，见 --help。")
        .arg(display);
}

void UseParentConsole()
{
}

} // namespace corvane
