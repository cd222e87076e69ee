#include "core/files/file_name.h"

#include <QTest>

using namespace corvane;

class TestFileName final : public QObject {
    Q_OBJECT

private slots:
    void bytesSurviveTheRoundTrip_data();
    void bytesSurviveTheRoundTrip();
};

void TestFileName::bytesSurviveTheRoundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");

    QTest::newRow("UTF-8") << QByteArray("中文 名.txt") << QStringLiteral("中文 名.txt");
    QTest::newRow("four-byte character")
        << QByteArray("\xf0\x9f\x8e\xb5.wav") << QStringLiteral("\U0001F3B5.wav");
    QTest::newRow("replacement mark itself")
        << QByteArray("caf\xef\xbf\xbd.txt") << QStringLiteral("caf\uFFFD.txt");
    QTest::newRow("Latin-1") << QByteArray("caf\xe9.txt") << QStringLiteral("caf\uFFFD.txt");
    QTest::newRow("lone 0xFF") << QByteArray("\xff") << QStringLiteral("\uFFFD");
    QTest::newRow("overlong slash") << QByteArray("a\xc0\xaf"
                                                  "b")
                                    << QStringLiteral("a\uFFFD\uFFFDb");
    QTest::newRow("encoded surrogate")
        << QByteArray("\xed\xa0\x80x") << QStringLiteral("\uFFFD\uFFFD\uFFFDx");
    QTest::newRow("cut-off character") << QByteArray("\xe4\xb8") << QStringLiteral("\uFFFD\uFFFD");
    QTest::newRow("GBK beside UTF-8")
        << QByteArray("\xcd\xbc\xc6\xac-\xe5\x9b\xbe") << QStringLiteral("\u037c\u01ac-图");
}

void TestFileName::bytesSurviveTheRoundTrip()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    const QString name = DecodeFileName(bytes);
    QCOMPARE(EncodeFileName(name), bytes);
    QCOMPARE(DisplayedFileName(name), shown);
    // Never the name of another file: only the same bytes decode the same.
    if (bytes.contains("\xef\xbf\xbd"))
        return;
    QByteArray other = bytes;
    other.replace("\xe9", "\xef\xbf\xbd");
    if (other != bytes)
        QVERIFY(DecodeFileName(other) != name);
}

QTEST_GUILESS_MAIN(TestFileName)
#include "tst_file_name.moc"
