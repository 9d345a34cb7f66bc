#pragma once

#include <QByteArray>
#include <QString>

// The outcome of one status run of an engine or utility: the raw output that the run
// captured and what the status parser read from it.
struct InterfaceStatus
{
    enum State : int {
        Reset = 0,          // constructed or cleared
        OutputCaptured = 1, // raw output stored, not yet parsed
        ParseFailed = 2,
        Ready = 3           // signature and version parsed
    };

    int state = Reset;
    QByteArray stdOut;
    QByteArray stdErr;
    QString signature; // the program name from the banner
    QString version;   // the version from the banner
    // The engine did not answer its status run in time, asked again with longer time-outs
    // too (a busy machine, a cold disk): not ready for now, which a later asking may change.
    // Not ready and not late in state Reset: it could not be started at all.
    bool late = false;

    // Back to the constructed state, before a new status run.
    void clear();
};
