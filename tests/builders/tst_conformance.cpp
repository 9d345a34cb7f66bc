// Runs the encode command on the installed engines for every container and codec pair a
// builder offers once it has read the real engine, at each level, from a generated clip and a
// generated DVD folder, and checks every output with ffprobe: its streams, its frames, that
// sound and picture last alike, and its display shape. Refused pairs print their reason.

#include "buildertesting.h"
#include "parallelruns.h"
#include "testmedia.h"
#include "testregistry.h"

#include "builders/ffmpegencodecommand.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <QTest>

namespace {

constexpr int kFrames = 25; // the frame limit of most runs (a shorter one leaves no ALAC packet)
constexpr int User = EncoderProfile::LevelUser;

struct Run
{
    Pair pair;
    QString source; // "clip", "dvd" or "vob"
    const EncodingSource *record;
    int level, frames = kFrames; // frames: 0 for the whole source
    QString program, log, outcome; // outcome: "ok" or the first fault
    QStringList arguments;         // the output file last
};

QString row(const Pair &pair, const QString &rest)
{
    return QStringLiteral("%1 %2 ").arg(pair.container, -10).arg(pair.video, -11)
           + QStringLiteral("%1 %2").arg(pair.audio, -18).arg(rest);
}

QString outputName(const char *engine, const Run &run, const QString &extension)
{
    const QString folder = TestMedia::folder() + "/conformance-" + engine;
    QDir().mkpath(folder);
    return QStringLiteral("%1/%2-L%3-%4-%5-%6.%7").arg(folder, run.source).arg(run.level)
        .arg(run.pair.container, run.pair.video, run.pair.audio, extension);
}

// The decoded frames, the display shape (0: any) within the tolerance and, if asked, that
// sound and picture end together (a player times the streams by their packets): "ok" or
// the fault.
QString pictureFault(const Run &run, const OutputReport &report, int expected, double shape,
                     double tolerance, bool spans)
{
    if (report.videoFrames < expected * 0.9 - 1 || report.videoFrames > expected + 2)
        return QStringLiteral("%1 decoded frames, expected about %2").arg(report.videoFrames).arg(expected);
    if (spans && run.pair.audio != "noaudio" && qAbs(report.audioSeconds - report.videoSeconds) > 0.2 + 0.1 * report.videoSeconds)
        return QStringLiteral("audio lasts %1 s, video %2 s").arg(report.audioSeconds).arg(report.videoSeconds);
    if (shape > 0 && qAbs(report.displayAspect / shape - 1) > tolerance)
        return QStringLiteral("displayed at %1, expected %2").arg(report.displayAspect).arg(shape);
    return "ok";
}

// Runs the encodes in parallel (a run whose command repeats an earlier one, as the levels
// change nothing for some codecs, takes that one's outcome), prints the table and the
// refusals; the number of failed runs.
int runAndReport(QList<Run> &runs, const QStringList &refusals, const QElapsedTimer &timer,
                 const std::function<QString(const Run &, const ParallelRun &)> &outcome)
{
    QList<ParallelRun> commands;
    for (const Run &run : std::as_const(runs))
        commands.append({run.program, run.arguments, run.log});
    markRepeats(commands);
    runInParallel(commands, [&](int i) {
        const ParallelRun &c = commands[i];
        runs[i].outcome = c.repeats >= 0 ? runs[c.repeats].outcome
                          : !c.started   ? "failed to start: " + c.startError
                                         : outcome(runs[i], c);
    });
    int failures = 0;
    qInfo().noquote() << row({"container", "video", "audio", QString()}, "source level outcome");
    for (const Run &run : std::as_const(runs)) {
        const QString level = run.level == User ? "user" : QString::number(run.level);
        qInfo().noquote() << row(run.pair, run.source.leftJustified(7) + level.leftJustified(6) + run.outcome);
        if (run.outcome == "ok")
            continue;
        ++failures;
        qInfo().noquote() << "    " << run.program << run.arguments.join(' ');
    }
    qInfo().noquote() << refusals.join('\n');
    qInfo().noquote() << QStringLiteral("%1 runs, %2 failed, %3 refused, %4 s").arg(runs.size())
        .arg(failures).arg(refusals.size()).arg(timer.elapsed() / 1000);
    return failures;
}

// The codec that ffprobe names for a video or audio name of the MEncoder builder.
QString mencoderProbedCodec(const QString &name, bool video, bool dvd)
{
    if (name == "copy" || name == "ac3_copy" || name == "ac3")
        return video ? (dvd ? "mpeg2video" : "mpeg4") : (dvd ? "ac3" : "mp3");
    if (name.contains("xvid") || name.contains("x264"))
        return name.contains("xvid") ? "mpeg4" : "h264";
    if (name.startsWith("mp3") || name.startsWith("mp2"))
        return name.left(3);
    return name == "pcm" ? "pcm_s16le" : name; // mpeg1video, mpeg2video, h263, mpeg4
}

QString mencoderOutcome(const Run &run, const ParallelRun &c)
{
    QFile log(run.log);
    const QByteArray output = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    const QString tail = ": " + QString::fromUtf8(output.right(300)).simplified();
    if (c.crashed || c.exitCode != 0)
        return (c.crashed ? "engine crashed" : QStringLiteral("exit code %1").arg(c.exitCode)) + tail;
    if (QFileInfo(run.arguments.last()).size() <= 0)
        return "no output file";
    if (!InterfaceMEncoder::parseCommandCheck(output, QByteArray()))
        return "command check refuses the run's output" + tail;
    const Pair &pair = run.pair;
    const bool dvd = run.source == "dvd";
    QStringList codecs;
    if (pair.video != "novideo")
        codecs << mencoderProbedCodec(pair.video, true, dvd) + ",video";
    if (pair.audio != "noaudio")
        codecs << mencoderProbedCodec(pair.audio, false, dvd) + ",audio";
    const OutputReport report = probeOutput(run.arguments.last());
    // The first step of an audio target also holds frame numbers.
    QStringList streams = pair.video == "novideo" ? report.streams.filter(",audio") : report.streams;
    streams.sort(); // whichever stream the muxer wrote first
    codecs.sort();
    if (streams != codecs)
        return "streams " + streams.join(' ') + ", expected " + codecs.join(' ');
    if (pair.video == "novideo")
        return "ok";
    // The finishing step corrects the display aspect of AVI files only; every other file
    // must show the source's, or 4:3 where a wide picture is letterboxed.
    const bool letterboxed = dvd && (pair.video == "mpeg1video" || pair.video == "h263");
    const double shape = pair.container == "avi" ? 0 : letterboxed || !dvd ? 4.0 / 3.0 : 16.0 / 9.0;
    return pictureFault(run, report, run.frames > 0 ? run.frames : 75, shape, 0.02, true); // 75: the whole clip
}

// The extension FFmpeg chooses the muxer by, and the format ffprobe reports.
const QMap<QString, QPair<QString, QString>> kFFmpegFiles = {
    {"3g2", {"3g2", "mov,mp4"}}, {"3gp", {"3gp", "mov,mp4"}}, {"avi", {"avi", "avi"}},
    {"flv", {"flv", "flv"}}, {"ipod", {"m4v", "mov,mp4"}}, {"matroska", {"mkv", "matroska"}},
    {"mov", {"mov", "mov,mp4"}}, {"mp4", {"mp4", "mov,mp4"}}, {"mpeg", {"mpg", "mpeg"}},
    {"mpeg_vcd", {"mpg", "mpeg"}}, {"ogg", {"ogg", "ogg"}}, {"psp", {"mp4", "mov,mp4"}},
    {"webm", {"webm", "matroska"}}, {"ac3", {"ac3", "ac3"}}, {"au", {"au", "au"}},
    {"mp3", {"mp3", "mp3"}}, {"m4a", {"m4a", "mov,mp4"}}, {"wav", {"wav", "wav"}}};

// The codec ffprobe names for an FFmpeg encoder.
QString ffmpegProbedCodec(const QString &encoder, const QString &container)
{
    static const QMap<QString, QString> names = {
        {"libx264", "h264"}, {"libxvid", "mpeg4"}, {"libtheora", "theora"}, {"libvpx", "vp8"},
        {"libmp3lame", "mp3"}, {"libvorbis", "vorbis"}};
    if (encoder == "pcm_s16be" && container == "mpeg") // DVD's LPCM
        return "pcm_dvd";
    return names.value(encoder, encoder);
}

QString ffmpegOutcome(const Run &run, const ParallelRun &c)
{
    if (c.crashed || c.exitCode != 0 || !InterfaceFFmpeg::parseCommandCheck({}, c.output))
        return "failed or refused by the command check: " + QString::fromUtf8(c.output.right(300)).simplified();
    const OutputReport report = probeOutput(run.arguments.last(), false);
    const Pair &pair = run.pair;
    if (!report.format.startsWith(kFFmpegFiles.value(pair.container).second))
        return "format " + report.format;
    const int level = run.level == User ? 0 : run.level;
    QStringList wanted, codecs = report.streams;
    if (pair.video != "novideo")
        wanted << (pair.video == "copy" ? run.record->video.videoFormat
                   : ffmpegProbedCodec(FFmpegEncodeCommand::videoEncoder(pair.video), "")) + ",video";
    if (pair.audio != "noaudio")
        wanted << (pair.audio == "copy" ? run.record->audio.format
                   : ffmpegProbedCodec(FFmpegEncodeCommand::audioEncoder(pair.audio, pair.container, level),
                                       pair.container)) + ",audio";
    codecs.sort();
    wanted.sort();
    if (codecs != wanted)
        return "streams " + codecs.join(' ') + ", expected " + wanted.join(' ');
    if (pair.video == "novideo")
        return report.duration > 0.2 && report.duration < 1.2 ? "ok" : QStringLiteral("lasts %1 s").arg(report.duration);
    // A fixed frame (H.263's, MPEG's) keeps its size; any other takes the source's shape
    // within the size asked for, with square pixels.
    const double aspect = run.record->video.aspect;
    const bool fixed = QStringList{"h263", "mpeg1video", "mpeg2video"}.contains(pair.video);
    const QSize size = pair.video == "h263" ? QSize(176, 144) : fixed ? QSize(320, 240) : QSize(320, qRound(160 / aspect) * 2);
    if (pair.video != "copy" && report.videoSize != size)
        return QStringLiteral("picture %1x%2").arg(report.videoSize.width()).arg(report.videoSize.height());
    // A letterboxed picture fills a 4:3 frame; any other keeps the source's shape.
    const bool letterboxed = (pair.video == "h263" || pair.video == "mpeg1video") && aspect >= 1.35;
    return pictureFault(run, report, kFrames, letterboxed ? 4.0 / 3.0 : run.record->video.aspect,
                        0.03, false);
}

} // namespace

