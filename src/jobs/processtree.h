#pragma once

class QProcess;

// Ties an engine's process to the program (Linux): the engine runs as the leader of a
// process group of its own, so that killing it ends whatever it started too, and the system
// kills it when the program ends in any way (a crash, SIGKILL, a logout) instead of leaving
// it to run on and write. What the engine started goes too: a watchdog process, forked once,
// is told each engine's group and kills the groups left when the program has ended. Set
// before the process is started.
class ProcessTree
{
public:
    static void bindToProgram(QProcess *process);
    // Kills the process and every process of its group (its own children). A process that
    // was not bound leads no group, and only it is killed.
    static void kill(QProcess *process);
};
