#include "engines/outputmeter.h"
#include "engines/engineslogging.h"

#include "engines/engineobjects.h"
#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "engines/ffprobereport.h"
#include "engines/fileargument.h"
#include "engines/interfaceffprobe.h"
#include "engines/syncrunner.h"

#include <QDebug>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {
// Seconds read after the point a quick look seeks to: more than a key-frame interval, so a
// seek that lands on the key frame before that point still reads past it.
constexpr double QuickLookSeconds = 12.0;
// A whole read of a long film from a slow disk takes a while; one that takes longer than
// this tells nothing.
constexpr int WholeReadTimeout = 60000;
// How much of a copied sound is decoded to tell whether it plays.
constexpr int DecodedSeconds = 60;

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

bool OutputMeter::decodesSound(const QString &path)
{
    FFmpeg *ffmpeg = EngineObjects::ffmpeg();
    if (!ffmpeg || ffmpeg->state() != IProcessor::Ready)
        return true;
    // A stream the container cannot hold fails at once: FFmpeg knows no decoder for it, or
    // its decoder finds no frame ("Error while decoding stream #0:0: Invalid data found
    // when processing input", then no rate to filter at). A frame damaged here and there is
    // decoded past, and ends well. The first minute tells, as a whole film's sound would
    // take seconds. A file without sound maps nothing and ends well.
    const QStringList arguments{QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                                QStringLiteral("-i"), fileArgument(path), QStringLiteral("-map"),
                                QStringLiteral("0:a:0?"), QStringLiteral("-t"), QString::number(DecodedSeconds),
                                QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")};
    SyncRunner::Timeouts timeouts;
    timeouts.finish = WholeReadTimeout;
    const SyncRunner::Result result = SyncRunner::run(ffmpeg->binary(), arguments, ffmpeg->libraryPath(),
                                                      timeouts, "Transcoder");
    if (!result.started || result.killed)
        return true;
    qCDebug(lcEngines).noquote() << "OutputMeter: decoding the sound of" << path << "ended with"
                                 << result.exitCode << result.stdErr;
    return result.exitCode == 0;
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
        return InterfaceFFprobe::clockSeconds(valueOf(block, QStringLiteral("TAG:DURATION")));
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

namespace {
// The packets decoded at a stream's start: enough for a decoder that gives its first frame
// late (WMA after two packets, H.264 after its reordering delay).
constexpr int StartPackets = 8;

double streamStart(FFprobe *ffprobe, const QString &path, const QString &stream)
{
    const QStringList arguments{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                                stream, QStringLiteral("-read_intervals"), QStringLiteral("%+#%1").arg(StartPackets),
                                QStringLiteral("-show_entries"), QStringLiteral("frame=best_effort_timestamp_time"),
                                QStringLiteral("-of"), QStringLiteral("csv=p=0"), fileArgument(path)};
    QString answer, log, error;
    if (!ffprobe->runProcess(arguments, answer, log, error))
        return std::numeric_limits<double>::quiet_NaN();
    return OutputMeter::firstFrameTime(answer);
}
} // namespace

OutputCheck::Starts OutputMeter::starts(const QString &path, int track)
{
    OutputCheck::Starts starts;
    FFprobe *ffprobe = EngineObjects::ffprobe();
    // AVI's streams all start at 0, whatever an encoder laid out before a late sound.
    if (!ffprobe || ffprobe->state() != IProcessor::Ready
        || QFileInfo(path).suffix().compare(QLatin1String("avi"), Qt::CaseInsensitive) == 0)
        return starts;
    starts.video = streamStart(ffprobe, path, QStringLiteral("V:0"));
    if (!std::isnan(starts.video))
        starts.audio = streamStart(ffprobe, path, QStringLiteral("a:%1").arg(track));
    qCDebug(lcEngines).noquote() << "OutputMeter:" << path << "picture starts" << starts.video << "sound"
                                 << track << starts.audio;
    return starts;
}

double OutputMeter::firstFrameTime(const QString &answer)
{
    double first = std::numeric_limits<double>::quiet_NaN();
    for (const QString &line : answer.split(QLatin1Char('\n'))) {
        bool ok = false;
        const double time = line.section(QLatin1Char(','), 0, 0).trimmed().toDouble(&ok);
        if (ok && (std::isnan(first) || time < first))
            first = time;
    }
    return first;
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
