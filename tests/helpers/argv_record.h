#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

namespace corvane::test {

// What one run of corvane_argv_recorder saw.
struct ArgvRecord final {
    QList<QByteArray> arguments; // argv[0] first
    // The command line as Windows passed it (Windows only).
    QByteArray commandLine;
    QByteArray workingDirectory;
    QByteArray standardInput; // "eof", "data", "blocks" or "closed"
    bool standardInputIsDevNull = false;
    QList<int> openDescriptors;
};

// The records found in the text, in order. Text around them (other output
// in a report) is skipped; a record cut short is dropped.
inline QList<ArgvRecord> ParseArgvRecords(const QByteArray &text)
{
    QList<ArgvRecord> records;
    ArgvRecord current;
    bool inRecord = false;
    for (const QByteArray &line : text.split('\n')) {
        const qsizetype space = line.indexOf(' ');
        const QByteArray key = space < 0 ? line : line.left(space);
        const QByteArray value = space < 0 ? QByteArray() : line.mid(space + 1);
        if (line == "corvane-argv-record") {
            current = ArgvRecord();
            inRecord = true;
        } else if (!inRecord) {
            continue;
        } else if (key == "arg") {
            current.arguments << QByteArray::fromHex(value);
        } else if (key == "line") {
            current.commandLine = QByteArray::fromHex(value);
        } else if (key == "cwd") {
            current.workingDirectory = QByteArray::fromHex(value);
        } else if (key == "stdin") {
            current.standardInput = value;
        } else if (key == "stdin-devnull") {
            current.standardInputIsDevNull = value == "yes";
        } else if (key == "fds") {
            current.openDescriptors.clear();
            for (const QByteArray &number : value.split(' '))
                if (!number.isEmpty())
                    current.openDescriptors << number.toInt();
        } else if (line == "end") {
            records << current;
            inRecord = false;
        } else {
            inRecord = false; // something else broke into the record
        }
    }
    return records;
}

inline QList<ArgvRecord> ReadArgvRecords(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return ParseArgvRecords(file.readAll());
}

} // namespace corvane::test
