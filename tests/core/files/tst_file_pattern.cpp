#include "core/files/file_pattern.h"

#include <QTest>

using namespace corvane;

class TestFilePattern final : public QObject {
    Q_OBJECT

private slots:
    void matches_data();
    void matches();
};

void TestFilePattern::matches_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("expected");

    const auto row = [](const char *tag, const char *pattern, const char *name, bool expected) {
        QTest::newRow(tag) << QString::fromUtf8(pattern) << QString::fromUtf8(name) << expected;
    };
    row("star-dot-star with extension", "*.*", "song.wav", true);
    row("star-dot-star without a dot", "*.*", "Makefile", true);
    row("star-dot-star on a dot name", "*.*", "a.b.c", true);
    row("star alone", "*", "README", true);
    row("empty means everything", "", "README", true);
    row("blanks only mean everything", "  ", "x.bin", true);
    row("extension matches", "*.wav", "song.wav", true);
    row("extension other", "*.wav", "song.bmp", false);
    row("case-insensitive", "*.wav", "SONG.WAV", true);
    row("case-insensitive pattern", "*.WaV", "song.wav", true);
    row("whole name, not a prefix", "*.wav", "song.wav.bak", false);
    row("whole name, not a suffix", "song", "old song", false);
    row("question mark is one character", "track?.wav", "track1.wav", true);
    row("question mark needs a character", "track?.wav", "track.wav", false);
    row("question mark not two", "track?.wav", "track12.wav", false);
    row("star in the middle", "a*z.txt", "abcz.txt", true);
    row("star matches nothing", "a*z.txt", "az.txt", true);
    row("backtracking", "*ab*ab", "xxabyyabab", true);
    row("backtracking fails", "*ab*abc", "xxabyyabab", false);
    row("list first", "*.bmp;*.wav", "a.bmp", true);
    row("list second", "*.bmp;*.wav", "a.wav", true);
    row("list neither", "*.bmp;*.wav", "a.bin", false);
    row("list with blanks", " *.bmp ; *.wav ", "a.wav", true);
    row("list with an empty part", "*.bmp;;", "a.wav", false);
    row("list holding star-dot-star", "*.bmp;*.*", "a.wav", true);
    row("name-dot-star matches without extension", "readme.*", "README", true);
    row("name-dot-star matches with extension", "readme.*", "readme.md", true);
    row("name-dot-star other name", "readme.*", "readmeX", false);
    row("literal dot", "a.b", "axb", false);
    row("trailing dot: no extension", "*.", "Makefile", true);
    row("trailing dot: not with one", "*.", "song.wav", false);
    row("trailing dot after a name", "read*.", "readme", true);
    row("name with a trailing dot", "name.", "name.", true);
    row("brackets are literal", "[ab].txt", "[ab].txt", true);
    row("brackets not a class", "[ab].txt", "a.txt", false);
    row("chinese name", "*.wav", "歌曲.WAV", true);
    row("exact name", "config.ini", "CONFIG.INI", true);
}

void TestFilePattern::matches()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, expected);
    QCOMPARE(FilePattern(pattern).matches(name), expected);
}

QTEST_GUILESS_MAIN(TestFilePattern)
#include "tst_file_pattern.moc"
