#include "core/platform/hand_over.h"

#include <QTest>
#include <QUuid>

#include <vector>

#include <aclapi.h>
#include <sddl.h>
#include <windows.h>

using namespace corvane;

namespace {

// A pipe name of this test's own.
QString freshPipeName()
{
    return QStringLiteral("\\\\.\\pipe\\corvane-test-") +
           QUuid::createUuid().toString(QUuid::WithoutBraces);
}

bool runsUnderWine()
{
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

PSID currentUser(std::vector<BYTE> *buffer)
{
    HANDLE token = nullptr;
    DWORD size = 0;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return nullptr;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    buffer->resize(size);
    const bool read = ::GetTokenInformation(token, TokenUser, buffer->data(), size, &size);
    ::CloseHandle(token);
    return read ? reinterpret_cast<TOKEN_USER *>(buffer->data())->User.Sid : nullptr;
}

} // namespace

// What the named pipe adds: nobody can take its name first, and only the
// user may open it.
class TestWindowsHandOver final : public QObject {
    Q_OBJECT

private slots:
    void nameTakenFirstIsRefused();
    void onlyTheUserMayOpen();
};

void TestWindowsHandOver::nameTakenFirstIsRefused()
{
    if (runsUnderWine())
        QSKIP("Wine makes another instance of a pipe that exists even when asked to make the "
              "first (FILE_FLAG_FIRST_PIPE_INSTANCE)");
    const QString name = freshPipeName();
    const HANDLE squatter =
        ::CreateNamedPipeW(reinterpret_cast<const wchar_t *>(name.utf16()), PIPE_ACCESS_DUPLEX,
                           PIPE_TYPE_BYTE, PIPE_UNLIMITED_INSTANCES, 0, 0, 0, nullptr);
    QVERIFY(squatter != INVALID_HANDLE_VALUE);
    HandOverServer server;
    QString error;
    QVERIFY(!server.listen(name, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!server.isListening());
    ::CloseHandle(squatter);
    QVERIFY2(server.listen(name, &error), qPrintable(error));
}

void TestWindowsHandOver::onlyTheUserMayOpen()
{
    const QString name = freshPipeName();
    HandOverServer server;
    QVERIFY(server.listen(name));
    const HANDLE pipe = ::CreateFileW(reinterpret_cast<const wchar_t *>(name.utf16()), READ_CONTROL,
                                      0, nullptr, OPEN_EXISTING, 0, nullptr);
    QVERIFY(pipe != INVALID_HANDLE_VALUE);
    PACL access = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD read = ::GetSecurityInfo(pipe, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                         nullptr, &access, nullptr, &descriptor);
    ::CloseHandle(pipe);
    QCOMPARE(read, DWORD(ERROR_SUCCESS));
    // One entry: the user, allowed everything.
    QVERIFY(access != nullptr);
    QCOMPARE(int(access->AceCount), 1);
    void *entry = nullptr;
    QVERIFY(::GetAce(access, 0, &entry));
    const auto *allowed = static_cast<ACCESS_ALLOWED_ACE *>(entry);
    QCOMPARE(int(allowed->Header.AceType), ACCESS_ALLOWED_ACE_TYPE);
    std::vector<BYTE> buffer;
    const PSID user = currentUser(&buffer);
    QVERIFY(user != nullptr);
    QVERIFY(::EqualSid(const_cast<DWORD *>(&allowed->SidStart), user));
    ::LocalFree(descriptor);
}

QTEST_GUILESS_MAIN(TestWindowsHandOver)
#include "tst_win_hand_over.moc"
