#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// At start-up the shell, the encoder and the player panel each check their engines with
// one status query or more, one after the other. Starting every such query at once, before
// any of them is asked, lets the engines answer side by side; each later query takes the
// answer of its prefetched run.
class EngineQueryPrefetch
{
public:
    struct Command
    {
        QString program;
        QStringList arguments;
    };
    // The status queries of the seven engines at the paths the program will use.
    static QList<Command> queries();

    // Starts the queries. (MPlayer's font-cache run is not among them: it waits until the
    // window shows.)
    static void start();
    // Ends the runs that nobody asked for (a path that changed meanwhile).
    static void stop();
};