class MEncoderConformanceTest : public QObject
{
    Q_OBJECT

private slots:
    void everyOfferedPairEncodes()
    {
        QElapsedTimer timer;
        timer.start();
        MEncoderRecords engine("mencoder");
        QVERIFY2(readEngine(engine), "the installed MEncoder's status must parse");
        const EncodingSource clip = clipSource(TestMedia::standardAvi()), dvd = dvdSource(TestMedia::dvdFolder());
        QVERIFY(!clip.path.isEmpty() && !dvd.path.isEmpty());
        QList<Run> runs;
        QStringList refusals;
        for (const EncodingSource *source : {&clip, &dvd}) { // some stream copies depend on the source
            const QString name = source == &dvd ? "dvd" : "clip";
            engine.job.source = *source;
            QSet<QString> seen;
            for (const Pair &pair : offeredPairs(engine.builder, engine.builder.muxers() + engine.builder.muxerAliases.keys())) {
                if (seen.contains(row(pair, {})))
                    continue;
                seen.insert(row(pair, {}));
                if (!pair.refusal.isEmpty())
                    refusals << row(pair, name + " refused: " + pair.refusal);
                for (const int level : {User, 1, 2, 3}) {
                    if (!pair.refusal.isEmpty())
                        break;
                    Run run{pair, name, source, level, kFrames, {}, {}, {}, {}};
                    const bool pcm = pair.audio == "pcm";
                    // A video rate with a fraction, as a size target gives it.
                    setTarget(engine.job.target, level, pair.container, pair.video,
                              pair.video == "h263" ? QSize(176, 144) : QSize(320, 240), 600.5, pair.audio,
                              pcm || pair.audio.startsWith("mp") ? 44100 : 0,
                              pair.audio == "mp2_vcd" ? 224 : pcm ? 1411.2 : 128, "PAL");
                    // MPEG program streams from the clip run whole: the end of the sound is
                    // where an MPEG muxer lost it.
                    if ((pair.container == "mpeg" || pair.container == "mpeg_vcd") && name == "clip")
                        run.frames = 0;
                    run.log = outputName("mencoder", run, pair.container) + ".log";
                    engine.builder.cliCmdEncode(run.program, run.arguments, run.log.chopped(4), run.frames, 0, 0);
                    runs.append(run);
                }
            }
        }
        QVERIFY2(!runs.isEmpty(), "the real engine must be offered some pairs");
        QCOMPARE(runAndReport(runs, refusals, timer, mencoderOutcome), 0);
    }
};

