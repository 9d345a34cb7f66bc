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
#include <QHash>
#include <QRegularExpression>

#include <functional>
#include <memory>
#include <utility>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {
// Seconds read after the point a quick look seeks to: more than a key-frame interval, so a
// seek that lands on the key frame before that point still reads past it.
constexpr double QuickLookSeconds = 12.0;
// How long a meter's engine may go without moving on before it counts as stuck. No wall time
// bounds a meter: on a busy machine, or from a slow disk, a long read goes on as long as its
// engine makes progress.
constexpr int DefaultPatience = 30000;
int s_patience = DefaultPatience;
// How much of a copied sound is decoded to tell whether it plays.
constexpr int DecodedSeconds = 60;

// The time a meter takes: the window goes on answering while its engines run (they may run
// long on a busy machine), and a close, which stops the checks, stops them.
struct MeterScope
{
    const SyncRunner::LoadScope answering;
    const IProcessor::RunStop stopping{OutputCheck::stopFlag()};
};

// One run of a meter's engine, bounded by lack of progress: any line it prints moves it on,
// or only those `progressed` accepts. None while the checks are stopped.
SyncRunner::Result meterRun(const IProcessor *engine, const QStringList &arguments, const char *classWord,
                            std::function<bool(const QString &)> progressed = {},
                            qint64 outputLimit = SyncRunner::OutputLimit)
{
    if (*OutputCheck::stopFlag())
        return {};
    SyncRunner::Timeouts timeouts;
    timeouts.stop = OutputCheck::stopFlag();
    timeouts.start = std::max(engine->startTimeout(), s_patience);
    timeouts.finish = std::numeric_limits<int>::max();
    timeouts.kill = engine->killTimeout();
    timeouts.stall = s_patience;
    timeouts.progressed = std::move(progressed);
    return SyncRunner::run(engine->binary(), arguments, engine->libraryPath(), timeouts, classWord,
                           outputLimit);
}

// A run that tells nothing of the file: it did not start, or was stopped (stuck, or by a
// signal from outside: a user's kill, the system short of memory).
bool cutShort(const SyncRunner::Result &result)
{
    return !result.started || result.killed || result.crashed;
}

// FFmpeg moves on when its "-progress" report gives a time it had not reached (it repeats
// the same report while it waits for a disk).
std::function<bool(const QString &)> timeMovesOn()
{
    auto last = std::make_shared<QString>();
    return [last](const QString &line) {
        if (!line.startsWith(QLatin1String("out_time_us=")) || line == *last)
            return false;
        *last = line;
        return true;
    };
}

