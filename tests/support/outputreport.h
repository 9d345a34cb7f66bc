#pragma once

#include <QByteArray>
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
    int sampleRate = 0;        // of the first audio stream
    int channels = 0;
    // With the spans: gaps of more than one and a half frames between the first video
    // stream's pictures, and packets whose decoding time does not advance in their stream.
    int videoHoles = 0;
    int backwardSteps = 0;
};
// The ffprobe arguments of the report (without decoding the frames, the count stays -1) and
// the reading of ffprobe's answer to them.
QStringList probeArguments(const QString &path, bool withSpans, bool countFrames = true);
OutputReport readProbeReport(const QString &answer);
OutputReport probeOutput(const QString &path, bool withSpans = true);

// What a player finds decoding the whole file, from one ffmpeg run: the decoders' complaints
// (`ffmpeg -v error -i OUT -f null -` prints nothing for a clean file), its streams, the
// first video stream's shape, its pictures as a player times them and the part of the frame
// that is not black bars, and the first audio stream's rate, channels, length and tone.
struct DecodeReport
{
    QString errors;
    QStringList streams;     // "codec,type" in file order
    QSize videoSize;
    double displayAspect = 0;
    QSize picture;           // inside any black bars
    int pictures = 0;        // decoded pictures
    double step = 0;         // their usual distance in seconds
    int holes = 0;           // distances of more than one and a half steps
    double videoSeconds = 0; // from the first picture's start to the last one's end
    int sampleRate = 0, channels = 0;
    double audioSeconds = 0;
    double toneHz = 0;
};
// The run, with the files it writes beside `files` (a path without suffix); the streams
// asked for must be in the file.
QStringList decodeArguments(const QString &path, const QString &files, bool video, bool audio);
DecodeReport readDecodeReport(const QByteArray &log, const QString &files);
// The mean level in dB of a file's sound through one audio filter: a tone above a high-pass
// corner keeps its level, one below it loses most of it (0 when ffmpeg reports none).
double meanVolume(const QString &path, const QString &filter);
// The brightest luma level (0 to 255) of the first picture shown at or after `seconds`, -1
// when there is none: a bright subtitle over a dark picture shows in it.
int brightestLevel(const QString &path, double seconds);
