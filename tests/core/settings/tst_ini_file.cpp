#include "core/settings/ini_file.h"

#include <QTest>

#include <optional>

using namespace corvane;

namespace {
constexpr char kBom[] = "\xEF\xBB\xBF";

// Row names that show control and non-ASCII bytes as escapes.
QByteArray escaped(const QByteArray &bytes)
{
    QByteArray text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n')
            text += "\\n";
        else if (c == '\r')
            text += "\\r";
        else if (c == '\t')
            text += "\\t";
        else if (byte < 0x20 || byte >= 0x7F)
            text += "\\x" + QByteArray::number(byte, 16).rightJustified(2, '0');
        else
            text += c;
    }
    return text;
}
} // namespace

class TestIniFile final : public QObject {
    Q_OBJECT

private slots:
    void readValue_data();
    void readValue();
    void parseInt_data();
    void parseInt();
    void writeValue_data();
    void writeValue();
    void refusedWrite_data();
    void refusedWrite();
    void writtenValueReadsBack_data();
    void writtenValueReadsBack();
};

void TestIniFile::readValue_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("value");

    const QByteArray s("S");
    QTest::newRow("plain") << QByteArray("[S]\nk=v\n") << s << QByteArray("k") << true
                           << QByteArray("v");
    QTest::newRow("empty file") << QByteArray() << s << QByteArray("k") << false << QByteArray();
    QTest::newRow("missing section")
        << QByteArray("[T]\nk=v\n") << s << QByteArray("k") << false << QByteArray();
    QTest::newRow("missing key") << QByteArray("[S]\nj=v\n") << s << QByteArray("k") << false
                                 << QByteArray();
    QTest::newRow("empty value is found")
        << QByteArray("[S]\nk=\n") << s << QByteArray("k") << true << QByteArray();
    QTest::newRow("key case") << QByteArray("[S]\nText1(2)=v\n") << s << QByteArray("text1(2)")
                              << true << QByteArray("v");
    QTest::newRow("section case") << QByteArray("[stringsection]\nk=v\n")
                                  << QByteArray("StringSection") << QByteArray("k") << true
                                  << QByteArray("v");
    QTest::newRow("only ASCII letters fold")
        << QByteArray("[S]\n\xC3\x89=v\n") << s << QByteArray("\xC3\xA9") << false << QByteArray();
    QTest::newRow("non-ASCII name matches itself")
        << QByteArray("[\xE5\xB7\xA5]\n\xE5\x90\x8D=v\n") << QByteArray("\xE5\xB7\xA5")
        << QByteArray("\xE5\x90\x8D") << true << QByteArray("v");
    QTest::newRow("blanks around key and value") << QByteArray("[S]\n \t k \t= \t v w \t\n") << s
                                                 << QByteArray("k") << true << QByteArray("v w");
    QTest::newRow("blanks around section name")
        << QByteArray("  [ \tS  ]\nk=v\n") << s << QByteArray("k") << true << QByteArray("v");
    QTest::newRow("blanks in the asked names") << QByteArray("[S]\nk=v\n") << QByteArray(" S ")
                                               << QByteArray("\tk ") << true << QByteArray("v");
    QTest::newRow("inner blanks of a key count")
        << QByteArray("[S]\nText 1=v\n") << s << QByteArray("Text1") << false << QByteArray();
    QTest::newRow("double quotes")
        << QByteArray("[S]\nk=\"a b\"\n") << s << QByteArray("k") << true << QByteArray("a b");
    QTest::newRow("single quotes")
        << QByteArray("[S]\nk='a b'\n") << s << QByteArray("k") << true << QByteArray("a b");
    QTest::newRow("blanks inside quotes kept") << QByteArray("[S]\nk= \"  a  \" \n") << s
                                               << QByteArray("k") << true << QByteArray("  a  ");
    QTest::newRow("only one pair of quotes")
        << QByteArray("[S]\nk=\"\"a\"\"\n") << s << QByteArray("k") << true << QByteArray("\"a\"");
    QTest::newRow("mismatched quotes kept")
        << QByteArray("[S]\nk=\"a'\n") << s << QByteArray("k") << true << QByteArray("\"a'");
    QTest::newRow("leading quote only")
        << QByteArray("[S]\nk=\"a\n") << s << QByteArray("k") << true << QByteArray("\"a");
    QTest::newRow("a lone quote") << QByteArray("[S]\nk=\"\n") << s << QByteArray("k") << true
                                  << QByteArray("\"");
    QTest::newRow("empty quotes") << QByteArray("[S]\nk=\"\"\n") << s << QByteArray("k") << true
                                  << QByteArray();
    QTest::newRow("inner quotes kept") << QByteArray("[S]\nk=\"a\" -o \"b\" x\n") << s
                                       << QByteArray("k") << true << QByteArray("\"a\" -o \"b\" x");
    QTest::newRow("value holds '='")
        << QByteArray("[S]\nk=a=b\n") << s << QByteArray("k") << true << QByteArray("a=b");
    QTest::newRow("value holds ';'")
        << QByteArray("[S]\nk=a ;b\n") << s << QByteArray("k") << true << QByteArray("a ;b");
    QTest::newRow("comment line") << QByteArray("[S]\n;k=v\n") << s << QByteArray("k") << false
                                  << QByteArray();
    QTest::newRow("indented comment line")
        << QByteArray("[S]\n  ;k=v\nk=w\n") << s << QByteArray("k") << true << QByteArray("w");
    QTest::newRow("commented section does not open")
        << QByteArray(";[S]\nk=v\n[S]\nk=w\n") << s << QByteArray("k") << true << QByteArray("w");
    QTest::newRow("line without '=' is no key")
        << QByteArray("[S]\nk\nk=v\n") << s << QByteArray("k") << true << QByteArray("v");
    QTest::newRow("line without '=' alone")
        << QByteArray("[S]\nk\n") << s << QByteArray("k") << false << QByteArray();
    QTest::newRow("key before first section is in none")
        << QByteArray("k=v\n[S]\nj=w\n") << s << QByteArray("k") << false << QByteArray();
    QTest::newRow("key before first section does not shadow")
        << QByteArray("k=v\n[S]\nk=w\n") << s << QByteArray("k") << true << QByteArray("w");
    QTest::newRow("key of another section")
        << QByteArray("[T]\nk=v\n[S]\nj=w\n") << s << QByteArray("k") << false << QByteArray();
    QTest::newRow("section ends at the next one")
        << QByteArray("[S]\nj=w\n[T]\nk=v\n") << s << QByteArray("k") << false << QByteArray();
    QTest::newRow("first duplicate key wins")
        << QByteArray("[S]\nk=1\nK=2\n") << s << QByteArray("k") << true << QByteArray("1");
    QTest::newRow("first duplicate section wins")
        << QByteArray("[S]\nk=1\n[s]\nk=2\n") << s << QByteArray("k") << true << QByteArray("1");
    QTest::newRow("later duplicate section is not searched")
        << QByteArray("[S]\nj=1\n[T]\n[S]\nk=2\n") << s << QByteArray("k") << false << QByteArray();
    QTest::newRow("section without ']'")
        << QByteArray("[S\nk=v\n") << s << QByteArray("k") << true << QByteArray("v");
    QTest::newRow("text after ']' ignored")
        << QByteArray("[S] comment=x\nk=v\n") << s << QByteArray("k") << true << QByteArray("v");
    QTest::newRow("']' ends the name")
        << QByteArray("[S]T]\nk=v\n") << s << QByteArray("k") << true << QByteArray("v");
    QTest::newRow("BOM skipped") << (kBom + QByteArray("[S]\nk=v\n")) << s << QByteArray("k")
                                 << true << QByteArray("v");
    QTest::newRow("BOM only at the start") << (QByteArray("[T]\n") + kBom + "[S]\nk=v\n") << s
                                           << QByteArray("k") << false << QByteArray();
    QTest::newRow("CR LF") << QByteArray("[S]\r\nk=v\r\nj=w\r\n") << s << QByteArray("k") << true
                           << QByteArray("v");
    QTest::newRow("lone CR") << QByteArray("[S]\rk=v\rj=w\r") << s << QByteArray("k") << true
                             << QByteArray("v");
    QTest::newRow("mixed endings") << QByteArray("[T]\r\nk=1\r[S]\nj=0\r\nk=v\r") << s
                                   << QByteArray("k") << true << QByteArray("v");
    QTest::newRow("no final line ending")
        << QByteArray("[S]\nk=v") << s << QByteArray("k") << true << QByteArray("v");
    QTest::newRow("CR CR LF is two endings")
        << QByteArray("[S]\r\r\nk=v\r\n") << s << QByteArray("k") << true << QByteArray("v");
    QTest::newRow("foreign bytes kept")
        << QByteArray("[S]\nk=\xD6\xD0\xCE\xC4\n") << s << QByteArray("k") << true
        << QByteArray("\xD6\xD0\xCE\xC4");
}

