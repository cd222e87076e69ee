#pragma once

#include <QList>
#include <QtGlobal>

namespace corvane {

// One running command's output when Corvane ends before the command does,
// or output that has not reached the report yet.
struct RelayStream final {
    // The read end of the command's output pipe, or -1 when the command has
    // ended and only pending output is left.
    qintptr pipe = -1;
    // A file whose content, from its start, goes to the report before what
    // the pipe still brings; for a stream that has to wait for the one
    // before it, what the pipe brings meanwhile is added at its end. -1 when
    // there is none.
    qintptr pending = -1;
    // False for output that was only shown in a console window: it is read
    // and dropped, so that the command can write on.
    bool toReport = false;
};

// Starts a process of its own that carries the streams on after Corvane has
// gone: each stream to the report in the order given, one whole stream
// after another, and the shown-only streams nowhere, until the end of each
// pipe. It keeps only these handles and the report open and leaves nothing
// behind: it ends once the last pipe has ended. The pipes are the relay's
// from now on: they are closed here, also when it could not start; the
// pending files and the report stay the caller's. False when no such process
// could be started.
bool StartOutputRelay(const QList<RelayStream> &streams, qintptr report);

} // namespace corvane