class FFmpegConformanceTest : public QObject
{
    Q_OBJECT

private slots:
    void everyOfferedPairEncodes()
    {
        QElapsedTimer timer;
        timer.start();
        FFmpegRecords engine("ffmpeg");
        QVERIFY2(readEngine(engine), "the installed FFmpeg's answers must parse");
        const QString dvd = TestMedia::dvdFolder();
        QVERIFY(!dvd.isEmpty());
        const QStringList containers = engine.builder.supportedMuxers + engine.builder.muxerAliases.keys();

        // The DVD title itself: FFmpeg reads no title by number, so nothing is offered.
        engine.job.source = dvdSource(dvd);
        const QList<Pair> dvdPairs = offeredPairs(engine.builder, containers);
        QStringList refusals;
        for (const Pair &pair : dvdPairs)
            if (pair.refusal.isEmpty())
                refusals << row(pair, "offered for a DVD title");
        QVERIFY2(refusals.isEmpty(), qPrintable(refusals.join('\n')));
        refusals << QStringLiteral("DVD title: all %1 pairs refused: %2").arg(dvdPairs.size()).arg(dvdPairs.value(0).refusal);

        // The clip (MPEG-4 and MP3 in AVI, 4:3) and the title's VOB file read as a movie file
        // (MPEG-2 and AC-3, 16:9 shown at 1024x576: the letterbox).
        EncodingSource clip = clipSource(TestMedia::standardAvi()), vob = clipSource(dvd + "/VIDEO_TS/VTS_01_1.VOB");
        clip.video.videoFormat = "mpeg4";
        clip.audio.format = "mp3";
        clip.audio.samplingRate = 44100;
        vob.video.videoFormat = "mpeg2video";
        vob.video.aspect = 16.0 / 9.0;
        vob.video.scaledWidth = 1024;
        vob.video.scaledHeight = 576;
        vob.audio.format = "ac3";
        vob.audio.samplingRate = 48000;
        QList<Run> runs;
        for (const EncodingSource *source : {&clip, &vob}) {
            const QString name = source == &vob ? "vob" : "clip";
            engine.job.source = *source;
            for (const Pair &pair : offeredPairs(engine.builder, containers)) {
                if (!pair.refusal.isEmpty())
                    refusals << row(pair, name + " refused: " + pair.refusal);
                for (const int level : {User, 1, 2, 3, 5}) {
                    if (!pair.refusal.isEmpty())
                        break;
                    Run run{pair, name, source, level, kFrames, {}, {}, {}, {}};
                    const QString encoder = FFmpegEncodeCommand::audioEncoder(pair.audio);
                    setTarget(engine.job.target, level, pair.container, pair.video,
                              pair.video == "h263" ? QSize(176, 144) : QSize(320, 240), 400, pair.audio,
                              encoder == "libmp3lame" || encoder == "mp2" ? 44100 : 0,
                              pair.audio == "pcm" ? 1411.2 : 128, "PAL");
                    engine.builder.cliCmdEncode(run.program, run.arguments,
                        outputName("ffmpeg", run, kFFmpegFiles.value(pair.container).first), kFrames, 0);
                    runs.append(run);
                }
            }
        }
        QVERIFY(runs.size() > 100);
        QCOMPARE(runAndReport(runs, refusals, timer, ffmpegOutcome), 0);
    }
};

VEXO_TEST_CLASS(MEncoderConformanceTest)
VEXO_TEST_CLASS(FFmpegConformanceTest)
#include "tst_conformance.moc"