// FFmpeg's arguments that make it report how far it went, for timeMovesOn().
const QStringList kProgressReport{QStringLiteral("-nostats"), QStringLiteral("-progress"), QStringLiteral("pipe:1")};

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
// time on a busy or cold machine would otherwise leave every later output unmeasured. Asked
// once per output judged: the meters of one output do not each wait for it again.
template <class Engine>
Engine *readyEngine(Engine *engine)
{
    static QHash<const IProcessor *, quint64> refused; // the judgement in which it failed again
    if (!engine || *OutputCheck::stopFlag())
        return nullptr;
    if (engine->state() == IProcessor::Ready)
        return engine;
    const quint64 judgement = OutputCheck::judgement();
    const auto failed = refused.constFind(engine);
    if (failed != refused.cend() && *failed == judgement)
        return nullptr;
    if (engine->startAgain()) {
        refused.remove(engine);
        return engine;
    }
    refused.insert(engine, judgement);
    return nullptr;
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
    arguments << QStringLiteral("-c") << QStringLiteral("copy") << QStringLiteral("-f") << QStringLiteral("null")
              << kProgressReport << QStringLiteral("-");
    const SyncRunner::Result result = meterRun(ffmpeg, arguments, "Transcoder", timeMovesOn());
    if (cutShort(result))
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
    const MeterScope scope;
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

OutputCheck::Decoding OutputMeter::decodesSound(const QString &path)
{
    const MeterScope scope;
    FFmpeg *ffmpeg = readyEngine(EngineObjects::ffmpeg());
    if (!ffmpeg)
        return OutputCheck::Decoding::Unknown;
    // A stream the container cannot hold fails at once: FFmpeg knows no decoder for it, or
    // its decoder finds no frame ("Error while decoding stream #0:0: Invalid data found
    // when processing input", then no rate to filter at). A frame damaged here and there is
    // decoded past, and ends well. The first minute tells, as a whole film's sound would
    // take seconds. A file without sound maps nothing and ends well.
    const QStringList arguments = QStringList{QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                                              QStringLiteral("-i"), fileArgument(path), QStringLiteral("-map"),
                                              QStringLiteral("0:a:0?"), QStringLiteral("-t"),
                                              QString::number(DecodedSeconds), QStringLiteral("-f"), QStringLiteral("null")}
                                  + kProgressReport + QStringList{QStringLiteral("-")};
    const SyncRunner::Result result = meterRun(ffmpeg, arguments, "Transcoder", timeMovesOn());
    qCDebug(lcEngines).noquote() << "OutputMeter: decoding the sound of" << path << "ended with"
                                 << result.exitCode << result.stdErr;
    if (cutShort(result))
        return OutputCheck::Decoding::Unknown;
    if (result.exitCode == 0)
        return OutputCheck::Decoding::Decodes;
    // A decoder that fails says why; FFmpeg ended from outside (SIGTERM, SIGINT) exits with
    // 255 and, at this log level, without a word.
    return result.stdErr.trimmed().isEmpty() ? OutputCheck::Decoding::Unknown : OutputCheck::Decoding::Fails;
}

int OutputMeter::setPatience(int milliseconds)
{
    return std::exchange(s_patience, milliseconds > 0 ? milliseconds : DefaultPatience);
}

OutputCheck::SourceLengths OutputMeter::sourceLengths(const QString &path)
{
    const MeterScope scope;
    FFprobe *ffprobe = readyEngine(EngineObjects::ffprobe());
    if (!ffprobe)
        return {};
    // A run of its own: the FFprobe object's loaded file stays as it is.
    QString answer, log, error;
    const QStringList arguments = QStringList{QStringLiteral("-show_format"), QStringLiteral("-show_streams")}
                                  << FFprobeReport::outputOptions() << fileArgument(path);
    if (!ffprobe->runProcess(arguments, answer, log, error))
        return {};
    QStringList undeclared;
    OutputCheck::SourceLengths lengths = readSourceLengths(answer, log, &undeclared);
    // A stream that declares no length (RealAudio as FFmpeg writes it says 0 s, and so does
    // its container when it holds nothing else) is as long as its packets.
    for (const MeasuredStream &stream : kMeasuredStreams) {
        if (!undeclared.contains(QLatin1String(stream.specifier)))
            continue;
        const double measured = packetLength(ffprobe, path, QLatin1String(stream.specifier));
        if (measured > 0.0)
            lengths.declared.*stream.length = measured;
    }
    return lengths;
}

double OutputMeter::packetLength(FFprobe *ffprobe, const QString &path, const QString &stream)
{
    const QStringList arguments{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                                stream, QStringLiteral("-show_entries"), QStringLiteral("packet=pts_time,duration_time"),
                                fileArgument(path)};
    const SyncRunner::Result result = meterRun(ffprobe, arguments, "Analyzer", {}, SyncRunner::ListingLimit);
    if (cutShort(result) || result.exitCode != 0)
        return -1.0;
    return playedLength(FFprobe::parsePackets(result.stdOut));
}

double OutputMeter::playedLength(const QList<FFprobePacket> &packets)
{
    // RealAudio's packets come without times of their own (each at 0): their lengths add up.
    double total = 0.0;
    for (const FFprobePacket &packet : packets)
        total += std::max(packet.duration, 0.0);
    return std::max(total, packetSpan(packets));
}

OutputCheck::SourceLengths OutputMeter::readSourceLengths(const QString &answer, const QString &log,
                                                          QStringList *undeclared)
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
        const char *specifier = nullptr;
        if (type == QLatin1String("audio")) {
            length = &declared.audio;
            specifier = "a:0";
        } else if (type == QLatin1String("video")
                   && valueOf(stream, QStringLiteral("DISPOSITION:attached_pic")) != QLatin1String("1")) {
            length = &declared.video;
            specifier = "V:0";
        }
        if (!length || *length >= 0.0)
            continue;
        const double seconds = secondsOf(stream);
        // A stream whose length is not given lasts as long as the container, if that says.
        *length = seconds > 0.0 ? seconds : std::max(declared.whole, 0.0);
        (length == &declared.video ? lengths.videoOwnLength : lengths.audioOwnLength) = seconds > 0.0;
        if (seconds <= 0.0 && undeclared)
            *undeclared << QLatin1String(specifier);
    }
    // libavformat's word for a length it made up from the bit rate (no header gives one).
    lengths.estimated = log.contains(QLatin1String("Estimating duration from bitrate"));
    return lengths;
}

