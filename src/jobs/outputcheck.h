#pragma once

#include <QString>

class Task;

// Judges the finished output of a task that exited with code 0 against what was asked of
// it. An engine can end well and leave a file cut short: MEncoder says nothing and exits 0
// when the disk fills (its AVI header, rewritten at the start of the file, still claims the
// whole length), and encodes the readable part of a truncated source with the same success.
// A task whose source length is known (slot 1 of its data) and that is no preview must
// leave an output that plays about that long.
class OutputCheck
{
public:
    // How many seconds of media a file really holds: at least `expected` may be answered as
    // soon as the file is known to reach it; negative when nothing can tell (no engine, a
    // file no engine reads). Provided by the engine side, which knows the engines.
    using Meter = double (*)(const QString &path, double expected);
    // Returns the meter it replaces; null leaves outputs unjudged.
    static Meter setMeter(Meter meter);

    // Why the task's output falls short of its source, naming the disk when it is full; empty
    // when it does not, or when its length is not asked for or cannot be measured.
    static QString shortfall(const Task &task);
    // An output falls well short of its source when it lacks a tenth of the length and
    // more than a second (encoders may drop a frame or a few audio samples at the end).
    static bool fallsShort(double measured, double expected);
};
