#include "core/command/command_words.h"

#include <QTest>

using namespace corvane;

class TestCommandWords final : public QObject {
    Q_OBJECT

private slots:
    void shellCommandText_data();
    void shellCommandText();
    void splitCommandWords_data();
    void splitCommandWords();
};

void TestCommandWords::shellCommandText_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("isShell");
    QTest::addColumn<QString>("text");

    const auto shell = [](const char *name, const char *line, const char *text) {
        QTest::newRow(name) << QString::fromUtf8(line) << true << QString::fromUtf8(text);
    };
    const auto notShell = [](const char *name, const char *line) {
        QTest::newRow(name) << QString::fromUtf8(line) << false << QString();
    };

    shell("lower case", "cmd /c echo hi", "echo hi");
    shell("upper case", "CMD /C echo hi", "echo hi");
    shell("mixed case", "cMd /C echo hi", "echo hi");
    shell("blanks before and between", " \t cmd \t /c \t echo  hi", "echo  hi");
    shell("tabs only", "cmd\t/c\tls", "ls");
    shell("blanks at the end of the text kept", "cmd /c ls  ", "ls  ");
    shell("nothing after /c", "cmd /c", "");
    shell("only blanks after /c", "cmd /c   ", "");
    shell("shell syntax passed on whole", "cmd /c a; b | c > \"d e\"", "a; b | c > \"d e\"");
    shell("only the first prefix is taken", "cmd /c cmd /c ls", "cmd /c ls");
    shell("Chinese text", "cmd /c echo 中文", "echo 中文");

    notShell("empty line", "");
    notShell("cmd alone", "cmd");
    notShell("cmd and a blank", "cmd ");
    notShell("longer first word", "cmdx /c ls");
    notShell("word before cmd", "x cmd /c ls");
    notShell("/c joined to the text", "cmd /cls");
    notShell("another switch", "cmd /k ls");
    notShell("dash instead of slash", "cmd -c ls");
    notShell("c without slash", "cmd c ls");
    notShell("cmd.exe", "cmd.exe /c ls");
    notShell("quoted cmd", "\"cmd\" /c ls");
    notShell("newline is no blank", "cmd\n/c ls");
    notShell("no-break space is no blank", "cmd\u00a0/c ls");
    notShell("reversed", "/c cmd ls");
    notShell("ordinary program", "/usr/bin/conv -i a.wav");
}

void TestCommandWords::shellCommandText()
{
    QFETCH(QString, line);
    QFETCH(bool, isShell);
    QFETCH(QString, text);

    // A line that is all typed text: the shell gets what follows "cmd /c".
    const std::optional<QList<CommandPiece>> result =
        ShellCommandPieces({CommandPiece{line, std::nullopt}});
    QCOMPARE(result.has_value(), isShell);
    if (!isShell)
        return;
    QString shellText;
    for (const CommandPiece &piece : *result)
        shellText += piece.text;
    QCOMPARE(shellText, text);
}

void TestCommandWords::splitCommandWords_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("words");

    const auto row = [](const char *name, const char *line, QStringList words) {
        QTest::newRow(name) << QString::fromUtf8(line) << words;
    };
    const auto s = [](const char *text) { return QString::fromUtf8(text); };

    row("empty line gives no program", "", {});
    row("blank line gives no program", " \t  ", {});
    row("one word", "prog", {s("prog")});
    row("blanks separate", "prog a b", {s("prog"), s("a"), s("b")});
    row("runs of blanks and tabs", " \tprog \t a\t\tb  ", {s("prog"), s("a"), s("b")});
    row("quoted blank kept", "prog \"a b\"", {s("prog"), s("a b")});
    row("quoted tab kept", "prog \"a\tb\"", {s("prog"), s("a\tb")});
    row("quote joins parts", "\"a\"b", {s("ab")});
    row("quoted part inside a word", "a\"b c\"d", {s("ab cd")});
    row("empty quotes make an empty word", "prog \"\" x", {s("prog"), s(""), s("x")});
    row("two empty quoted parts make one empty word", "prog \"\"\"\"", {s("prog"), s("")});
    row("escaped quote outside quotes", "say \\\"hi\\\"", {s("say"), s("\"hi\"")});
    row("escaped quote inside quotes", "\"a \\\" b\"", {s("a \" b")});
    row("escaped quote does not group", "\\\"a b\\\"", {s("\"a"), s("b\"")});
    row("backslashes elsewhere ordinary", "C:\\dir\\file a\\\\b",
        {s("C:\\dir\\file"), s("a\\\\b")});
    row("backslash before escaped quote stays", "a\\\\\"b", {s("a\\\"b")});
    row("trailing backslash kept", "x\\", {s("x\\")});
    row("escaped quote at the end", "x\\\"", {s("x\"")});
    row("unterminated quote runs to the end", "prog \"a  b", {s("prog"), s("a  b")});
    row("lone quote at the end gives an empty word", "prog \"", {s("prog"), s("")});
    row("single quotes are ordinary", "it's 'a b'", {s("it's"), s("'a"), s("b'")});
    row("shell characters are ordinary", "a;b $(x) `y` x|y && >o <i * ~ $HOME",
        {s("a;b"), s("$(x)"), s("`y`"), s("x|y"), s("&&"), s(">o"), s("<i"), s("*"), s("~"),
         s("$HOME")});
    row("Chinese words", "转换 中文 名.txt", {s("转换"), s("中文"), s("名.txt")});
    row("newline is no blank", "a\nb c", {s("a\nb"), s("c")});
    row("carriage return is no blank", "a\rb", {s("a\rb")});
    row("no-break space is no blank", "a\u00a0b", {s("a\u00a0b")});
    row("cmd prefix is just words here", "cmd /c ls", {s("cmd"), s("/c"), s("ls")});
}

void TestCommandWords::splitCommandWords()
{
    QFETCH(QString, line);
    QFETCH(QStringList, words);

    QCOMPARE(SplitCommandWords({CommandPiece{line, std::nullopt}}), words);
}

QTEST_GUILESS_MAIN(TestCommandWords)
#include "tst_command_words.moc"
