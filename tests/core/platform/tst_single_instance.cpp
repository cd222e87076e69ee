#include "core/files/paths.h"
#include "core/platform/single_instance.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

using namespace corvane;

class TestSingleInstance final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void firstStartTakesTheLock();
    void secondInstanceIsRefused();
    void releasedLockCanBeTaken();
    void lockOfDeadProcessIsRecovered();
    void uncreatableLockDoesNotBlockStart();
    void lockPathIsKeyedByExecutable();
    void defaultLockPathIsThisProgram();

private:
    QString lockPath() const { return m_dir->filePath(QStringLiteral("corvane.lock")); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSingleInstance::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSingleInstance::firstStartTakesTheLock()
{
    SingleInstance instance(lockPath());
    QVERIFY(!QFileInfo::exists(lockPath()));
    QVERIFY(instance.tryAcquire());
    QVERIFY(QFileInfo::exists(lockPath()));
    // Asking again while holding it is no second instance.
    QVERIFY(instance.tryAcquire());
}

void TestSingleInstance::secondInstanceIsRefused()
{
    SingleInstance first(lockPath());
    QVERIFY(first.tryAcquire());
    SingleInstance second(lockPath());
    QVERIFY(!second.tryAcquire());
    QVERIFY(QFileInfo::exists(lockPath()));
}

void TestSingleInstance::releasedLockCanBeTaken()
{
    {
        SingleInstance first(lockPath());
        QVERIFY(first.tryAcquire());
        first.release();
        QVERIFY(!QFileInfo::exists(lockPath()));
        SingleInstance second(lockPath());
        QVERIFY(second.tryAcquire());
    }
    // Ending normally gives the lock back too.
    QVERIFY(!QFileInfo::exists(lockPath()));
    SingleInstance third(lockPath());
    QVERIFY(third.tryAcquire());
}

void TestSingleInstance::lockOfDeadProcessIsRecovered()
{
    // A child takes the lock and ends without giving it back, as a crash does.
    const QByteArray path = QFile::encodeName(lockPath());
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        QLockFile lock(QFile::decodeName(path));
        lock.setStaleLockTime(0);
        ::_exit(lock.tryLock(0) ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    QVERIFY(QFileInfo::exists(lockPath()));

    SingleInstance instance(lockPath());
    QVERIFY(instance.tryAcquire());
    SingleInstance second(lockPath());
    QVERIFY(!second.tryAcquire());
}

void TestSingleInstance::uncreatableLockDoesNotBlockStart()
{
    SingleInstance instance(m_dir->filePath(QStringLiteral("missing/folder/corvane.lock")));
    QVERIFY(instance.tryAcquire());
}

void TestSingleInstance::lockPathIsKeyedByExecutable()
{
    const QString runtime = m_dir->path();
    const QString a = InstanceLockPath(runtime, QStringLiteral("/opt/corvane/corvane"));
    const QString b = InstanceLockPath(runtime, QStringLiteral("/home/me/corvane/corvane"));
    QCOMPARE(InstanceLockPath(runtime, QStringLiteral("/opt/corvane/corvane")), a);
    QVERIFY(a != b);
    QCOMPARE(QFileInfo(a).absolutePath(), runtime);
    QVERIFY(QFileInfo(a).fileName().startsWith(QStringLiteral("corvane-")));
    QVERIFY(QFileInfo(a).fileName().endsWith(QStringLiteral(".lock")));

    // Two copies of the program at different paths run side by side.
    SingleInstance first(a);
    SingleInstance second(b);
    QVERIFY(first.tryAcquire());
    QVERIFY(second.tryAcquire());
}

void TestSingleInstance::defaultLockPathIsThisProgram()
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir->path()));
    const QString path = DefaultInstanceLockPath();
    qputenv("XDG_RUNTIME_DIR", saved);
    QCOMPARE(path, InstanceLockPath(m_dir->path(), QCoreApplication::applicationFilePath()));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_single_instance.moc"
