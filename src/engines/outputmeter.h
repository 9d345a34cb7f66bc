#pragma once

#include "jobs/outputcheck.h"

#include <QList>
#include <QString>

struct FFprobePacket;

// Measures how long the picture and the sound of a finished output really play, for the job
// engine's end check (OutputCheck), with the registered FFprobe and FFmpeg. A container's
// header may claim a length its data never reaches (MEncoder rewrites an AVI's header at
// the start of the file, so one cut short by a full disk still claims the whole length), and
// one stream may stop long before the other: only the packets of each stream read from the
// file count.
class OutputMeter
{
public:
    // Seconds of picture and of sound in the file, each at least `expected` once its packets
    // are seen that far in (`expected` 0: each measured whole); negative for a stream the
    // file lacks or the engines cannot read.
    static OutputCheck::Lengths measure(const QString &path, double expected);

    // Whether FFmpeg decodes the file's first sound through its first minute: true for a
    // file without sound, and when FFmpeg is not ready or takes too long to tell.
    static bool decodesSound(const QString &path);

    // A source's lengths as its container gives them, read by the registered FFprobe: the
    // first picture that is not an attached one, the first sound, the container; whether the
    // container only estimates its length from its bit rate.
    static OutputCheck::SourceLengths sourceLengths(const QString &path);
    // The same from FFprobe's answer in its escaped form and its log.
    static OutputCheck::SourceLengths readSourceLengths(const QString &answer, const QString &log);

    // Where a file's first picture that is not an attached one and its sound `track` start,
    // read by the registered FFprobe as a player decodes them (a decoder may give no sound
    // for the first packets: WMA's first frame comes 0.09 s after its container's start);
    // NaN for a stream it lacks, and for both in an AVI, which stores no start times.
    static OutputCheck::Starts starts(const QString &path, int track);
    // The start of the frames of FFprobe's answer ("-show_entries
    // frame=best_effort_timestamp_time -of csv=p=0", a frame's side data after a comma): the
    // earliest; NaN without one.
    static double firstFrameTime(const QString &answer);

    // How far the packets reach from the earliest one (its time to the latest end).
    static double packetSpan(const QList<FFprobePacket> &packets);
    // The time FFmpeg's last progress report ("-progress") gives, in seconds; negative
    // without one.
    static double reportedTime(const QString &progress);
};
