#include "batch_folders.h"
#include "core/batch/headless_run.h"
#include "core/batch/report_writer.h"
#include "core/files/paths.h"
#include "test_files.h"

#include <QDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <csignal>

#include <unistd.h>

using namespace corvane;
using corvane::test::readFile;

namespace {
// The processes of a process group that have not ended (zombies have).
int liveMembersOf(qint64 group)
{
    int count = 0;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        // "pid (name) state ppid pgrp ..."
        const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(entry));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && fields.at(2).toLongLong() == group && fields.at(0) != "Z")
            ++count;
    }
    return count;
}
} // namespace

// SIGINT and SIGTERM stop a batch run from the command line as "停止处理"
// does, and nothing it started outlives it.
class TestHeadlessRunPosix final : public QObject {
    Q_OBJECT

private slots:
    void signalStopsTheBatch_data();
    void signalStopsTheBatch();
};

void TestHeadlessRunPosix::signalStopsTheBatch_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("child");
    QTest::addColumn<int>("status");
    QTest::newRow("SIGINT") << int(SIGINT) << QStringLiteral("sleep 60") << 130;
    // The command ends at once and leaves a child that only SIGKILL ends,
    // five seconds later: the run waits for that.
    QTest::newRow("SIGTERM, a child ignores it")
        << int(SIGTERM) << QStringLiteral("(trap '' TERM; exec sleep 60)") << 143;
}

void TestHeadlessRunPosix::signalStopsTheBatch()
{
    QFETCH(int, signal);
    QFETCH(QString, child);
    QFETCH(int, status);
    test::BatchFolders folders;
    QVERIFY(folders.isValid());
    for (const char *name : {"a", "b"})
        test::writeFile(QDir(folders.source).filePath(QLatin1String(name)), "x");
    const SettingsFile &settings = folders.settings;
    QVERIFY(settings.writeString(ToolKey(ToolField::Program, 0), QStringLiteral("cmd /c")));
    QVERIFY(settings.writeString(ToolKey(ToolField::CommandTemplate, 0),
                                 child + QStringLiteral(" & echo $$ > ../leader; wait")));
    QVERIFY(settings.writeInt(ToolKey(ToolField::CaptureOutput, 0), 1));
    // The signal comes once the first command runs.
    const QString leader = folders.path(QStringLiteral("leader"));
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (QFileInfo(leader).size() > 0) {
            poll.stop();
            ::kill(::getpid(), signal);
        }
    });
    poll.start(20);

    const HeadlessRequest request{{folders.source}, QString(), folders.destination,
                                  std::nullopt,     QString(), folders.data};
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    QCOMPARE(RunHeadless(request, outStream, errStream), status);
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines.at(0).startsWith(QStringLiteral("[1/2] 被信号 SIGTERM 终止：")),
             qPrintable(out));
    QCOMPARE(lines.at(1), QStringLiteral("[2/2] 未运行：%1/b").arg(folders.source));
    QVERIFY2(lines.at(2).startsWith(
                 QStringLiteral("已停止。2 个条目中 2 个未成功：被信号终止 1，未运行 1。")),
             qPrintable(out));
    QCOMPARE(err, QString());
    const qint64 group = readFile(leader).trimmed().toLongLong();
    QVERIFY(group > 0);
    QTRY_COMPARE_WITH_TIMEOUT(liveMembersOf(group), 0, 1000);
    QVERIFY(!QFile::exists(ReportLockPath(ReportPathIn(folders.data))));
}

QTEST_GUILESS_MAIN(TestHeadlessRunPosix)
#include "tst_headless_run_posix.moc"
