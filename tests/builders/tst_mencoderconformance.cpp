// Runs the encode command on the installed MEncoder for every container and codec pair the
// builder offers once it has read the real engine, at each level, from a generated clip and a
// generated DVD folder, and checks every output with ffprobe: its streams, its frames, that
// sound and picture last alike, and its display aspect. Refused pairs print their reason.

#include "mencodertestengine.h"
#include "offeredpairs.h"
#include "parallelruns.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <QTest>

namespace {

constexpr int kFrames = 25;     // the frame limit of most runs
constexpr int kClipFrames = 75; // the whole standard clip
constexpr int User = EncoderProfile::LevelUser;

struct Run
{
    Pair pair;
    bool dvd = false;
    int level = User, frames = kFrames; // frames: 0 for the whole source
    QString program, log, outcome;      // outcome: "ok" or the first fault
    QStringList arguments;              // the output file last
};

// The codec that ffprobe names for a video or audio name of the builder.
QString probedCodec(const QString &name, bool video, bool dvd)
{
    if (name == "copy" || name == "ac3_copy" || name == "ac3")
        return video ? (dvd ? "mpeg2video" : "mpeg4") : (dvd ? "ac3" : "mp3");
    if (name.contains("xvid") || name.contains("x264"))
        return name.contains("xvid") ? "mpeg4" : "h264";
    if (name.startsWith("mp3") || name.startsWith("mp2"))
        return name.left(3);
    return name == "pcm" ? "pcm_s16le" : name; // mpeg1video, mpeg2video, h263, mpeg4
}

void prepare(MEncoderTestEngine &engine, Run &run, const QString &sourcePath)
{
    const Pair &pair = run.pair;
    engine.job.source = run.dvd ? MEncoderTestEngine::dvdSource(sourcePath)
                                : MEncoderTestEngine::clipSource(sourcePath);
    engine.job.target = EncodingTarget();
    const bool pcm = pair.audio == "pcm";
    const int rate = pcm || pair.audio.startsWith("mp") ? 44100 : 0; // mp3, mp2
    const double audioBitrate = pair.audio == "mp2_vcd" ? 224 : pcm ? 1411.2 : 128;
    // A video rate with a fraction, as a size target gives it.
    setTarget(engine.job.target, run.level, pair.container, pair.video,
              pair.video == "h263" ? QSize(176, 144) : QSize(320, 240), 600.5, pair.audio, rate,
              audioBitrate, "PAL");
    engine.builder.passes = engine.builder.pass = 1;

    const QString name = QStringLiteral("%1/conformance/%2-L%3-%4-%5-%6.%7")
                             .arg(TestMedia::folder(), run.dvd ? "dvd" : "clip")
                             .arg(run.level)
                             .arg(pair.container, pair.video, pair.audio, pair.container);
    // MPEG program streams from the clip run whole: the end of the sound is where an MPEG
    // muxer lost it.
    const bool mpeg = pair.container == "mpeg" || pair.container == "mpeg_vcd";
    run.frames = mpeg && !run.dvd ? 0 : kFrames;
    engine.builder.cliCmdEncode(run.program, run.arguments, name, run.frames, 0, 0);
    run.log = name + ".log";
}

// "ok", or the first fault of a finished run.
QString outcome(const Run &run, int exitCode, bool crashed)
{
    QFile log(run.log);
    const QByteArray output = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    const QString tail = ": " + QString::fromUtf8(output.right(300)).simplified();
    if (crashed || exitCode != 0)
        return (crashed ? "engine crashed" : QStringLiteral("exit code %1").arg(exitCode)) + tail;
    const QString file = run.arguments.last();
    if (QFileInfo(file).size() <= 0)
        return "no output file";
    if (!InterfaceMEncoder::parseCommandCheck(output, QByteArray()))
        return "command check refuses the run's output" + tail;
    const Pair &pair = run.pair;
    QStringList codecs;
    if (pair.video != "novideo")
        codecs << probedCodec(pair.video, true, run.dvd) + ",video";
    if (pair.audio != "noaudio")
        codecs << probedCodec(pair.audio, false, run.dvd) + ",audio";
    const OutputReport report = probeOutput(file);
    QStringList streams = report.streams; // "codec,type"
    if (pair.video == "novideo") // the first step of an audio target also holds frame numbers
        streams = streams.filter(",audio");
    streams.sort(); // whichever stream the muxer wrote first
    codecs.sort();
    if (streams != codecs)
        return "streams " + streams.join(' ') + ", expected " + codecs.join(' ');
    const int expected = run.frames > 0 ? run.frames : kClipFrames;
    const int frames = pair.video == "novideo" ? expected : report.videoFrames;
    if (frames < expected * 0.9 - 1 || frames > expected + 2)
        return QStringLiteral("%1 decoded frames, expected about %2").arg(frames).arg(expected);
    // A player times the streams by their packets: sound and picture must end together.
    if (pair.video != "novideo" && pair.audio != "noaudio"
        && qAbs(report.audioSeconds - report.videoSeconds) > 0.2 + 0.1 * report.videoSeconds)
        return QStringLiteral("audio lasts %1 s, video %2 s")
            .arg(report.audioSeconds).arg(report.videoSeconds);
    // The finishing step corrects the display aspect of AVI files only; every other file
    // must show the source's, or 4:3 where a wide picture is letterboxed.
    const bool letterboxed = run.dvd && (pair.video == "mpeg1video" || pair.video == "h263");
    const double aspect = letterboxed || !run.dvd ? 4.0 / 3.0 : 16.0 / 9.0;
    if (pair.video != "novideo" && pair.container != "avi"
        && qAbs(report.displayAspect / aspect - 1) > 0.02)
        return QStringLiteral("displayed at %1, expected %2").arg(report.displayAspect).arg(aspect);
    return "ok";
}

// Runs the encodes in parallel; a run whose command repeats an earlier one (the levels
// change nothing for some codecs) takes that one's outcome.
void runAll(QList<Run> &runs)
{
    QList<ParallelRun> commands;
    for (const Run &run : std::as_const(runs))
        commands.append({run.program, run.arguments, run.log});
    markRepeats(commands);
    runInParallel(commands, [&](int i) {
        const ParallelRun &c = commands[i];
        runs[i].outcome = c.repeats >= 0 ? runs[c.repeats].outcome
                          : !c.started   ? "failed to start: " + c.startError
                                         : outcome(runs[i], c.exitCode, c.crashed);
    });
}

QString row(const Pair &pair, const QString &rest)
{
    return QStringLiteral("%1 %2 ").arg(pair.container, -10).arg(pair.video, -11)
           + QStringLiteral("%1 %2").arg(pair.audio, -10).arg(rest);
}

} // namespace

