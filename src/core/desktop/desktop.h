#pragma once

#include "core/desktop/message.h"

#include <QString>
#include <QStringList>

namespace corvane {

class Registry;

// What the desktop does for Corvane: message boxes and questions, opening a
// document, starting a program, choosing a file, the registry's look-ups and
// the folder where Corvane keeps its files. Handed to the objects that need
// it: the program gives them the real desktop, tests a fake one that
// records and answers.
class Desktop {
public:
    virtual ~Desktop() = default;

    // Shows a message with a single OK button and returns when the user has
    // closed it.
    virtual void showMessage(const Message &message) = 0;
    // Asks a question with "是" and "否"; true for 是.
    virtual bool askYesNo(const Message &question) = 0;
    // Opens a file in the viewer that the desktop associates with its type.
    // Nothing is reported when there is no viewer or no file.
    virtual void openDocument(const QString &path) = 0;
    // Starts the program at path, without arguments, in a normal window that
    // gets the focus, and does not wait for it. False when it cannot be
    // started (an empty path, no such file, not a program).
    virtual bool startProgram(const QString &path) = 0;
    // Lets the user choose an existing file, over the window that is active;
    // filters are "description(patterns)", the first one preselected. Empty
    // when the user cancels.
    virtual QString chooseOpenFile(const QStringList &filters) = 0;
    // Read-only registry look-ups (none succeed where there is no registry).
    virtual Registry &registry() = 0;
    // The folder that holds config.ini and report.txt.
    virtual QString dataFolder() const = 0;
};

} // namespace corvane