namespace {
// The largest mean packet of B-pictures coded as nothing (every block skipped: shown as the
// pictures around them): a slice's header and a run of skipped blocks, x264's 11 to 17 bytes.
constexpr double kUncodedPicture = 24.0;
// How much larger B-pictures that code a change are than those: x264 at 64 kbit/s codes
// the copies of a held picture it sharpens in 1.3 times as many bytes, the first that move
// in 1.8 times and more.
constexpr double kChangeCoded = 1.6;

// The packets read at a stream's start: enough for a decoder that gives its first frame
// late (WMA after two packets, H.264 after its reordering delay) ...
constexpr int StartPackets = 8;
// ... read again this many times more while none gave a frame, up to the most below.
constexpr int StartPacketGrowth = 8;
constexpr int MostStartPackets = 4096;

// Where a player starts a stream, read by `ffprobe`: its earliest frame. A player decodes
// the packets an edit list discards (an MP4 trimmed by a stream copy between key frames
// starts with them, flagged "D", from 1.3 s before the edit) for the pictures after them,
// but shows none of them: the decoder gives no frame for them. Nor does it for the pictures
// of a recording cut mid-group before its first key frame. Where the first packets gave no
// frame, more are read. Empty when no engine read it.
std::optional<double> streamStart(FFprobe *ffprobe, const QString &path, const QString &stream)
{
    for (int packets = StartPackets;; packets *= StartPacketGrowth) {
        const QStringList arguments{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                                    stream, QStringLiteral("-read_intervals"), QStringLiteral("%+#%1").arg(packets),
                                    QStringLiteral("-show_entries"),
                                    QStringLiteral("packet=flags:frame=best_effort_timestamp_time"),
                                    QStringLiteral("-of"), QStringLiteral("csv"), fileArgument(path)};
        const SyncRunner::Result result = meterRun(ffprobe, arguments, "Analyzer");
        if (cutShort(result))
            return std::nullopt;
        const OutputMeter::StartRead read = OutputMeter::readStart(result.stdOut);
        if (!std::isnan(read.start) || read.packets < packets || packets >= MostStartPackets)
            return read.start;
    }
}

// FFprobe's name of the codec of a file's first sound; empty when no engine read it.
QString soundCodec(FFprobe *ffprobe, const QString &path)
{
    const SyncRunner::Result result = meterRun(
        ffprobe, {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"), QStringLiteral("a:0"),
                  QStringLiteral("-show_entries"), QStringLiteral("stream=codec_name"), QStringLiteral("-of"),
                  QStringLiteral("csv=p=0"), fileArgument(path)},
        "Analyzer");
    return cutShort(result) ? QString() : result.stdOut.trimmed();
}
} // namespace

OutputCheck::Starts OutputMeter::starts(const QString &path, int track)
{
    const MeterScope scope;
    OutputCheck::Starts starts;
    // AVI's streams all start at 0, whatever an encoder laid out before a late sound; so
    // does FLAC in Ogg, whose muxer numbers its samples from 0.
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("avi"))
        return starts;
    FFprobe *ffprobe = readyEngine(EngineObjects::ffprobe());
    if (!ffprobe) {
        starts.read = false;
        return starts;
    }
    if (suffix == QLatin1String("ogg") && soundCodec(ffprobe, path) == QLatin1String("flac"))
        return starts;
    const std::optional<double> video = streamStart(ffprobe, path, QStringLiteral("V:0"));
    const std::optional<double> audio = video && !std::isnan(*video)
                                            ? streamStart(ffprobe, path, QStringLiteral("a:%1").arg(track))
                                            : std::optional<double>(starts.audio);
    starts.read = video && audio;
    starts.video = video.value_or(starts.video);
    starts.audio = audio.value_or(starts.audio);
    qCDebug(lcEngines).noquote() << "OutputMeter:" << path << "picture starts" << starts.video << "sound"
                                 << track << starts.audio << (starts.read ? "" : "(not read)");
    return starts;
}

double OutputMeter::heldPicture(const QString &path, double seconds)
{
    const MeterScope scope;
    FFmpeg *ffmpeg = readyEngine(EngineObjects::ffmpeg());
    if (!ffmpeg)
        return -1.0;
    // mpdecimate keeps a picture only where it differs from the last one kept: by twice its
    // own measure, as an encoder's copies of one picture sharpen over its first frames (x264
    // at a PSP's rate, with B-frames, differs so from its first copy).
    const QStringList arguments{QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                                QStringLiteral("-i"), fileArgument(path), QStringLiteral("-map"),
                                QStringLiteral("0:V:0"), QStringLiteral("-t"), QString::number(seconds),
                                QStringLiteral("-vf"), QStringLiteral("mpdecimate=hi=64*24:lo=64*12:frac=0.5"), QStringLiteral("-fps_mode"),
                                QStringLiteral("passthrough"), QStringLiteral("-f"), QStringLiteral("framecrc"),
                                QStringLiteral("-")};
    const SyncRunner::Result result = meterRun(ffmpeg, arguments, "Transcoder");
    if (cutShort(result))
        return -1.0;
    const double held = readHeld(result.stdOut);
    // At a low rate an encoder sharpens its copies of the held picture as much as the source
    // moves, but codes the B-pictures between them as nothing: those tell the hold instead,
    // and without them it is not known.
    FFprobe *ffprobe = readyEngine(EngineObjects::ffprobe());
    if (!ffprobe)
        return -1.0;
    const SyncRunner::Result frames = meterRun(
        ffprobe, {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"), QStringLiteral("V:0"),
                  QStringLiteral("-read_intervals"), QStringLiteral("%+%1").arg(seconds), QStringLiteral("-show_entries"),
                  QStringLiteral("frame=best_effort_timestamp_time,pkt_size,pict_type"), QStringLiteral("-of"),
                  QStringLiteral("csv"), fileArgument(path)},
        "Analyzer");
    return cutShort(frames) ? -1.0 : std::max(held, readUncodedHold(frames.stdOut));
}

