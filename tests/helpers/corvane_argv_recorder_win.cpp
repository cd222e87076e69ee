// The Windows build of corvane_argv_recorder: records how it was started,
// in the same record format. The arguments are those that the C runtime
// made of the command line (wmain's argv), each in UTF-8; the command line
// itself is recorded too, so that tests can check that CommandLineToArgvW
// reads it the same way. Standard input is "eof" when a read gives nothing
// and "data" when it gives a byte; stdin-devnull says whether it is the NUL
// device. Windows has no descriptor list to give: fds stays empty.
#include "write_all.h"

#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

std::string hex(const std::string &bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += digits[byte >> 4];
        text += digits[byte & 0xf];
    }
    return text;
}

std::string utf8(const wchar_t *text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return {};
    std::string bytes(size_t(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), length, nullptr, nullptr);
    bytes.pop_back();
    return bytes;
}

std::string standardInputState()
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE)
        return "closed";
    char byte;
    DWORD count = 0;
    if (!ReadFile(input, &byte, 1, &count, nullptr))
        return GetLastError() == ERROR_BROKEN_PIPE ? "eof" : "closed";
    return count == 0 ? "eof" : "data";
}

// NUL is a character device that is no console.
bool standardInputIsNul()
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    return GetFileType(input) == FILE_TYPE_CHAR && !GetConsoleMode(input, &mode);
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    const bool nul = standardInputIsNul();
    std::string record = "corvane-argv-record\n";
    for (int i = 0; i < argc; ++i)
        record += "arg " + hex(utf8(argv[i])) + "\n";
    record += "line " + hex(utf8(GetCommandLineW())) + "\n";
    wchar_t folder[32768] = {};
    GetCurrentDirectoryW(32768, folder);
    record += "cwd " + hex(utf8(folder)) + "\n";
    record += "stdin " + standardInputState() + "\n";
    record += std::string("stdin-devnull ") + (nul ? "yes" : "no") + "\n";
    record += "fds\n";
    record += "end\n";

    const wchar_t *path = _wgetenv(L"CORVANE_ARGV_RECORD");
    if (path && *path) {
        const int fd = _wopen(path, _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY, 0644);
        if (fd < 0 || !writeAll(fd, record))
            return 3;
        _close(fd);
        return 0;
    }
    return writeAll(1, record) ? 0 : 3;
}
