#include "gui/main_window/job_list.h"
#include "test_strings.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace corvane;

namespace {

using test::strings;
QList<JobEntry> entries(const QStringList &names)
{
    QList<JobEntry> list;
    for (const QString &name : names)
        list.append(JobEntry{name, QStringLiteral("/folder/") + name});
    return list;
}

QStringList names(const JobList &jobs)
{
    QStringList list;
    for (int i = 0; i < jobs.count(); ++i)
        list.append(jobs.name(i));
    return list;
}
} // namespace

class TestJobList final : public QObject {
    Q_OBJECT

private slots:
    void appendKeepsOrderAndDuplicates();
    void columnsAreNameAndFolder();
    void removeMarked_data();
    void removeMarked();
    void removeAtAndClear();
    void moreThan32767Entries();
};

void TestJobList::appendKeepsOrderAndDuplicates()
{
    JobList jobs;
    QAbstractItemModelTester tester(&jobs);
    jobs.append(entries({QStringLiteral("b"), QStringLiteral("a")}));
    jobs.append(entries({QStringLiteral("b")}));
    QCOMPARE(names(jobs), strings({"b", "a", "b"}));
    QCOMPARE(jobs.rowCount(), 3);
    jobs.append({});
    QCOMPARE(jobs.count(), 3);
}

void TestJobList::columnsAreNameAndFolder()
{
    JobList jobs;
    jobs.append({JobEntry{QStringLiteral("x.wav"), QStringLiteral("/")},
                 JobEntry{QStringLiteral("y.wav"), QStringLiteral("/music")}});
    QCOMPARE(jobs.columnCount(), 2);
    QCOMPARE(jobs.index(0, JobList::NameColumn).data().toString(), QStringLiteral("x.wav"));
    QCOMPARE(jobs.index(0, JobList::FolderColumn).data().toString(), QStringLiteral("/"));
    QCOMPARE(jobs.index(1, JobList::NameColumn).data().toString(), QStringLiteral("y.wav"));
    QCOMPARE(jobs.index(1, JobList::FolderColumn).data().toString(), QStringLiteral("/music"));
    QCOMPARE(jobs.folder(1), QStringLiteral("/music"));
}

void TestJobList::removeMarked_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("marked");

    QTest::newRow("none") << 5 << QList<int>();
    QTest::newRow("middle ones") << 4 << QList<int>({1, 3});
    QTest::newRow("last only") << 4 << QList<int>({3});
    QTest::newRow("first only") << 4 << QList<int>({0});
    QTest::newRow("all") << 6 << QList<int>({0, 1, 2, 3, 4, 5});
    QTest::newRow("one run") << 10 << QList<int>({2, 3, 4, 5});
    QList<int> every2nd;
    for (int i = 0; i < 200; i += 2)
        every2nd.append(i);
    // More runs than are removed one by one: the list is rebuilt.
    QTest::newRow("many runs") << 200 << every2nd;
}

void TestJobList::removeMarked()
{
    QFETCH(int, count);
    QFETCH(QList<int>, marked);

    QStringList all;
    for (int i = 0; i < count; ++i)
        all.append(QString::number(i));
    JobList jobs;
    QAbstractItemModelTester tester(&jobs);
    jobs.append(entries(all));

    QList<bool> flags(count, false);
    QStringList expected;
    for (int i = 0; i < count; ++i) {
        flags[i] = marked.contains(i);
        if (!flags[i])
            expected.append(all.at(i));
    }
    jobs.removeMarked(flags);
    QCOMPARE(names(jobs), expected);
    for (int i = 0; i < jobs.count(); ++i)
        QCOMPARE(jobs.folder(i), QStringLiteral("/folder/") + jobs.name(i));
}

void TestJobList::removeAtAndClear()
{
    JobList jobs;
    QAbstractItemModelTester tester(&jobs);
    jobs.append(entries({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    jobs.removeAt(2);
    QCOMPARE(names(jobs), strings({"a", "b"}));
    jobs.removeAt(0);
    QCOMPARE(names(jobs), strings({"b"}));
    QCOMPARE(jobs.folder(0), QStringLiteral("/folder/b"));
    jobs.clear();
    QCOMPARE(jobs.count(), 0);
    jobs.clear();
    QCOMPARE(jobs.rowCount(), 0);
}

void TestJobList::moreThan32767Entries()
{
    const int count = 40000;
    QList<JobEntry> many;
    for (int i = 0; i < count; ++i)
        many.append(JobEntry{QString::number(i), QStringLiteral("/f")});
    JobList jobs;
    jobs.append(many);
    QCOMPARE(jobs.count(), count);
    QCOMPARE(jobs.name(count - 1), QString::number(count - 1));
    jobs.removeAt(35000);
    QCOMPARE(jobs.name(35000), QString::number(35001));
}

QTEST_GUILESS_MAIN(TestJobList)
#include "tst_job_list.moc"
