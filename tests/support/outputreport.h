#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPair>
#include <QtNumeric>
#include <QRect>
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
    QString pixelFormat;     // its pictures' format as FFmpeg names it ("yuv420p")
    QString colour;          // what the stream says of it: "tv, bt709, progressive"
    QSize picture;           // inside any black bars, over all pictures
    int pictures = 0;        // decoded pictures
    int repeats = 0;         // pictures hardly different from the one shown before them
    double step = 0;         // their usual distance in seconds
    double frameRate = 0;    // their mean rate from the first to the last
    double codedRate = 0;    // the rate the stream's own headers name (FFmpeg's "fps"), 0 unnamed
    int holes = 0;           // distances of more than one and a half steps
    double videoSeconds = 0; // from the first picture's start to the last one's end
    int sampleRate = 0, channels = 0;
    double audioSeconds = 0;
    // When the first picture and the first sound are shown, on the file's clock: a player
    // keeps them as far apart as they are here.
    double videoStart = 0, audioStart = 0;
    // When the sound is first heard: silence that a container which stores no start time
    // puts before a later sound (AVI's) keeps it in step, as a player plays that silence.
    double audibleStart = 0;
    // How long the first picture is shown beyond its own step, repeated (an encoder at a
    // constant rate fills the time before a source's late picture with it).
    double held = 0;
    double toneHz = 0;
    // Each picture as shown: its time, its part inside black bars (empty when all is black),
    // its brightest pixel (limited-range luma) and its mean saturation inside the bars (with
    // the peaks only).
    struct Picture
    {
        double time = 0;
        QRect box;
        int peak = 0;
        double saturation = 0;
    };
    QList<Picture> frames;
    // A picture as shown (the first at 0.4 s or later), inside any black bars: the mean level
    // of each cell of a grid laid over it; empty without a picture.
    QList<int> look;
    // Pictures FFmpeg's idet filter finds interlaced (judging each by its neighbours), and
    // the field order the file flags: "tt", "bb", or empty for progressive or unknown.
    int interlaced = 0;
    QString fieldOrder;
};
// The run, with the files it writes beside `files` (a path without suffix); the streams
// asked for must be in the file; the pictures' peaks only when asked for.
QStringList decodeArguments(const QString &path, const QString &files, bool video, bool audio, bool peaks = false);
// One output of a run that decodes several.
struct DecodeInput
{
    QString path, files;
    bool video = false, audio = false, peaks = false;
};
// One run for several outputs, each as its own run decodes it (and every other picture and
// sound stream), their files beside each one's `files`.
QStringList decodeArguments(const QList<DecodeInput> &inputs);
// The report of the run's `input`-th input (the first of its -i), of its log and its files.
DecodeReport readDecodeReport(const QByteArray &log, const QString &files, int input = 0);
// Every output decoded, a few to a run, the runs side by side on the cores; each report is
// the one its own run would give: the outputs of a run that tells of any fault are decoded
// again one by one.
QList<DecodeReport> decodeAll(const QList<DecodeInput> &inputs);
// How much later a file's sound track `track` (among its sound tracks) starts than its
// first picture, as a player shows them: decoded, so that a decoder's first frames that are
// no sound (WMA's) do not count; 0 when the file lacks either.
double soundDelay(const QString &path, int track);
// The part of the frame inside black bars in any picture not shown from `from` to `to`.
QRect activePicture(const QList<DecodeReport::Picture> &frames, double from = qInf(), double to = qInf());
// The size inside black bars of the pictures shown from `from` to `to` seconds after the first.
QSize picturesShown(const QList<DecodeReport::Picture> &frames, double from, double to);
// A source's picture as a player shows it (turned by its rotation flag), once per file: the
// look of the picture compared, the field order it flags, and, where it is interlaced, the least of
// its pictures' brightest levels with the fields made into whole pictures.
struct SourcePicture
{
    QList<int> look;
    QString fieldOrder;
    int lines = 0;
    bool moving = false; // its fields show different times
    int leastPeak = 0;
    // Where its transfer is PQ or HLG, its colours' mean saturation as FFmpeg's tone mapping
    // shows them in BT.709 (0 otherwise).
    double saturation = 0;
};
// `shotOrder` is the field order the source was shot in ("tt", "bb"), where its stream names
// none (a DV camcorder's AVI): its pictures are judged for fields as a flagged source's.
SourcePicture sourcePicture(const QString &path, const QString &shotOrder = QString());
// The look of a whole picture (a screenshot of a player), and how a picture of look `shown`
// is turned from the source's: "upright", "turned 90 degrees clockwise", "mirrored", ...
// (empty when either is unknown).
QList<int> pictureLook(const QImage &image);
QString turnOf(const QList<int> &source, const QList<int> &shown);
// The mean level in dB of a file's sound through one audio filter: a tone above a high-pass
// corner keeps its level, one below it loses most of it (0 when ffmpeg reports none).
double meanVolume(const QString &path, const QString &filter);

// What a player must find again in an output made from a source: the streams asked for,
// the source's picture (shape, rate, length, subtitle) and the chosen sound (length, rate,
// channels, tone), or what the target makes of them.
struct PlayerExpectation
{
    QString video;                // codec as FFmpeg names it; empty: no video stream
    QStringList audio;            // codec names taken for the sound; empty: no audio stream
    double aspect = 0;            // the source's display shape
    double frameRate = 0;         // the source's
    QList<double> ownRates;       // rates the target itself holds to (a TV standard's)
    double pictureSeconds = 0, soundSeconds = 0; // the source's
    int sampleRate = 0;
    int channels = 0;             // at most these
    bool exactChannels = false;   // a copy: exactly these
    double tone = 0;              // Hz of the chosen track
    QString pixelFormat;          // the pictures' format the target's players take; empty: any
    double subtitleFrom = 0, subtitleTo = 0; // when the chosen subtitle shows; 0 and 0: none
    bool subtitleHidden = false;  // the subtitle of that time is not chosen: it must not show
    QList<int> look;              // the source's picture as shown; empty: not compared
    // An interlaced source's field order and the least brightest level of its pictures made
    // whole (0: not judged): an output's pictures made of both fields blended fall short of it.
    QString fieldOrder;
    int lines = 0;        // of its stored picture
    bool moving = false;  // its fields show different times
    int leastPeak = 0;
    // The saturation its colours shown in BT.709 have (0: not judged): an HDR picture shown
    // as if it were BT.709 has far less, and its file must not say BT.2020, PQ or HLG of
    // pictures that are not.
    double saturation = 0;
    // The shape shown at times after the picture's start, where the source's changes.
    QList<QPair<double, double>> shapes;

    // The look, the fields and the colours of the source's picture, as sourcePicture measured them.
    void showing(const SourcePicture &shown);
    double soundDelay = 0;        // how much later the source's sound starts than its picture
    int missingPictures = 0;      // what the source lacks of its rate's pictures (a variable rate)
    double pictureTail = 0;       // how much earlier than the source's the picture may end
};
// The first way the output fails the expectation, or "ok".
QString playerFault(const PlayerExpectation &expected, const DecodeReport &file);
// The brightest luma level (0 to 255) of the first picture shown at or after `seconds`, -1
// when there is none: a bright subtitle over a dark picture shows in it.
int brightestLevel(const QString &path, double seconds);
