#pragma once

#include <QList>
#include <QString>

struct FFprobePacket;

// Measures how long a finished output really plays, for the job engine's end check
// (OutputCheck), with the registered FFprobe and FFmpeg. A container's header may claim a
// length its data never reaches (MEncoder rewrites an AVI's header at the start of the
// file, so one cut short by a full disk still claims the whole length): only packets read
// from the file count.
class OutputMeter
{
public:
    // Seconds of media in the file, or at least `expected` once packets are seen that far
    // in; negative when the engines are not ready or cannot read the file.
    static double measure(const QString &path, double expected);

    // How far the packets reach from the earliest one (its time to the latest end).
    static double packetSpan(const QList<FFprobePacket> &packets);
    // The time FFmpeg's last progress report ("-progress") gives, in seconds; negative
    // without one.
    static double reportedTime(const QString &progress);
};
