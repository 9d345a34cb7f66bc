// Runs the encode command on the installed FFmpeg for every container and codec pair the
// builder offers once it has read the real engine, at each level, from a generated clip and
// from the title file of a generated DVD folder, and checks every output with ffprobe. The
// DVD title itself and every refused pair print their reason.

#include "ffmpegtestengine.h"
#include "mencodertestengine.h"
#include "testmedia.h"
#include "testregistry.h"

#include "builders/ffmpegencodecommand.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QThread>

namespace {

constexpr int kFrames = 25; // the frame limit of every run (a shorter one leaves no ALAC packet)
constexpr int User = EncoderProfile::LevelUser;
const int kLevels[] = {User, 1, 2, 3, EncoderProfile::LevelAudioCopy};

struct Pair
{
    QString container, video, audio, refusal; // refusal: why the builder does not offer it
};

struct Source
{
    const char *name;
    EncodingSource record;
};

struct Run
{
    Pair pair;
    const Source *source = nullptr;
    int level = User;
    QString program, log, outcome; // outcome: "ok" or the first fault
    QStringList arguments;          // the output file last
    int same = -1;                  // the run whose command this one repeats
};

// The extension the output is named with; FFmpeg chooses the muxer by it.
struct ContainerFile
{
    const char *container, *extension, *probedFormat;
};
const ContainerFile kContainerFiles[] = {
    {"3g2", "3g2", "mov,mp4"}, {"3gp", "3gp", "mov,mp4"},    {"avi", "avi", "avi"},
    {"flv", "flv", "flv"},     {"ipod", "m4v", "mov,mp4"},   {"matroska", "mkv", "matroska"},
    {"mov", "mov", "mov,mp4"}, {"mp4", "mp4", "mov,mp4"},    {"mpeg", "mpg", "mpeg"},
    {"mpeg_vcd", "mpg", "mpeg"}, {"ogg", "ogg", "ogg"},      {"psp", "mp4", "mov,mp4"},
    {"webm", "webm", "matroska,webm"}, {"ac3", "ac3", "ac3"}, {"au", "au", "au"},
    {"mp3", "mp3", "mp3"},     {"m4a", "m4a", "mov,mp4"},    {"wav", "wav", "wav"},
};
const ContainerFile *containerFile(const QString &container)
{
    for (const ContainerFile &file : kContainerFiles)
        if (container == QLatin1String(file.container))
            return &file;
    return nullptr;
}

// The codec ffprobe names for an FFmpeg encoder.
QString probedCodec(const QString &encoder, const QString &container = QString())
{
    if (encoder == "pcm_s16be" && container == "mpeg") // DVD's LPCM
        return "pcm_dvd";
    static const QMap<QString, QString> names = {
        {"libx264", "h264"}, {"libxvid", "mpeg4"}, {"libtheora", "theora"}, {"libvpx", "vp8"},
        {"libmp3lame", "mp3"}, {"libvorbis", "vorbis"}};
    return names.value(encoder, encoder);
}

// The names of a row that the vocabulary accepts, then the program names of their aliases.
QStringList offeredNames(const InterfaceFFmpeg &builder, const QString &container, bool video)
{
    const QMultiHash<QString, QString> &aliases =
        video ? builder.videoCodecAliases : builder.audioCodecAliases;
    QStringList names = (video ? builder.muxerVideoCodecs : builder.muxerAudioCodecs).value(container);
    for (auto it = aliases.cbegin(); it != aliases.cend(); ++it) {
        const bool accepted = video ? builder.CommandBuilder::isVideoCodecSupported(container, it.key())
                                    : builder.CommandBuilder::isAudioCodecSupported(container, it.key());
        if (accepted && !names.contains(it.key()))
            names << it.key();
    }
    return names;
}

// Each video codec with the container's first offered audio codec, and each audio codec
// with its first offered video codec; a container without video codecs holds audio only.
QList<Pair> pairs(const InterfaceFFmpeg &builder)
{
    QStringList containers = builder.supportedMuxers + builder.muxerAliases.keys();
    QList<Pair> result;
    for (const QString &container : std::as_const(containers)) {
        const QStringList videos = offeredNames(builder, container, true);
        const QStringList audios = offeredNames(builder, container, false);
        if (videos.isEmpty() && audios.isEmpty())
            continue;
        QString firstVideo = videos.isEmpty() ? "novideo" : QString();
        QString firstAudio = "noaudio";
        for (const QString &video : videos)
            if (firstVideo.isEmpty() && builder.videoCodecRefusal(container, video).isEmpty())
                firstVideo = video;
        for (const QString &audio : audios)
            if (firstAudio == "noaudio" && builder.audioCodecRefusal(container, audio).isEmpty())
                firstAudio = audio;
        for (const QString &video : videos)
            result.append({container, video, firstAudio, builder.videoCodecRefusal(container, video)});
        for (const QString &audio : audios) {
            QString refusal = builder.audioCodecRefusal(container, audio);
            if (refusal.isEmpty() && firstVideo.isEmpty())
                refusal = "no video codec of the container is offered";
            result.append({container, firstVideo, audio, refusal});
        }
    }
    return result;
}

void prepare(FFmpegTestEngine &engine, Run &run)
{
    const Pair &pair = run.pair;
    engine.job.source = run.source->record;
    engine.job.target = EncodingTarget();
    const QString encoder = FFmpegEncodeCommand::audioEncoder(pair.audio);
    const int rate = encoder == "libmp3lame" || encoder == "mp2" ? 44100 : 0;
    setTarget(engine.job.target, run.level, pair.container, pair.video,
              pair.video == "h263" ? QSize(176, 144) : QSize(320, 240), 400, pair.audio, rate,
              pair.audio == "pcm" ? 1411.2 : 128, "PAL");
    engine.builder.passes = engine.builder.pass = 1;
    const QString name = QStringLiteral("%1/ffmpeg-conformance/%2-L%3-%4-%5-%6.%7")
                             .arg(TestMedia::folder(), run.source->name)
                             .arg(run.level)
                             .arg(pair.container, pair.video, pair.audio,
                                  containerFile(pair.container)->extension);
    engine.builder.cliCmdEncode(run.program, run.arguments, name, kFrames, 0);
    run.log = name + ".log";
}

// ffprobe's report of a file: "format_name=...", then per stream "codec_name=...",
// "codec_type=...", "width=...", "height=...", "nb_read_frames=..." lines.
QStringList probe(const QString &path)
{
    QString out;
    TestMedia::run("ffprobe", {"-v", "error", "-count_frames", "-show_entries",
                               "format=format_name,duration:stream=codec_name,codec_type,width,"
                               "height,nb_read_frames",
                               "-of", "default=nw=1", path},
                   &out);
    return out.split('\n', Qt::SkipEmptyParts);
}

QString value(const QStringList &report, const QString &key, int index = 0)
{
    const QStringList lines = report.filter(QRegularExpression("^" + key + "="));
    return lines.value(index).section('=', 1);
}

// "ok", or the first fault of a finished run.
QString outcome(const Run &run, int exitCode)
{
    QFile log(run.log);
    const QByteArray output = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    const QString tail = ": " + QString::fromUtf8(output.right(300)).simplified();
    if (exitCode != 0)
        return QStringLiteral("exit code %1").arg(exitCode) + tail;
    if (!InterfaceFFmpeg::parseCommandCheck(QByteArray(), output))
        return "command check refuses the run's output" + tail;
    const QString file = run.arguments.last();
    const QStringList report = probe(file);
    const ContainerFile *expected = containerFile(run.pair.container);
    if (!value(report, "format_name").startsWith(expected->probedFormat))
        return "format " + value(report, "format_name");

    const Pair &pair = run.pair;
    const int level = run.level == User ? 0 : run.level;
    const bool copyVideo = pair.video == "copy", copyAudio = pair.audio == "copy";
    QStringList codecs, wanted;
    for (int i = 0; !value(report, "codec_type", i).isEmpty(); ++i)
        codecs << value(report, "codec_name", i) + "," + value(report, "codec_type", i);
    if (pair.video != "novideo")
        wanted << (copyVideo ? run.source->record.video.videoFormat
                             : probedCodec(FFmpegEncodeCommand::videoEncoder(pair.video)))
                      + ",video";
    if (pair.audio != "noaudio")
        wanted << (copyAudio ? run.source->record.audio.format
                             : probedCodec(FFmpegEncodeCommand::audioEncoder(
                                               pair.audio, pair.container, level),
                                           pair.container))
                      + ",audio";
    codecs.sort();
    wanted.sort();
    if (codecs != wanted)
        return "streams " + codecs.join(' ') + ", expected " + wanted.join(' ');

    if (pair.video == "novideo") {
        const double duration = value(report, "duration").toDouble();
        return duration > 0.2 && duration < 1.2 ? "ok" : QStringLiteral("lasts %1 s").arg(duration);
    }
    const int videoIndex = value(report, "codec_type", 0) == "video" ? 0 : 1;
    const QSize size(value(report, "width", videoIndex).toInt(),
                     value(report, "height", videoIndex).toInt());
    const QSize target = pair.video == "h263" ? QSize(176, 144) : QSize(320, 240);
    if (!copyVideo && size != target)
        return QStringLiteral("picture %1x%2").arg(size.width()).arg(size.height());
    const int frames = value(report, "nb_read_frames", videoIndex).toInt();
    // libxvid drops its last two frames when it writes B-frames.
    if (frames < kFrames * 0.9 - 1 || frames > kFrames + 2)
        return QStringLiteral("%1 decoded frames, expected %2").arg(frames).arg(kFrames);
    return "ok";
}

// Runs as many encodes at once as the machine has cores; a run whose command repeats an
// earlier one (the levels change nothing for most codecs) takes that one's outcome.
void runAll(QList<Run> &runs)
{
    const int parallel = qMax(2, QThread::idealThreadCount());
    QList<QPair<Run *, QProcess *>> running;
    for (int next = 0; next < runs.size() || !running.isEmpty();) {
        while (running.size() < parallel && next < runs.size()) {
            Run &run = runs[next++];
            if (run.same >= 0)
                continue;
            auto *process = new QProcess;
            process->setStandardOutputFile(QProcess::nullDevice());
            process->setStandardErrorFile(run.log);
            process->start(run.program, run.arguments);
            running.append({&run, process});
        }
        for (int i = running.size() - 1; i >= 0; --i) {
            auto [run, process] = running[i];
            if (process->state() != QProcess::NotRunning && !process->waitForFinished(20))
                continue;
            run->outcome = process->error() == QProcess::FailedToStart
                               ? "failed to start: " + process->errorString()
                           : process->exitStatus() == QProcess::CrashExit
                               ? QStringLiteral("engine crashed")
                               : outcome(*run, process->exitCode());
            delete process;
            running.removeAt(i);
        }
    }
    for (Run &run : runs)
        if (run.same >= 0)
            run.outcome = runs[run.same].outcome;
}

QString row(const Pair &pair, const QString &rest)
{
    return QStringLiteral("%1 %2 ").arg(pair.container, -9).arg(pair.video, -11)
           + QStringLiteral("%1 %2").arg(pair.audio, -18).arg(rest);
}

EncodingSource vobSource(const QString &dvdFolder)
{
    EncodingSource source = MEncoderTestEngine::clipSource(dvdFolder + "/VIDEO_TS/VTS_01_1.VOB");
    source.video.fileFormat = "mpeges";
    source.video.videoFormat = "mpeg2video";
    source.video.aspect = 16.0 / 9.0;
    source.video.scaledWidth = 1024;
    source.video.scaledHeight = 576;
    source.audio.format = "ac3";
    source.audio.samplingRate = 48000;
    return source;
}

} // namespace

