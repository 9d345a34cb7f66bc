#include "engines/outputmeter.h"
#include "engines/engineslogging.h"

#include "engines/engineobjects.h"
#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "engines/ffprobereport.h"
#include "engines/fileargument.h"
#include "engines/syncrunner.h"

#include <QDebug>
#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace {
// Seconds read after the point a quick look seeks to: more than a key-frame interval, so a
// seek that lands on the key frame before that point still reads past it.
constexpr double QuickLookSeconds = 12.0;
// A whole read of a long film from a slow disk takes a while; one that takes longer than
// this tells nothing.
constexpr int WholeReadTimeout = 60000;

// The streams measured apart, as FFprobe selects them and FFmpeg maps them: the first
// picture that is not an attached one (a cover is a single picture, not video), the first
// sound.
struct MeasuredStream
{
    const char *specifier;
    double OutputCheck::Lengths::*length;
};
const MeasuredStream kMeasuredStreams[] = {
    {"V:0", &OutputCheck::Lengths::video},
    {"a:0", &OutputCheck::Lengths::audio},
};

// The registered engine, asked again when its start failed: a start query that outlived its
// time on a busy or cold machine would otherwise leave every later output unmeasured.
template <class Engine>
Engine *readyEngine(Engine *engine)
{
    return engine && engine->startAgain() ? engine : nullptr;
}

enum class QuickLook { Failed, NoStream, Reaches, Short };

// Whether one stream's packets reach `seconds` into the file: its first packet, then those
// after a seek to that point. Cheap where the container has an index; where it has none, or
// the stream ends early, the packets found do not reach and the stream is read whole.
QuickLook quickLook(FFprobe *ffprobe, const QString &path, const char *stream, double seconds)
{
    QList<FFprobePacket> packets;
    // The seek is relative to the first packet: a program stream's times start anywhere.
    QString intervals = QStringLiteral("%+#1");
    if (seconds > 0.0)
        intervals += QStringLiteral(",+%1%+%2").arg(seconds, 0, 'f', 3).arg(QuickLookSeconds);
    if (!ffprobe || !ffprobe->readPackets(packets, path, QLatin1String(stream), intervals, false))
        return QuickLook::Failed;
    if (packets.isEmpty())
        return QuickLook::NoStream;
    return seconds > 0.0 && OutputMeter::packetSpan(packets) >= seconds ? QuickLook::Reaches
                                                                         : QuickLook::Short;
}

// Every packet of the mapped streams copied to nowhere: FFmpeg's report tells how far they go.
double wholeRead(FFmpeg *ffmpeg, const QString &path, const QStringList &maps)
{
    if (!ffmpeg)
        return -1.0;
    QStringList arguments{QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                          QStringLiteral("-i"), fileArgument(path)};
    for (const QString &map : maps)
        arguments << QStringLiteral("-map") << map;
    arguments << QStringLiteral("-c") << QStringLiteral("copy") << QStringLiteral("-f")
              << QStringLiteral("null") << QStringLiteral("-nostats") << QStringLiteral("-progress")
              << QStringLiteral("pipe:1") << QStringLiteral("-");
    SyncRunner::Timeouts timeouts;
    timeouts.finish = WholeReadTimeout;
    const SyncRunner::Result result = SyncRunner::run(ffmpeg->binary(), arguments, ffmpeg->libraryPath(),
                                                      timeouts, "Transcoder");
    if (!result.started || result.killed)
        return -1.0;
    const double reported = OutputMeter::reportedTime(result.stdOut);
    // FFmpeg names the input it could not open ("./out.mp4: Invalid data found when
    // processing input", an MP4 whose index was never written): a file no player opens
    // plays for no time. Anything else that copied nothing tells nothing.
    if (reported < 0.0 && result.stdErr.contains(fileArgument(path) + QLatin1String(": ")))
        return 0.0;
    return reported;
}
} // namespace