void TestIniFile::readValue()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(bool, found);
    QFETCH(QByteArray, value);

    const std::optional<QByteArray> result = ReadIniValue(file, section, key);
    QCOMPARE(result.has_value(), found);
    if (found)
        QCOMPARE(*result, value);
}

void TestIniFile::parseInt_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value");

    QTest::newRow("zero") << QByteArray("0") << 0;
    QTest::newRow("one") << QByteArray("1") << 1;
    QTest::newRow("minus one") << QByteArray("-1") << -1;
    QTest::newRow("plus sign") << QByteArray("+7") << 7;
    QTest::newRow("leading zeros") << QByteArray("007") << 7;
    QTest::newRow("minus zero") << QByteArray("-0") << 0;
    QTest::newRow("leading blanks") << QByteArray(" \t 42") << 42;
    QTest::newRow("stops at a letter") << QByteArray("12abc") << 12;
    QTest::newRow("stops at a blank") << QByteArray("3 4") << 3;
    QTest::newRow("stops at a point") << QByteArray("2.9") << 2;
    QTest::newRow("no hex") << QByteArray("0x10") << 0;
    QTest::newRow("no exponent") << QByteArray("1e3") << 1;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("letters") << QByteArray("abc") << 0;
    QTest::newRow("sign alone") << QByteArray("-") << 0;
    QTest::newRow("blank after sign") << QByteArray("- 5") << 0;
    QTest::newRow("two signs") << QByteArray("--5") << 0;
    QTest::newRow("int16 max") << QByteArray("32767") << 32767;
    QTest::newRow("int16 min") << QByteArray("-32768") << -32768;
    QTest::newRow("int32 max") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("int32 min") << QByteArray("-2147483648") << (-2147483647 - 1);
    QTest::newRow("int32 max + 1 wraps") << QByteArray("2147483648") << (-2147483647 - 1);
    QTest::newRow("int32 min - 1 wraps") << QByteArray("-2147483649") << 2147483647;
    QTest::newRow("2^32 - 1") << QByteArray("4294967295") << -1;
    QTest::newRow("2^32") << QByteArray("4294967296") << 0;
    QTest::newRow("2^32 + 5") << QByteArray("4294967301") << 5;
    QTest::newRow("-(2^32 + 5)") << QByteArray("-4294967301") << -5;
    // 10^20 = 23283064365 * 2^32 + 1661992960
    QTest::newRow("10^20") << QByteArray("100000000000000000000") << 1661992960;
    // 2^64 - 1 is -1 modulo 2^32
    QTest::newRow("2^64 - 1") << QByteArray("18446744073709551615") << -1;
}

