#pragma once

#include <QString>

#include <limits>

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
// from its first frame's bit rate), or a source whose packets stop short of what its
// container declares (a recording that stopped, a download cut short): an output holds no
// more than its source holds. Picture and sound must also start as
// far apart as in the task's source, where the task names the sound it reads of it
// (Task::soundTrack): an engine may start the sound with the file and the picture at its
// time in the source, 1.44 s later for a transport stream's.
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

    // Where a file's first picture (not an attached one) and one of its sounds start on its
    // clock, as a player shows them, in seconds; NaN for a stream the file lacks, or where the
    // file tells no start times. `read` false: no engine read them (it died, stopped moving
    // or was not there), which tells nothing of the file.
    struct Starts
    {
        double video = std::numeric_limits<double>::quiet_NaN();
        double audio = std::numeric_limits<double>::quiet_NaN();
        bool read = true;
    };

    // Whether a player decodes a file's first sound: only an engine's decode error says it
    // does not; an engine that died or stopped moving before it could tell says nothing.
    enum class Decoding { Decodes, Fails, Unknown };

    // What the end check could not judge, no engine measuring it: flags.
    enum Unchecked {
        LengthUnchecked = 1,      // the output's length
        SoundDecodeUnchecked = 2, // whether its copied sound decodes
        StepUnchecked = 4,        // whether its sound is in step with its picture
        CheckStopped = 8,         // with any of those: the checks were stopped (setStopped)
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
        // Whether the picture and the sound declare a length of their own (not the container's,
        // nor one their packets were measured by): only such a stream's packets that stop short
        // of it tell that the source holds less of it (RealAudio's packets tell no times).
        bool videoOwnLength = true;
        bool audioOwnLength = true;
    };

    // How long a file's streams really play: a stream may be answered with `expected` as
    // soon as it is known to reach it; `expected` 0 measures every stream whole. Provided
    // by the engine side, which knows the engines.
    using Meter = Lengths (*)(const QString &path, double expected);
    using SourceMeter = SourceLengths (*)(const QString &path);
    // Whether a player decodes the file's first sound: Decodes for a file without sound.
    using SoundDecoder = Decoding (*)(const QString &path);
    // Where a file's picture and its sound `track` (its place among the file's sounds) start.
    using StartMeter = Starts (*)(const QString &path, int track);
    // How long a file's first picture is shown beyond its own time, repeated over its first
    // `seconds` (an encoder at a constant rate fills the time before the picture with it);
    // 0 where it is not, negative where no engine read it.
    using HoldMeter = double (*)(const QString &path, double seconds);
    // Each returns the meter it replaces; a null meter leaves outputs unjudged, a null
    // source meter holds every stream against the length asked for, a null decoder takes
    // every copied sound for sound, a null start meter leaves the starts unjudged, a null
    // hold meter takes no first picture for held.
    static Meter setMeter(Meter meter);
    static SourceMeter setSourceMeter(SourceMeter meter);
    static SoundDecoder setSoundDecoder(SoundDecoder decoder);
    static StartMeter setStartMeter(StartMeter meter);
    static HoldMeter setHoldMeter(HoldMeter meter);

    // Why the task's output falls short of what was asked, naming the disk when it is full,
    // or else why its sound is out of step with its picture; empty when neither, or when its
    // length is not asked for or cannot be measured. `unchecked`, when given, gets the
    // Unchecked flags of what was to be judged but could not be: a length asked for that no
    // engine measured, a copied sound no engine finished decoding, starts no engine read.
    // A task that copied its sound as it was, which no engine checked, also falls short
    // when that sound does not decode: a stream the container cannot hold (an LPCM track's
    // bytes in an AC-3 file) plays for as long as its packets, but no player plays it. A sound
    // copied from the task's one source into a file of the same kind is not decoded: it is
    // the source's own.
    static QString shortfall(const Task &task, int *unchecked = nullptr);
    // Counts the outputs judged: a meter whose engine would not start asks it again once per
    // output, not once per stream or file it reads.
    static quint64 judgement();

    // Stops the checks (the program closes): the one under way ends at once, and those that
    // start meanwhile check nothing; each leaves its output as it is, its verdict saying what
    // was not checked. The meters watch the flag in their engine runs and run none while it
    // is set.
    static void setStopped(bool stopped);
    static const bool *stopFlag();
    // Whether a check is under way: its meters handle events while their engines run, and
    // the job engine holds back the ends that arrive meanwhile (a check of each inside the
    // one before would stack up).
    static bool running();
    // An output falls well short of its source when it lacks a tenth of the length and
    // more than a second (encoders may drop a frame or a few audio samples at the end).
    static bool fallsShort(double measured, double expected);
    // Whether sound that starts `delay` seconds after the picture (negative: before it) is
    // out of step where the source's sound starts `sourceDelay` after its picture: later by
    // more than a tenth of a second, or earlier by more than that and an encoder's delay.
    static bool outOfStep(double delay, double sourceDelay);

private:
    // Why the output's streams play shorter than asked; empty when they do not.
    static QString lengthShortfall(const Task &task, const QString &path, int *unchecked);
};