OutputCheck::Lengths OutputMeter::measure(const QString &path, double expected)
{
    // The least length that does not fall short (see OutputCheck::fallsShort).
    const double enough = std::min(expected * 0.9, expected - 1.0);
    FFprobe *ffprobe = readyEngine(EngineObjects::ffprobe());
    // FFmpeg only once a stream has to be read whole.
    std::optional<FFmpeg *> ffmpeg;
    const auto reader = [&ffmpeg] { return ffmpeg ? *ffmpeg : *(ffmpeg = readyEngine(EngineObjects::ffmpeg())); };
    OutputCheck::Lengths lengths;
    bool found = false;
    for (const MeasuredStream &stream : kMeasuredStreams) {
        const QuickLook look = quickLook(ffprobe, path, stream.specifier, enough);
        if (look == QuickLook::Reaches)
            lengths.*stream.length = expected;
        else if (look == QuickLook::Short)
            lengths.*stream.length = wholeRead(reader(), path, {QStringLiteral("0:") + QLatin1String(stream.specifier)});
        found = found || look == QuickLook::Reaches || look == QuickLook::Short;
    }
    // No picture or sound found by stream (a file no engine opens): FFmpeg tells how far the
    // file plays, if at all.
    if (!found)
        lengths.whole = wholeRead(reader(), path, {QStringLiteral("0:v?"), QStringLiteral("0:a?")});
    qCDebug(lcEngines).noquote() << "OutputMeter:" << path << "picture" << lengths.video << "sound"
                                 << lengths.audio << "whole" << lengths.whole;
    return lengths;
}

OutputCheck::SourceLengths OutputMeter::sourceLengths(const QString &path)
{
    FFprobe *ffprobe = readyEngine(EngineObjects::ffprobe());
    if (!ffprobe)
        return {};
    // A run of its own: the FFprobe object's loaded file stays as it is.
    QString answer, log, error;
    const QStringList arguments = QStringList{QStringLiteral("-show_format"), QStringLiteral("-show_streams")}
                                  << FFprobeReport::outputOptions() << fileArgument(path);
    if (!ffprobe->runProcess(arguments, answer, log, error))
        return {};
    return readSourceLengths(answer, log);
}

OutputCheck::SourceLengths OutputMeter::readSourceLengths(const QString &answer, const QString &log)
{
    OutputCheck::SourceLengths lengths;
    FFprobeReport report;
    if (!report.read(answer))
        return lengths;
    const auto valueOf = [](const FFprobeReport::Block &block, const QString &key) {
        for (const FFprobeReport::Field &field : block)
            if (field.first == key)
                return field.second;
        return QString();
    };
    // "12.5"; Matroska gives its streams' lengths only as tags ("00:00:02.040000000").
    const auto secondsOf = [&valueOf](const FFprobeReport::Block &block) {
        bool ok = false;
        const double seconds = valueOf(block, QStringLiteral("duration")).toDouble(&ok);
        if (ok && seconds >= 0.0)
            return seconds;
        static const QRegularExpression clock(QStringLiteral("^(\\d+):(\\d\\d):(\\d\\d(?:\\.\\d+)?)$"));
        const QRegularExpressionMatch time = clock.match(valueOf(block, QStringLiteral("TAG:DURATION")));
        if (!time.hasMatch())
            return -1.0;
        return time.captured(1).toDouble() * 3600.0 + time.captured(2).toDouble() * 60.0
               + time.captured(3).toDouble();
    };
    OutputCheck::Lengths &declared = lengths.declared;
    declared.whole = secondsOf(report.format);
    for (const FFprobeReport::Block &stream : std::as_const(report.streams)) {
        const QString type = valueOf(stream, QStringLiteral("codec_type"));
        double *length = nullptr;
        if (type == QLatin1String("audio"))
            length = &declared.audio;
        else if (type == QLatin1String("video") && valueOf(stream, QStringLiteral("DISPOSITION:attached_pic")) != QLatin1String("1"))
            length = &declared.video;
        if (!length || *length >= 0.0)
            continue;
        const double seconds = secondsOf(stream);
        *length = seconds >= 0.0 ? seconds : std::max(declared.whole, 0.0);
    }
    // libavformat's word for a length it made up from the bit rate (no header gives one).
    lengths.estimated = log.contains(QLatin1String("Estimating duration from bitrate"));
    return lengths;
}

double OutputMeter::packetSpan(const QList<FFprobePacket> &packets)
{
    if (packets.isEmpty())
        return 0.0;
    double first = packets.first().time;
    double last = first;
    for (const FFprobePacket &packet : packets) {
        first = std::min(first, packet.time);
        last = std::max(last, packet.time + packet.duration);
    }
    return last - first;
}

double OutputMeter::reportedTime(const QString &progress)
{
    // "out_time_us=2951837" once per report, the last one after "progress=end"; "N/A" before
    // anything was copied.
    static const QRegularExpression outTime(QStringLiteral("^out_time_us=(\\d+)\\s*$"),
                                            QRegularExpression::MultilineOption);
    double seconds = -1.0;
    QRegularExpressionMatchIterator reports = outTime.globalMatch(progress);
    while (reports.hasNext())
        seconds = reports.next().captured(1).toDouble() / 1000000.0;
    return seconds;
}
