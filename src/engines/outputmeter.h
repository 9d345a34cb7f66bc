#pragma once

#include "jobs/outputcheck.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <limits>

class FFprobe;
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

    // Whether FFmpeg decodes the file's first sound through its first minute: Decodes for a
    // file without sound; Unknown when FFmpeg is not there, or was stopped (stuck, or killed
    // from outside) before it could tell.
    static OutputCheck::Decoding decodesSound(const QString &path);

    // How long a meter's engine may print nothing new (FFmpeg: reach no later time) before it
    // counts as stuck, in milliseconds; no meter is bounded by a wall time. Returns the one it
    // replaces; 0 or less sets the default (30 s).
    static int setPatience(int milliseconds);

    // A source's lengths as its container gives them, read by the registered FFprobe: the
    // first picture that is not an attached one, the first sound, the container; whether the
    // container only estimates its length from its bit rate.
    static OutputCheck::SourceLengths sourceLengths(const QString &path);
    // The same from FFprobe's answer in its escaped form and its log; `undeclared`, when
    // given, receives the specifiers ("V:0", "a:0") of the streams that declare no length
    // of their own (given the container's, if any).
    static OutputCheck::SourceLengths readSourceLengths(const QString &answer, const QString &log,
                                                        QStringList *undeclared = nullptr);

    // Where a file's first picture that is not an attached one and its sound `track` start,
    // read by the registered FFprobe as a player decodes them (a decoder may give no sound
    // for the first packets: WMA's first frame comes 0.09 s after its container's start;
    // nor a picture for packets an edit list discards); NaN for a stream it lacks, and for
    // both in an AVI, which stores no start times. Not read when FFprobe was not there or
    // was stopped.
    static OutputCheck::Starts starts(const QString &path, int track);
    // What FFprobe's answer ("-show_entries packet=flags:frame=best_effort_timestamp_time
    // -of csv") tells of a stream's start: its earliest frame (NaN without one), and how many
    // packets were listed, how many of them discarded.
    struct StartRead
    {
        double start = std::numeric_limits<double>::quiet_NaN();
        int packets = 0;
        int discarded = 0;
    };
    static StartRead readStart(const QString &answer);

    // How long a file's first picture is shown beyond its own time over its first `seconds`,
    // read by the registered FFmpeg (the pictures that differ from the one before, as a
    // viewer tells them apart: an encoder's copies are not bit for bit alike) or, the longer,
    // by FFprobe (the B-pictures coded as nothing between copies a low rate sharpens); 0
    // where it is not, negative where either engine was not there or was stopped.
    static double heldPicture(const QString &path, double seconds);
    // The same from FFmpeg's "framecrc" listing of the pictures that differ: the time from
    // the first to the second, less the first's own; 0 with fewer than two.
    static double readHeld(const QString &listing);
    // The same from FFprobe's listing of the first pictures' times, packet sizes and types
    // (csv), where the B-pictures between the first picture's copies code nothing: from the
    // second picture to the first B-pictures that code a change; 0 where the first ones
    // code something, or none do.
    static double readUncodedHold(const QString &listing);

    // How far the packets reach from the earliest one (its time to the latest end).
    static double packetSpan(const QList<FFprobePacket> &packets);
    // How long packets play: their span, or their lengths added up where they carry no
    // times of their own.
    static double playedLength(const QList<FFprobePacket> &packets);
    // The time FFmpeg's last progress report ("-progress") gives, in seconds; negative
    // without one.
    static double reportedTime(const QString &progress);

private:
    // How long a stream of the file plays by its packets, listed whole; negative when
    // FFprobe could not list them.
    static double packetLength(FFprobe *ffprobe, const QString &path, const QString &stream);
};