class FFmpegConformanceTest : public QObject
{
    Q_OBJECT

private slots:
    void everyOfferedPairEncodes();
};

void FFmpegConformanceTest::everyOfferedPairEncodes()
{
    QElapsedTimer timer;
    timer.start();
    FFmpegTestEngine engine;
    QVERIFY2(engine.queryEngine(), "the installed FFmpeg's answers must parse");
    const QString clip = TestMedia::standardAvi(), dvd = TestMedia::dvdFolder();
    QVERIFY(!clip.isEmpty() && !dvd.isEmpty());
    QDir().mkpath(TestMedia::folder() + "/ffmpeg-conformance");

    Source clipSource{"clip", MEncoderTestEngine::clipSource(clip)};
    clipSource.record.video.videoFormat = "mpeg4";
    clipSource.record.audio.format = "mp3";
    clipSource.record.audio.samplingRate = 44100;
    Source vob{"vob", vobSource(dvd)};

    // The DVD title itself: FFmpeg reads no title by number, so nothing is offered.
    engine.job.source = MEncoderTestEngine::dvdSource(dvd);
    const QList<Pair> dvdPairs = pairs(engine.builder);
    QStringList refusals;
    for (const Pair &pair : dvdPairs)
        if (pair.refusal.isEmpty())
            refusals << row(pair, "offered for a DVD title");
    QVERIFY2(refusals.isEmpty(), qPrintable(refusals.join('\n')));
    QString program;
    QStringList arguments;
    engine.builder.cliCmdEncode(program, arguments, "/out/title.avi", kFrames, 0);
    QVERIFY(program.isEmpty() && arguments.isEmpty());
    refusals << QStringLiteral("DVD title: %1 pairs refused: %2")
                    .arg(dvdPairs.size()).arg(dvdPairs.value(0).refusal);

    QList<Run> runs;
    QMap<QString, int> commands; // the command without its output: the run that has it
    for (const Source *source : {&clipSource, &vob}) {
        engine.job.source = source->record;
        for (const Pair &pair : pairs(engine.builder)) {
            if (!pair.refusal.isEmpty()) {
                refusals << row(pair, QString(source->name) + " refused: " + pair.refusal);
                continue;
            }
            for (const int level : kLevels) {
                Run run;
                run.pair = pair;
                run.source = source;
                run.level = level;
                prepare(engine, run);
                const QString key = (QStringList{run.program} + run.arguments.mid(0, run.arguments.size() - 1)).join('\n');
                run.same = commands.value(key, -1);
                if (run.same < 0)
                    commands.insert(key, runs.size());
                runs.append(run);
            }
        }
    }
    QVERIFY2(!runs.isEmpty(), "the real engine must be offered some pairs");
    runAll(runs);

    int failures = 0;
    qInfo().noquote() << row({"container", "video", "audio", QString()}, "source level outcome");
    for (const Run &run : std::as_const(runs)) {
        const QString level = run.level == User ? "user" : QString::number(run.level);
        qInfo().noquote() << row(run.pair, QString(run.source->name).leftJustified(7)
                                               + level.leftJustified(6) + run.outcome);
        if (run.outcome != "ok") {
            ++failures;
            qInfo().noquote() << "    " << run.program << run.arguments.join(' ');
        }
    }
    qInfo().noquote() << refusals.join('\n');
    qInfo().noquote() << QStringLiteral("%1 runs (%2 distinct commands), %3 failed, %4 refused, %5 s")
                             .arg(runs.size()).arg(commands.size()).arg(failures)
                             .arg(refusals.size()).arg(timer.elapsed() / 1000);
    QCOMPARE(failures, 0);
}

VEXO_TEST_CLASS(FFmpegConformanceTest)
#include "tst_ffmpegconformance.moc"
