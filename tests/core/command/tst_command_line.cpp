#include "core/command/command_line.h"

#include <QTest>

using corvane::BuildCommandLine;

class TestCommandLine final : public QObject {
    Q_OBJECT

private slots:
    void build_data();
    void build();
    void nameWithoutExtension_data();
    void nameWithoutExtension();
};

namespace {
const QString kProgram = QStringLiteral("C:\\Tools\\conv.exe");
const QString kFile = QStringLiteral("song.live.wav");
const QString kReport = QStringLiteral("C:\\Batch\\report.txt");
} // namespace

void TestCommandLine::build_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("commandTemplate");
    QTest::addColumn<bool>("capture");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("sourceFolder");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("reportPath");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("expected");

    const QChar bs = QLatin1Char('\\');
    const QChar sl = QLatin1Char('/');
    const QString src = QStringLiteral("C:\\Music");
    const QString dst = QStringLiteral("D:\\Out\\");

    // The worked examples, Windows separator.
    QTest::newRow("paths and name without extension")
        << kProgram << QStringLiteral("-i $SPath$$SName$ -o $DPath$$SNameNo$.mp3") << false << kFile
        << src << 4 << dst << kReport << bs
        << QStringLiteral(
               "C:\\Tools\\conv.exe -i C:\\Music\\song.live.wav -o D:\\Out\\song.live.mp3");
    QTest::newRow("index after name without extension")
        << kProgram << QStringLiteral("$SName$ $DPath$$SNameNo$_$Index$.txt") << false << kFile
        << src << 4 << dst << kReport << bs
        << QStringLiteral("C:\\Tools\\conv.exe song.live.wav D:\\Out\\song.live_4.txt");
    QTest::newRow("quotes kept, other case and unknown names untouched")
        << kProgram << QStringLiteral("\"$SPath$$SName$\" $Index$ $index$ $Name$") << false << kFile
        << src << 4 << dst << kReport << bs
        << QStringLiteral("C:\\Tools\\conv.exe \"C:\\Music\\song.live.wav\" 4 $index$ $Name$");
    QTest::newRow("every occurrence replaced")
        << kProgram << QStringLiteral("$SName$ $SName$") << false << kFile << src << 4 << dst
        << kReport << bs << QStringLiteral("C:\\Tools\\conv.exe song.live.wav song.live.wav");
    QTest::newRow("capture wrapper")
        << kProgram << QStringLiteral("-v $SName$") << true << kFile << src << 4 << dst << kReport
        << bs
        << QStringLiteral(
               "cmd /c C:\\Tools\\conv.exe -v song.live.wav >>C:\\Batch\\report.txt 2>&1");
    QTest::newRow("empty template ends in one space")
        << kProgram << QString() << false << kFile << src << 4 << dst << kReport << bs
        << QStringLiteral("C:\\Tools\\conv.exe ");
    QTest::newRow("program with leading arguments")
        << QStringLiteral("cmd /c") << QStringLiteral("copy $SPath$$SName$ $DPath$") << false
        << kFile << src << 4 << dst << kReport << bs
        << QStringLiteral("cmd /c copy C:\\Music\\song.live.wav D:\\Out\\");

    // Edge cases.
    QTest::newRow("drive root keeps a single separator")
        << QStringLiteral("p") << QStringLiteral("$SPath$|$DPath$") << false << kFile
        << QStringLiteral("C:\\") << 0 << QStringLiteral("D:\\Out") << kReport << bs
        << QStringLiteral("p C:\\|D:\\Out\\");
    QTest::newRow("several dots") << QStringLiteral("p") << QStringLiteral("$SNameNo$") << false
                                  << QStringLiteral("backup.tar.gz") << src << 0 << dst << kReport
                                  << bs << QStringLiteral("p backup.tar");
    QTest::newRow("leading dot only")
        << QStringLiteral("p") << QStringLiteral("[$SNameNo$]") << false
        << QStringLiteral(".profile") << src << 0 << dst << kReport << bs << QStringLiteral("p []");
    QTest::newRow("no dot keeps the whole name")
        << QStringLiteral("p") << QStringLiteral("$SNameNo$.out") << false
        << QStringLiteral("Makefile") << src << 0 << dst << kReport << bs
        << QStringLiteral("p Makefile.out");
    QTest::newRow("first index is 0")
        << QStringLiteral("p") << QStringLiteral("$Index$") << false << kFile << src << 0 << dst
        << kReport << bs << QStringLiteral("p 0");
    QTest::newRow("index 12") << QStringLiteral("p") << QStringLiteral("$Index$") << false << kFile
                              << src << 12 << dst << kReport << bs << QStringLiteral("p 12");
    QTest::newRow("index beyond 16 bits")
        << QStringLiteral("p") << QStringLiteral("$Index$") << false << kFile << src << 40000 << dst
        << kReport << bs << QStringLiteral("p 40000");
    QTest::newRow("upper-case placeholder is text")
        << QStringLiteral("p") << QStringLiteral("$SPATH$ $spath$") << false << kFile << src << 0
        << dst << kReport << bs << QStringLiteral("p $SPATH$ $spath$");
    QTest::newRow("source folder containing $Index$ keeps it: a value is never expanded")
        << QStringLiteral("p") << QStringLiteral("$SPath$") << false << kFile
        << QStringLiteral("C:\\$Index$") << 7 << dst << kReport << bs
        << QStringLiteral("p C:\\$Index$\\");
    QTest::newRow("destination containing $SPath$ stays as is")
        << QStringLiteral("p") << QStringLiteral("$DPath$") << false << kFile << src << 0
        << QStringLiteral("D:\\$SPath$") << kReport << bs << QStringLiteral("p D:\\$SPath$\\");
    QTest::newRow("file name containing $SNameNo$ keeps it")
        << QStringLiteral("p") << QStringLiteral("$SName$") << false
        << QStringLiteral("$SNameNo$.x") << src << 0 << dst << kReport << bs
        << QStringLiteral("p $SNameNo$.x");
    QTest::newRow("inserted text is not rescanned by the same replacement")
        << QStringLiteral("p") << QStringLiteral("$SName$") << false << QStringLiteral("$SName$.x")
        << src << 0 << dst << kReport << bs << QStringLiteral("p $SName$.x");
    QTest::newRow("overlapping dollar signs")
        << QStringLiteral("p") << QStringLiteral("$$Index$$Index$$") << false << kFile << src << 3
        << dst << kReport << bs << QStringLiteral("p $33$");
    QTest::newRow("capture with empty template has two spaces before >>")
        << kProgram << QString() << true << kFile << src << 4 << dst << kReport << bs
        << QStringLiteral("cmd /c C:\\Tools\\conv.exe  >>C:\\Batch\\report.txt 2>&1");
    QTest::newRow("report path with a space is not quoted")
        << kProgram << QStringLiteral("x") << true << kFile << src << 4 << dst
        << QStringLiteral("C:\\My Tools\\report.txt") << bs
        << QStringLiteral("cmd /c C:\\Tools\\conv.exe x >>C:\\My Tools\\report.txt 2>&1");
    QTest::newRow("empty program: line begins with the space")
        << QString() << QStringLiteral("$SName$") << false << kFile << src << 4 << dst << kReport
        << bs << QStringLiteral(" song.live.wav");

    // Linux separator.
    QTest::newRow("slash: folders gain one separator")
        << QStringLiteral("/usr/bin/conv")
        << QStringLiteral("-i $SPath$$SName$ -o $DPath$$SNameNo$.mp3") << false << kFile
        << QStringLiteral("/home/u/Music") << 4 << QStringLiteral("/tmp/out")
        << QStringLiteral("/home/u/.config/Corvane/report.txt") << sl
        << QStringLiteral("/usr/bin/conv -i /home/u/Music/song.live.wav -o /tmp/out/song.live.mp3");
    QTest::newRow("slash: root folder")
        << QStringLiteral("p") << QStringLiteral("$SPath$$SName$ $DPath$") << false << kFile
        << QStringLiteral("/") << 0 << QStringLiteral("/out/") << kReport << sl
        << QStringLiteral("p /song.live.wav /out/");
    QTest::newRow("slash: backslash is no separator")
        << QStringLiteral("p") << QStringLiteral("$SPath$") << false << kFile
        << QStringLiteral("/data\\") << 0 << dst << kReport << sl << QStringLiteral("p /data\\/");
    QTest::newRow("slash: capture")
        << QStringLiteral("echo") << QStringLiteral("$SName$") << true
        << QStringLiteral("中文 名.txt") << QStringLiteral("/srv") << 1 << QStringLiteral("/tmp")
        << QStringLiteral("/opt/c/report.txt") << sl
        << QStringLiteral("cmd /c echo 中文 名.txt >>/opt/c/report.txt 2>&1");
}

void TestCommandLine::build()
{
    QFETCH(QString, program);
    QFETCH(QString, commandTemplate);
    QFETCH(bool, capture);
    QFETCH(QString, fileName);
    QFETCH(QString, sourceFolder);
    QFETCH(int, index);
    QFETCH(QString, destination);
    QFETCH(QString, reportPath);
    QFETCH(QChar, separator);
    QFETCH(QString, expected);

    QCOMPARE(BuildCommandLine(program, commandTemplate, capture, fileName, sourceFolder, index,
                              destination, reportPath, separator),
             expected);
}

void TestCommandLine::nameWithoutExtension_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one dot") << QStringLiteral("a.txt") << QStringLiteral("a");
    QTest::newRow("trailing dot") << QStringLiteral("a.") << QStringLiteral("a");
    QTest::newRow("only a dot") << QStringLiteral(".") << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("full-width dot is no dot")
        << QStringLiteral("名．txt") << QStringLiteral("名．txt");
}

void TestCommandLine::nameWithoutExtension()
{
    QFETCH(QString, fileName);
    QFETCH(QString, expected);
    QCOMPARE(corvane::NameWithoutExtension(fileName), expected);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