class MEncoderConformanceTest : public QObject
{
    Q_OBJECT

private slots:
    void everyOfferedPairEncodes();
};

void MEncoderConformanceTest::everyOfferedPairEncodes()
{
    QElapsedTimer timer;
    timer.start();
    MEncoderTestEngine engine;
    QVERIFY2(engine.queryEngine(), "the installed MEncoder's status must parse");
    const QString clip = TestMedia::standardAvi(), dvd = TestMedia::dvdFolder();
    QVERIFY(!clip.isEmpty() && !dvd.isEmpty());
    QDir().mkpath(TestMedia::folder() + "/conformance");

    QList<Run> runs;
    QStringList refusals;
    for (const bool dvdSource : {false, true}) { // some stream copies depend on the source
        engine.job.source = dvdSource ? MEncoderTestEngine::dvdSource(dvd)
                                      : MEncoderTestEngine::clipSource(clip);
        QSet<QString> seen;
        for (const Pair &pair : offeredPairs(engine.builder, engine.builder.muxers() + engine.builder.muxerAliases.keys())) {
            const QString name = row(pair, QString());
            if (seen.contains(name))
                continue;
            seen.insert(name);
            if (!pair.refusal.isEmpty())
                refusals << row(pair, (dvdSource ? "dvd  refused: " : "clip refused: ")
                                          + pair.refusal);
            for (int i = 0; pair.refusal.isEmpty() && i < 4; ++i) {
                Run run; // at levels user, 1, 2, 3
                run.pair = pair;
                run.dvd = dvdSource;
                run.level = i == 0 ? User : i;
                prepare(engine, run, dvdSource ? dvd : clip);
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
        const QString where = QString(run.dvd ? "dvd" : "clip").leftJustified(7);
        qInfo().noquote() << row(run.pair, where + level.leftJustified(6) + run.outcome);
        if (run.outcome != "ok") {
            ++failures;
            qInfo().noquote() << "    " << run.program << run.arguments.join(' ');
        }
    }
    qInfo().noquote() << refusals.join('\n');
    qInfo().noquote() << QStringLiteral("%1 runs, %2 failed, %3 pairs refused, %4 s")
                             .arg(runs.size()).arg(failures).arg(refusals.size())
                             .arg(timer.elapsed() / 1000);
    QCOMPARE(failures, 0);
}

VEXO_TEST_CLASS(MEncoderConformanceTest)
#include "tst_mencoderconformance.moc"