void TestIniFile::parseInt()
{
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    QCOMPARE(ParseIniInt(text), value);
}

void TestIniFile::writeValue_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("after");

    // Every row writes to section "S".
    QTest::newRow("new file") << QByteArray() << QByteArray("k") << QByteArray("v")
                              << QByteArray("[S]\nk=v\n");
    QTest::newRow("replace in place") << QByteArray("[S]\na=1\nk=old\nb=2\n") << QByteArray("k")
                                      << QByteArray("new") << QByteArray("[S]\na=1\nk=new\nb=2\n");
    QTest::newRow("replace keeps the file's spelling")
        << QByteArray("[s]\nTEXT1(0)=old\n") << QByteArray("text1(0)") << QByteArray("x")
        << QByteArray("[s]\nTEXT1(0)=x\n");
    QTest::newRow("replace keeps blanks before the value")
        << QByteArray("[S]\n  k = old  \n") << QByteArray("k") << QByteArray("new")
        << QByteArray("[S]\n  k = new\n");
    QTest::newRow("replace an empty value") << QByteArray("[S]\nk=\nj=1\n") << QByteArray("k")
                                            << QByteArray("v") << QByteArray("[S]\nk=v\nj=1\n");
    QTest::newRow("replace with empty")
        << QByteArray("[S]\nk=v\n") << QByteArray("k") << QByteArray() << QByteArray("[S]\nk=\n");
    QTest::newRow("replace a quoted value") << QByteArray("[S]\nk=\"a b\"\n") << QByteArray("k")
                                            << QByteArray("c") << QByteArray("[S]\nk=c\n");
    QTest::newRow("replace keeps CR LF") << QByteArray("[S]\r\nk=old\r\n") << QByteArray("k")
                                         << QByteArray("new") << QByteArray("[S]\r\nk=new\r\n");
    QTest::newRow("replace keeps lone CR") << QByteArray("[S]\rk=old\r") << QByteArray("k")
                                           << QByteArray("new") << QByteArray("[S]\rk=new\r");
    QTest::newRow("replace on a last line without ending")
        << QByteArray("[S]\nk=old") << QByteArray("k") << QByteArray("new")
        << QByteArray("[S]\nk=new");
    QTest::newRow("replace the first duplicate key")
        << QByteArray("[S]\nk=1\nk=2\n") << QByteArray("k") << QByteArray("3")
        << QByteArray("[S]\nk=3\nk=2\n");
    QTest::newRow("replace in the first duplicate section")
        << QByteArray("[S]\nk=1\n[S]\nk=2\n") << QByteArray("k") << QByteArray("3")
        << QByteArray("[S]\nk=3\n[S]\nk=2\n");
    QTest::newRow("commented key is not replaced")
        << QByteArray("[S]\n;k=1\na=0\n") << QByteArray("k") << QByteArray("2")
        << QByteArray("[S]\n;k=1\na=0\nk=2\n");
    QTest::newRow("key before first section is left alone")
        << QByteArray("k=0\n[S]\nj=1\n") << QByteArray("k") << QByteArray("2")
        << QByteArray("k=0\n[S]\nj=1\nk=2\n");
    QTest::newRow("new key after the last key line")
        << QByteArray("[S]\na=1\n\n; next\n[T]\nc=3\n") << QByteArray("k") << QByteArray("v")
        << QByteArray("[S]\na=1\nk=v\n\n; next\n[T]\nc=3\n");
    QTest::newRow("new key after a key line among comments")
        << QByteArray("[S]\n;x\na=1\n;y\nb=2\n;z\n") << QByteArray("k") << QByteArray("v")
        << QByteArray("[S]\n;x\na=1\n;y\nb=2\nk=v\n;z\n");
    QTest::newRow("new key skips lines without '='")
        << QByteArray("[S]\na=1\nnoise\n[T]\n") << QByteArray("k") << QByteArray("v")
        << QByteArray("[S]\na=1\nk=v\nnoise\n[T]\n");
    QTest::newRow("new key in an empty section goes under its header")
        << QByteArray("[S]\n\n; about T\n[T]\nc=3\n") << QByteArray("k") << QByteArray("v")
        << QByteArray("[S]\nk=v\n\n; about T\n[T]\nc=3\n");
    QTest::newRow("new key in a section at the end")
        << QByteArray("[T]\nc=3\n[S]\na=1\n") << QByteArray("k") << QByteArray("v")
        << QByteArray("[T]\nc=3\n[S]\na=1\nk=v\n");
    QTest::newRow("new key after a last line without ending")
        << QByteArray("[S]\na=1") << QByteArray("k") << QByteArray("v")
        << QByteArray("[S]\na=1\nk=v\n");
    QTest::newRow("new key under a header without ending")
        << QByteArray("[S]") << QByteArray("k") << QByteArray("v") << QByteArray("[S]\nk=v\n");
    QTest::newRow("new key in the first duplicate section")
        << QByteArray("[S]\na=1\n[S]\nb=2\n") << QByteArray("k") << QByteArray("v")
        << QByteArray("[S]\na=1\nk=v\n[S]\nb=2\n");
    QTest::newRow("new key under a header without ']'")
        << QByteArray("[S\na=1\n") << QByteArray("k") << QByteArray("v")
        << QByteArray("[S\na=1\nk=v\n");
    QTest::newRow("new key under a header in other case")
        << QByteArray("[s] old\n") << QByteArray("k") << QByteArray("v")
        << QByteArray("[s] old\nk=v\n");
    QTest::newRow("new section at the end")
        << QByteArray("[T]\nc=3\n") << QByteArray("k") << QByteArray("v")
        << QByteArray("[T]\nc=3\n[S]\nk=v\n");
    QTest::newRow("new section after trailing comment and blank")
        << QByteArray("[T]\nc=3\n;end\n\n") << QByteArray("k") << QByteArray("v")
        << QByteArray("[T]\nc=3\n;end\n\n[S]\nk=v\n");
    QTest::newRow("new section after a last line without ending")
        << QByteArray("[T]\nc=3") << QByteArray("k") << QByteArray("v")
        << QByteArray("[T]\nc=3\n[S]\nk=v\n");
    QTest::newRow("new section in a CR LF file")
        << QByteArray("[T]\r\nc=3\r\n") << QByteArray("k") << QByteArray("v")
        << QByteArray("[T]\r\nc=3\r\n[S]\r\nk=v\r\n");
    QTest::newRow("new key in a CR LF file")
        << QByteArray("[S]\r\na=1\r\n[T]\r\n") << QByteArray("k") << QByteArray("v")
        << QByteArray("[S]\r\na=1\r\nk=v\r\n[T]\r\n");
    QTest::newRow("new key in a lone CR file") << QByteArray("[S]\ra=1\r") << QByteArray("k")
                                               << QByteArray("v") << QByteArray("[S]\ra=1\rk=v\r");
    QTest::newRow("new lines take the first line's ending")
        << QByteArray("[T]\r\nc=3\n") << QByteArray("k") << QByteArray("v")
        << QByteArray("[T]\r\nc=3\n[S]\r\nk=v\r\n");
    QTest::newRow("single line without ending gets LF")
        << QByteArray("[T]") << QByteArray("k") << QByteArray("v") << QByteArray("[T]\n[S]\nk=v\n");
    QTest::newRow("BOM kept") << (kBom + QByteArray("[S]\r\na=1\r\n")) << QByteArray("k")
                              << QByteArray("v") << (kBom + QByteArray("[S]\r\na=1\r\nk=v\r\n"));
    QTest::newRow("file of only a BOM") << QByteArray(kBom) << QByteArray("k") << QByteArray("v")
                                        << (kBom + QByteArray("[S]\nk=v\n"));
    QTest::newRow("foreign bytes of other lines kept")
        << QByteArray("[S]\r\nn=\xD6\xD0\r\nk=1\r\n;\xCE\xC4\r\n") << QByteArray("k")
        << QByteArray("\xE4\xB8\xAD")
        << QByteArray("[S]\r\nn=\xD6\xD0\r\nk=\xE4\xB8\xAD\r\n;\xCE\xC4\r\n");
    QTest::newRow("asked key is trimmed")
        << QByteArray("[S]\n") << QByteArray(" k\t") << QByteArray("v") << QByteArray("[S]\nk=v\n");
    QTest::newRow("value with a leading blank is quoted")
        << QByteArray() << QByteArray("k") << QByteArray(" v") << QByteArray("[S]\nk=\" v\"\n");
    QTest::newRow("value with a trailing blank is quoted")
        << QByteArray() << QByteArray("k") << QByteArray("v\t") << QByteArray("[S]\nk=\"v\t\"\n");
    QTest::newRow("value in double quotes is quoted")
        << QByteArray() << QByteArray("k") << QByteArray("\"a\" b \"c\"")
        << QByteArray("[S]\nk=\"\"a\" b \"c\"\"\n");
    QTest::newRow("value in single quotes is quoted")
        << QByteArray() << QByteArray("k") << QByteArray("'a'") << QByteArray("[S]\nk=\"'a'\"\n");
    QTest::newRow("value with one quote is not quoted")
        << QByteArray() << QByteArray("k") << QByteArray("\"a b") << QByteArray("[S]\nk=\"a b\n");
    QTest::newRow("value with inner quotes is not quoted")
        << QByteArray() << QByteArray("k") << QByteArray("a \"b\"")
        << QByteArray("[S]\nk=a \"b\"\n");
}

