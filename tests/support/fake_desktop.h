#pragma once

#include "core/desktop/desktop.h"
#include "fake_registry.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace corvane::test {

// A desktop for tests: it records every message, question, document opened
// and program started, answers questions and file choices as told, and
// holds a registry in memory (empty: every look-up fails) and a data folder.
class FakeDesktop final : public Desktop {
public:
    explicit FakeDesktop(QString folder = QString()) : m_folder(std::move(folder)) {}

    void showMessage(const Message &message) override
    {
        messages.append(message);
        if (onMessage)
            onMessage(message);
    }
    bool askYesNo(const Message &question) override
    {
        questions.append(question);
        return answer;
    }
    void openDocument(const QString &path) override { opened.append(path); }
    bool startProgram(const QString &path) override
    {
        started.append(path);
        return starter ? starter(path) : startSucceeds;
    }
    QString chooseOpenFile(const QStringList &filters) override
    {
        chooserFilters.append(filters);
        return chooser ? chooser(filters) : QString();
    }
    Registry &registry() override { return fakeRegistry; }
    QString dataFolder() const override { return m_folder; }
    void setDataFolder(const QString &folder) { m_folder = folder; }

    QList<Message> messages;
    // Runs as each message is shown (a test may act while a box would be open).
    std::function<void(const Message &)> onMessage;
    QList<Message> questions;
    bool answer = true;
    QStringList opened;
    QStringList started;
    bool startSucceeds = true;
    // Answers in place of startSucceeds when set.
    std::function<bool(const QString &)> starter;
    QList<QStringList> chooserFilters;
    std::function<QString(const QStringList &)> chooser;
    FakeRegistry fakeRegistry;

private:
    QString m_folder;
};

} // namespace corvane::test
