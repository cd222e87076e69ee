#include "core/files/file_name.h"
#include "core/hand_over/hand_over_message.h"
#include "core/platform/hand_over.h"
#include "core/startup/hand_over_paths.h"
#include "hand_over_sender.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

using namespace corvane;
using corvane::test::sendFromAnotherThread;

namespace {

QByteArray number(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray header(quint32 version, quint32 bodySize)
{
    return QByteArray(kHandOverMagic, 4) + number(version) + number(bodySize);
}

QByteArray withBody(const QByteArray &body)
{
    return header(kHandOverVersion, quint32(body.size())) + body;
}

} // namespace

// The channel on this system at the program's own address: what a later
// start sends arrives exactly, and nothing else arrives at all.
class TestHandOver final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pathsArriveAsSent_data();
    void pathsArriveAsSent();
    void badMessagesAreIgnored_data();
    void badMessagesAreIgnored();
    void tooManyPathsAreNotSent();
    void nobodyListening();

private:
    std::unique_ptr<HandOverServer> m_server;
    std::unique_ptr<QSignalSpy> m_received;
};

void TestHandOver::init()
{
    m_server = std::make_unique<HandOverServer>();
    m_received = std::make_unique<QSignalSpy>(m_server.get(), &HandOverServer::pathsReceived);
    QString error;
    QVERIFY2(m_server->listen(DefaultHandOverAddress(), &error), qPrintable(error));
}

void TestHandOver::cleanup()
{
    m_received.reset();
    m_server.reset();
}

void TestHandOver::pathsArriveAsSent_data()
{
    QTest::addColumn<QStringList>("paths");

    QTest::newRow("one") << QStringList{QStringLiteral("/home/me/a.txt")};
    QTest::newRow("none") << QStringList{};
    QTest::newRow("spaces and line breaks")
        << QStringList{QStringLiteral("C:/My Files/a b.txt"), QStringLiteral("/tmp/two\nlines"),
                       QStringLiteral(" leading"), QStringLiteral("\r\n")};
    QTest::newRow("Chinese and beyond the BMP")
        << QStringList{QStringLiteral("/数据/报告 1.txt"), QStringLiteral("\U0001F3B5.wav")};
    QTest::newRow("bytes that are no UTF-8")
        << QStringList{DecodeFileName("/tmp/caf\xe9.txt"), DecodeFileName("\xff\xc3")};
    QStringList many;
    for (int i = 0; i < 2000; ++i)
        many << QStringLiteral("/srv/%1/").arg(i) + QString(190, QLatin1Char('x'));
    QTest::newRow("many, several reads") << many;
}

void TestHandOver::pathsArriveAsSent()
{
    QFETCH(QStringList, paths);
    const QByteArray message = HandOverMessage(paths);
    QVERIFY(!message.isEmpty());
    // No part of a message is mistaken for a whole or a bad one.
    QStringList read;
    for (qsizetype size = 0; size < message.size(); size += 1 + size / 16)
        QCOMPARE(ReadHandOverMessage(message.left(size), &read), HandOverRead::Incomplete);

    QVERIFY(sendFromAnotherThread(DefaultHandOverAddress(), message));
    QTRY_COMPARE(m_received->count(), 1);
    const QStringList received = m_received->at(0).at(0).toStringList();
    QCOMPARE(received, paths);
    for (qsizetype i = 0; i < paths.size(); ++i)
        QCOMPARE(EncodeFileName(received.at(i)), EncodeFileName(paths.at(i)));
}

void TestHandOver::badMessagesAreIgnored_data()
{
    QTest::addColumn<QByteArray>("message");

    const QByteArray good = HandOverMessage({QStringLiteral("a"), QStringLiteral("bc")});
    QTest::newRow("another magic") << QByteArray("XVHO" + good.mid(4));
    QTest::newRow("another version") << QByteArray(good.left(4) + number(2) + good.mid(8));
    QTest::newRow("cut short") << good.chopped(3);
    QTest::newRow("bytes left over") << QByteArray(good + "x");
    QTest::newRow("empty path") << withBody(number(0));
    QTest::newRow("NUL in a path") << withBody(number(1) + QByteArray(2, '\0'));
    QTest::newRow("path beyond the body") << withBody(number(3) + QByteArray("a\0b\0", 4));
    QTest::newRow("half a length") << withBody(number(1) + QByteArray("a\0", 2) + "\1\0");
    QTest::newRow("larger than the bound")
        << QByteArray(header(kHandOverVersion, quint32(kHandOverMaxMessageSize)) +
                      QByteArray(kHandOverMaxMessageSize, 'a'));
}

void TestHandOver::badMessagesAreIgnored()
{
    QFETCH(QByteArray, message);
    QStringList paths;
    QVERIFY(ReadHandOverMessage(message, &paths) != HandOverRead::Complete);
    QVERIFY(!sendFromAnotherThread(DefaultHandOverAddress(), message));

    // The server goes on; the good message is the only one that arrives.
    const QStringList good{QStringLiteral("after")};
    QVERIFY(sendFromAnotherThread(DefaultHandOverAddress(), HandOverMessage(good)));
    QTRY_COMPARE(m_received->count(), 1);
    QCOMPARE(m_received->at(0).at(0).toStringList(), good);
}

void TestHandOver::tooManyPathsAreNotSent()
{
    const QStringList paths(3000, QString(200, QLatin1Char('x')));
    QVERIFY(HandOverMessage(paths).isEmpty());
    QString error;
    QVERIFY(!HandOverPaths(DefaultHandOverAddress(), paths, &error));
    QVERIFY(!error.isEmpty());
}

void TestHandOver::nobodyListening()
{
    m_server->close();
    QVERIFY(!m_server->isListening());
    QString error;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!HandOverPaths(DefaultHandOverAddress(), {QStringLiteral("a")}, &error));
    QVERIFY(!error.isEmpty());
    // At once, not after the time a sender may wait for an answer.
    QVERIFY(timer.elapsed() < kHandOverSendTimeoutMs / 2);

    // Listening again at the same address works.
    QVERIFY(m_server->listen(DefaultHandOverAddress()));
    QVERIFY(sendFromAnotherThread(DefaultHandOverAddress(), HandOverMessage({})));
    QTRY_COMPARE(m_received->count(), 1);
}

QTEST_GUILESS_MAIN(TestHandOver)
#include "tst_hand_over.moc"
