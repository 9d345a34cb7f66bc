#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// One engine command of a conformance run and what came of it.
struct ParallelRun
{
    ParallelRun(const QString &program, const QStringList &arguments, const QString &stdOutFile = {})
        : program(program), arguments(arguments), stdOutFile(stdOutFile) {}

    QString program;
    QStringList arguments;  // the output file last
    QString stdOutFile;     // empty: standard output is dropped (unless merged)
    bool mergeChannels = false; // standard output joins standard error in `output`
    int repeats = -1;       // the earlier run whose command (but for the output) this one is
    bool started = false, crashed = false;
    int exitCode = -1;
    qsizetype kept = 65536; // how much of its end `output` keeps
    QByteArray output;      // the end of standard error
    QString startError;
};

// Marks each run whose command, but for its last argument, an earlier run already has.
void markRepeats(QList<ParallelRun> &runs);

// Runs chains of commands (program first), each chain's one after the other, as many chains
// at once as cores; gives each chain's fault, "" when every command exited 0. With the file
// each command writes (`outputs`, per chain and step), a command that another already ran but
// for that file (an argument of it, its suffix kept) is not run again: its file is a copy of
// the other's, and it ends as the other did.
QStringList runChains(const QList<QList<QStringList>> &chains, const QList<QStringList> &outputs = {});

// Runs every run that repeats none as many at once as the machine has cores (at least two),
// each held to a core of its own, and calls `finished` with its index as each ends, then
// with the index of each repeat.
void runInParallel(QList<ParallelRun> &runs, const std::function<void(int)> &finished);