void TestIniFile::writeValue()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, after);

    const std::optional<QByteArray> result = WriteIniValue(before, "S", key, value);
    QVERIFY(result.has_value());
    QCOMPARE(*result, after);
}

void TestIniFile::refusedWrite_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("LF in value") << QByteArray("S") << QByteArray("k") << QByteArray("a\nb");
    QTest::newRow("CR in value") << QByteArray("S") << QByteArray("k") << QByteArray("a\rb");
    QTest::newRow("CR LF ends value") << QByteArray("S") << QByteArray("k") << QByteArray("a\r\n");
    QTest::newRow("LF starts value") << QByteArray("S") << QByteArray("k") << QByteArray("\nk2=x");
    QTest::newRow("empty key") << QByteArray("S") << QByteArray() << QByteArray("v");
    QTest::newRow("blank key") << QByteArray("S") << QByteArray("  ") << QByteArray("v");
    QTest::newRow("'=' in key") << QByteArray("S") << QByteArray("a=b") << QByteArray("v");
    QTest::newRow("LF in key") << QByteArray("S") << QByteArray("a\nb") << QByteArray("v");
    QTest::newRow("key starts a comment") << QByteArray("S") << QByteArray(";k") << QByteArray("v");
    QTest::newRow("key starts a section") << QByteArray("S") << QByteArray("[k") << QByteArray("v");
    QTest::newRow("empty section") << QByteArray() << QByteArray("k") << QByteArray("v");
    QTest::newRow("']' in section") << QByteArray("a]b") << QByteArray("k") << QByteArray("v");
    QTest::newRow("CR in section") << QByteArray("a\rb") << QByteArray("k") << QByteArray("v");
}