double OutputMeter::readUncodedHold(const QString &listing)
{
    // "frame,0.040000,11,B" (time, packet size, type), "side_data," after some, a side
    // data's own lines between them; the pictures in the order shown.
    struct Picture
    {
        double time;
        int size;
        bool b;
    };
    QList<Picture> pictures;
    for (const QString &line : listing.split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char(','));
        bool timed = false, sized = false;
        const double time = fields.value(1).toDouble(&timed);
        const int size = fields.value(2).toInt(&sized);
        if (fields.size() >= 4 && fields[0] == QLatin1String("frame") && timed && sized)
            pictures.append({time, size, fields[3].trimmed() == QLatin1String("B")});
    }
    // The B-pictures between two others, each group by its mean size and its first time;
    // none between two others where the encoder found them not worth it, as it does where the
    // picture starts to move: taken for a change.
    QList<std::pair<double, double>> groups;
    for (qsizetype i = 1, from = 1; i <= pictures.size(); ++i) {
        if (i < pictures.size() && pictures[i].b)
            continue;
        double bytes = 0.0;
        for (qsizetype k = from; k < i; ++k)
            bytes += pictures[k].size;
        if (i > from)
            groups.append({bytes / double(i - from), pictures[from].time});
        else if (i < pictures.size())
            groups.append({std::numeric_limits<double>::infinity(), pictures[i].time});
        from = i + 1;
    }
    // The first picture's copies code nothing: held up to the first group that codes a
    // change (the copies a low rate refines code a few bytes more); not told where the
    // first B-pictures code something, or none do.
    if (groups.isEmpty() || groups.first().first > kUncodedPicture)
        return 0.0;
    for (const auto &[bytes, time] : std::as_const(groups)) {
        if (bytes > groups.first().first * kChangeCoded)
            return time - pictures[1].time;
    }
    return 0.0;
}

double OutputMeter::readHeld(const QString &listing)
{
    // "#tb 0: 1/25", then a picture a line: "0,          0,          0,        1,   622080, 0xf3b7126b"
    // (stream, decoding time, presentation time, duration, size, checksum) in that base.
    static const QRegularExpression base(QStringLiteral("^#tb 0: (\\d+)/(\\d+)\\s*$"),
                                         QRegularExpression::MultilineOption);
    const QRegularExpressionMatch tb = base.match(listing);
    const double unit = tb.hasMatch() && tb.captured(2).toDouble() > 0
                            ? tb.captured(1).toDouble() / tb.captured(2).toDouble() : 0.0;
    QList<QStringList> pictures;
    for (const QString &line : listing.split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char(','));
        if (!line.startsWith(QLatin1Char('#')) && fields.size() >= 6)
            pictures << fields;
        if (pictures.size() == 2)
            break;
    }
    if (unit <= 0.0 || pictures.size() < 2)
        return 0.0;
    const double held = (pictures[1][2].trimmed().toDouble() - pictures[0][2].trimmed().toDouble()
                         - pictures[0][3].trimmed().toDouble()) * unit;
    return std::max(held, 0.0);
}

OutputMeter::StartRead OutputMeter::readStart(const QString &answer)
{
    // "packet,K_" and "packet,_D" (key, discarded), "frame,1.440000" with its side data after
    // another comma; a line of a side data's own may follow.
    StartRead read;
    for (const QString &line : answer.split(QLatin1Char('\n'))) {
        const QString kind = line.section(QLatin1Char(','), 0, 0).trimmed();
        const QString value = line.section(QLatin1Char(','), 1, 1).trimmed();
        if (kind == QLatin1String("packet")) {
            ++read.packets;
            read.discarded += value.contains(QLatin1Char('D')) ? 1 : 0;
            continue;
        }
        bool ok = false;
        const double time = value.toDouble(&ok);
        if (kind == QLatin1String("frame") && ok && std::isfinite(time) && (std::isnan(read.start) || time < read.start))
            read.start = time;
    }
    return read;
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
