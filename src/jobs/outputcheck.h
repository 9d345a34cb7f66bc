#pragma once

#include <QString>

class Task;

// Judges the finished output of a task that exited with code 0 against what was asked of
// it. An engine can end well and leave a file cut short: MEncoder says nothing and exits 0
// when the disk fills (its AVI header, rewritten at the start of the file, still claims the
// whole length), and encodes the readable part of a truncated source with the same success.
// A task whose source length is known (slot 1 of its data) and that is no preview must
// leave an output whose picture and sound each play about that long. A stream that falls
// short is held against the same stream of the task's sources, which may be shorter than
// the length asked for: sound that ends before the picture, or a length the source's
// container only estimates (a VBR MP3 without a header, whose length a player guesses
// from its first frame's bit rate). A source cut short is no excuse: its container still
// claims the length asked for, for every stream alike.
class OutputCheck
{
public:
    // How long the picture and the sound of a file play, in seconds; negative for a stream
    // the file does not have (or that no engine could measure). `whole` is the length of a
    // file in which no picture or sound was found by stream, read as a whole: 0 for a file
    // no player opens, negative when nothing can tell.
    struct Lengths
    {
        double video = -1.0; // the first picture that is not an attached one (a cover)
        double audio = -1.0; // the first sound
        double whole = -1.0;
    };

    // What a source's container says of its lengths: `declared` holds the picture's and the
    // sound's (a stream whose own length is not given lasts as long as the container; negative
    // for a stream the source lacks) and the container's (`whole`); all negative when no
    // engine read it. `estimated`: the container gives no length, which is only estimated
    // from its bit rate; its packets alone tell.
    struct SourceLengths
    {
        Lengths declared;
        bool estimated = false;
    };

    // How long a file's streams really play: a stream may be answered with `expected` as
    // soon as it is known to reach it; `expected` 0 measures every stream whole. Provided
    // by the engine side, which knows the engines.
    using Meter = Lengths (*)(const QString &path, double expected);
    using SourceMeter = SourceLengths (*)(const QString &path);
    // Each returns the meter it replaces; a null meter leaves outputs unjudged, a null
    // source meter holds every stream against the length asked for.
    static Meter setMeter(Meter meter);
    static SourceMeter setSourceMeter(SourceMeter meter);

    // Why the task's output falls short of what was asked, naming the disk when it is full;
    // empty when it does not, or when its length is not asked for or cannot be measured.
    // `unchecked`, when given, tells the last apart: a length was asked for, but no engine
    // measured the output.
    static QString shortfall(const Task &task, bool *unchecked = nullptr);
    // An output falls well short of its source when it lacks a tenth of the length and
    // more than a second (encoders may drop a frame or a few audio samples at the end).
    static bool fallsShort(double measured, double expected);
};