void TestIniFile::refusedWrite()
{
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);

    QVERIFY(!WriteIniValue(QByteArray("[S]\nk=1\n"), section, key, value).has_value());
    QVERIFY(!WriteIniValue(QByteArray(), section, key, value).has_value());
}

void TestIniFile::writtenValueReadsBack_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("value");

    const QByteArray values[] = {
        "",
        "v",
        " v",
        "v ",
        " ",
        "\t",
        "\"",
        "'",
        "\"\"",
        "''",
        "\"a\"",
        "'a'",
        "\"a'",
        "a=b",
        ";a",
        "[a]",
        "\"a\" -o \"b\"",
        "$SPath$$SName$ -o $DPath$$SNameNo$.txt",
        "\xE4\xB8\xAD\xE6\x96\x87",
        QByteArray("a\0b", 3),
    };
    const QByteArray files[] = {
        "", "[S]\nk=old\n", "[S]\r\nj=1\r\n[T]\r\nk=2\r\n", "k=0\n[s]\n;k=c\n", "[T]\nk=1",
    };
    for (const QByteArray &file : files) {
        for (const QByteArray &value : values) {
            QTest::addRow("%s <- [%s]", escaped(file).constData(), escaped(value).constData())
                << file << value;
        }
    }
}

void TestIniFile::writtenValueReadsBack()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, value);

    const std::optional<QByteArray> written = WriteIniValue(file, "S", "k", value);
    QVERIFY(written.has_value());
    const std::optional<QByteArray> read = ReadIniValue(*written, "S", "K");
    QVERIFY(read.has_value());
    QCOMPARE(*read, value);
    // Another section's key keeps reading the same.
    QCOMPARE(ReadIniValue(*written, "T", "k"), ReadIniValue(file, "T", "k"));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_ini_file.moc"
