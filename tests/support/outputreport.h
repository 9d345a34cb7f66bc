#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

// What a player finds in an output, from one ffprobe run that decodes the video and, when
// the spans are asked for, reads every packet.
struct OutputReport
{
    QString format;            // ffprobe's format_name
    double duration = 0;       // of the format
    QStringList streams;       // "codec,type" in file order
    QSize videoSize;           // of the first video stream
    int videoFrames = -1;      // its decoded frames
    double displayAspect = 0;  // its display shape, width over height
    double videoSeconds = 0;   // span of the first video stream's packets
    double audioSeconds = 0;   // span of the first audio stream's packets
};
OutputReport probeOutput(const QString &path, bool withSpans = true);

// The mean level in dB of a file's sound through one audio filter: a tone above a high-pass
// corner keeps its level, one below it loses most of it (0 when ffmpeg reports none).
double meanVolume(const QString &path, const QString &filter);
