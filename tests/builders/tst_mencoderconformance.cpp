// Runs the MEncoder encode command on the installed MEncoder for every container and
// codec that the builder offers once it has read the real engine, at the user's settings
// and at each predefined level, from a generated clip and from a generated DVD folder,
// and checks every output with ffprobe. Pairs that the vocabulary allows but the engine
// checks refuse are listed with their reason and not run.

#include "mencodertestengine.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QTest>

namespace {

constexpr int kFrames = 25;
constexpr int kClipFrames = 75; // the whole standard clip

// As many encodes at once as the machine has cores, at least two.
int parallelRuns()
{
    return qMax(2, QThread::idealThreadCount());
}

struct Pair
{
    QString container;
    QString video;
    QString audio;
    QString refusal; // why the builder does not offer it; empty when offered
};

struct Run
{
    Pair pair;
    QString source; // "clip" or "dvd"
    int level = 4;
    QString program;
    QStringList arguments;
    QString output;
    QString log;
    int frames = kFrames; // the frame limit, 0 for the whole source
    QString outcome;
    bool ok = false;
};

QSize pictureSizeFor(const QString &video)
{
    return video == "h263" ? QSize(176, 144) : QSize(320, 240);
}

int sampleRateFor(const QString &audio)
{
    return audio.startsWith("mp3_flv") || audio == "mp2_vcd" || audio.startsWith("mp3")
                   || audio == "mp2" || audio == "pcm"
               ? 44100
               : 0;
}

double audioBitrateFor(const QString &audio)
{
    if (audio == "mp2_vcd")
        return 224;
    if (audio == "pcm")
        return 1411.2;
    return 128;
}

QString expectedVideo(const QString &video, const QString &source)
{
    if (video == "xvid" || video == "libxvid" || video == "mpeg4")
        return "mpeg4";
    if (video.startsWith("x264") || video == "libx264")
        return "h264";
    if (video == "copy")
        return source == "dvd" ? "mpeg2video" : "mpeg4";
    return video; // mpeg1video, mpeg2video, h263
}

QString expectedAudio(const QString &audio, const QString &source)
{
    if (audio.startsWith("mp3"))
        return "mp3";
    if (audio.startsWith("mp2"))
        return "mp2";
    if (audio == "pcm")
        return "pcm_s16le";
    if (audio == "ac3_copy" || audio == "ac3" || audio == "copy")
        return source == "dvd" ? "ac3" : "mp3";
    return audio;
}

// The program names whose engine name the row holds, and the row's names themselves.
QStringList candidates(const QStringList &row, const QMultiHash<QString, QString> &aliases)
{
    QStringList names = row;
    for (auto it = aliases.cbegin(); it != aliases.cend(); ++it) {
        if (row.contains(it.value()) && !names.contains(it.key()))
            names << it.key();
    }
    return names;
}

} // namespace

class MEncoderConformanceTest : public QObject
{
    Q_OBJECT

private slots:
    void everyOfferedPairEncodes();

private:
    QList<Pair> pairs(const InterfaceMEncoder &builder) const;
    void prepare(MEncoderTestEngine &engine, Run &run, const QString &sourcePath) const;
    void check(Run &run, int exitCode, bool crashed) const;
    void runAll(QList<Run> &runs) const;
};

QList<Pair> MEncoderConformanceTest::pairs(const InterfaceMEncoder &builder) const
{
    QStringList containers = builder.muxers();
    containers << builder.muxerAliases.keys();
    containers.removeDuplicates();

    QList<Pair> result;
    for (const QString &container : std::as_const(containers)) {
        // The vocabulary's own answer first: what it does not list is not a pair at all.
        if (!builder.CommandBuilder::isMuxerSupported(container))
            continue;
        const QString muxerRefusal = builder.muxerRefusal(container);
        QStringList videos;
        for (const QString &v : candidates(builder.muxerVideoCodecs.value(container),
                                           builder.videoCodecAliases)) {
            if (builder.CommandBuilder::isVideoCodecSupported(container, v))
                videos << v;
        }
        QStringList audios;
        for (const QString &a : candidates(builder.muxerAudioCodecs.value(container),
                                           builder.audioCodecAliases)) {
            if (builder.CommandBuilder::isAudioCodecSupported(container, a))
                audios << a;
        }
        if (videos.isEmpty() && audios.isEmpty())
            continue;

        // A container without video codecs holds audio only; one whose audio codecs are
        // all refused can still hold video alone.
        QString defaultVideo = videos.isEmpty() ? QStringLiteral("novideo") : QString();
        for (const QString &v : std::as_const(videos)) {
            if (defaultVideo.isEmpty() && builder.isVideoCodecSupported(container, v))
                defaultVideo = v;
        }
        QString defaultAudio;
        for (const QString &a : std::as_const(audios)) {
            if (defaultAudio.isEmpty() && builder.isAudioCodecSupported(container, a))
                defaultAudio = a;
        }
        if (defaultAudio.isEmpty())
            defaultAudio = QStringLiteral("noaudio");

        for (const QString &v : std::as_const(videos)) {
            QString why = muxerRefusal;
            if (why.isEmpty())
                why = builder.videoCodecRefusal(container, v);
            result.append({container, v, defaultAudio, why});
        }
        for (const QString &a : std::as_const(audios)) {
            QString why = muxerRefusal;
            if (why.isEmpty())
                why = builder.audioCodecRefusal(container, a);
            if (why.isEmpty() && defaultVideo.isEmpty())
                why = QStringLiteral("no video codec of the container is offered");
            result.append({container, defaultVideo, a, why});
        }
    }
    return result;
}

void MEncoderConformanceTest::prepare(MEncoderTestEngine &engine, Run &run,
                                      const QString &sourcePath) const
{
    EncodingJob &job = engine.job;
    job.source = run.source == "dvd" ? MEncoderTestEngine::dvdSource(sourcePath)
                                     : MEncoderTestEngine::clipSource(sourcePath);
    job.target = EncodingTarget();
    const Pair &pair = run.pair;
    const QSize size = pictureSizeFor(pair.video);
    job.target.muxer = pair.container;
    if (run.level == EncoderProfile::LevelUser) {
        job.target.profile.level = EncoderProfile::LevelUser;
        job.target.video.codec = pair.video;
        job.target.video.standard = "PAL";
        job.target.video.pictureSize = size;
        job.target.video.bitrate = 600;
        job.target.audio.codec = pair.audio;
        job.target.audio.samplingRate = sampleRateFor(pair.audio);
        job.target.audio.bitrate = audioBitrateFor(pair.audio);
    } else {
        EncoderProfile &profile = job.target.profile;
        profile.level = run.level;
        profile.muxer = pair.container;
        profile.standard = "PAL";
        profile.videoCodec = pair.video;
        profile.pictureSize = size;
        profile.videoBitrate = 600;
        profile.audioCodec = pair.audio;
        profile.samplingRate = sampleRateFor(pair.audio);
        profile.audioBitrate = audioBitrateFor(pair.audio);
    }
    engine.builder.passes = 1;
    engine.builder.pass = 1;

    const QString folder = TestMedia::folder() + "/conformance";
    QDir().mkpath(folder);
    const QString name = QStringLiteral("%1-L%2-%3-%4-%5.%6")
                             .arg(run.source)
                             .arg(run.level)
                             .arg(pair.container, pair.video, pair.audio, pair.container);
    // MPEG program streams are written by MEncoder's own muxer only for a whole source;
    // the clip covers that path, the DVD title the frame-limited one.
    const bool mpeg = pair.container == "mpeg" || pair.container == "mpeg_vcd";
    run.frames = mpeg && run.source == "clip" ? 0 : kFrames;
    engine.builder.cliCmdEncode(run.program, run.arguments, folder + "/" + name, run.frames, 0,
                                0);
    run.output = run.arguments.last();
    run.log = folder + "/" + name + ".log";
}

void MEncoderConformanceTest::check(Run &run, int exitCode, bool crashed) const
{
    QFile log(run.log);
    const QByteArray output = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    if (crashed || exitCode != 0) {
        run.outcome = (crashed ? QStringLiteral("engine crashed")
                               : QStringLiteral("exit code %1").arg(exitCode))
                      + ": " + QString::fromUtf8(output.right(300)).simplified();
        return;
    }
    if (QFileInfo(run.output).size() <= 0) {
        run.outcome = "no output file";
        return;
    }
    if (!InterfaceMEncoder::parseCommandCheck(output, QByteArray())) {
        run.outcome = "command check refuses the run's output: "
                      + QString::fromUtf8(output.right(300)).simplified();
        return;
    }
    const QList<ProbedStream> streams = probeStreams(run.output);
    QString video, audio;
    for (const ProbedStream &stream : streams) {
        if (stream.type == "video" && video.isEmpty())
            video = stream.codec;
        if (stream.type == "audio" && audio.isEmpty())
            audio = stream.codec;
    }
    const Pair &pair = run.pair;
    if (pair.video != "novideo") {
        const QString expected = expectedVideo(pair.video, run.source);
        if (video != expected) {
            run.outcome = QStringLiteral("video stream %1, expected %2").arg(video, expected);
            return;
        }
        const int expectedFrames = run.frames > 0 ? run.frames : kClipFrames;
        const int frames = TestMedia::countVideoFrames(run.output);
        if (frames < expectedFrames * 0.9 - 1 || frames > expectedFrames + 2) {
            run.outcome = QStringLiteral("%1 decoded frames, expected about %2")
                              .arg(frames)
                              .arg(expectedFrames);
            return;
        }
    }
    if (pair.audio == "noaudio") {
        if (!audio.isEmpty()) {
            run.outcome = "unexpected audio stream " + audio;
            return;
        }
    } else {
        const QString expected = expectedAudio(pair.audio, run.source);
        if (audio != expected) {
            run.outcome = QStringLiteral("audio stream %1, expected %2").arg(audio, expected);
            return;
        }
    }
    run.ok = true;
    run.outcome = "ok";
}

void MEncoderConformanceTest::runAll(QList<Run> &runs) const
{
    QEventLoop loop;
    int next = 0;
    int running = 0;
    std::function<void()> startNext = [&]() {
        while (running < parallelRuns() && next < runs.size()) {
            Run *run = &runs[next++];
            auto *process = new QProcess(&loop);
            process->setStandardOutputFile(run->log);
            process->setStandardErrorFile(QProcess::nullDevice());
            QObject::connect(process, &QProcess::finished, &loop,
                             [&, run, process](int exitCode, QProcess::ExitStatus exitStatus) {
                                 --running;
                                 check(*run, exitCode, exitStatus == QProcess::CrashExit);
                                 process->deleteLater();
                                 startNext();
                                 if (running == 0 && next == runs.size())
                                     loop.quit();
                             });
            QObject::connect(process, &QProcess::errorOccurred, &loop,
                             [run](QProcess::ProcessError error) {
                                 if (error == QProcess::FailedToStart)
                                     run->outcome = "failed to start";
                             });
            ++running;
            process->start(run->program, run->arguments);
        }
    };
    startNext();
    if (running > 0)
        loop.exec();
}

void MEncoderConformanceTest::everyOfferedPairEncodes()
{
    QElapsedTimer timer;
    timer.start();
    MEncoderTestEngine engine;
    QVERIFY2(engine.queryEngine(), "the installed MEncoder's status must parse");
    const QString clip = TestMedia::standardAvi();
    const QString dvd = TestMedia::dvdFolder();
    QVERIFY(!clip.isEmpty());
    QVERIFY(!dvd.isEmpty());

    const QList<Pair> all = pairs(engine.builder);
    QList<Run> runs;
    int refused = 0;
    for (const Pair &pair : all) {
        if (!pair.refusal.isEmpty()) {
            ++refused;
            continue;
        }
        for (const QString &source : {QStringLiteral("clip"), QStringLiteral("dvd")}) {
            for (int level : {4, 1, 2, 3}) {
                Run run;
                run.pair = pair;
                run.source = source;
                run.level = level;
                prepare(engine, run, source == "dvd" ? dvd : clip);
                runs.append(run);
            }
        }
    }
    QVERIFY2(!runs.isEmpty(), "the real engine must be offered some pairs");
    runAll(runs);

    int failures = 0;
    qInfo().noquote() << QStringLiteral("%1 %2 %3 %4 %5 %6")
                             .arg("container", -10).arg("video", -11).arg("audio", -10)
                             .arg("source", -6).arg("level", -5).arg("outcome");
    for (const Run &run : std::as_const(runs)) {
        qInfo().noquote() << QStringLiteral("%1 %2 %3 %4 %5 %6")
                                 .arg(run.pair.container, -10).arg(run.pair.video, -11)
                                 .arg(run.pair.audio, -10).arg(run.source, -6)
                                 .arg(run.level == 4 ? QStringLiteral("user")
                                                     : QString::number(run.level), -5)
                                 .arg(run.outcome);
        if (!run.ok) {
            ++failures;
            qInfo().noquote() << "    " << run.program << run.arguments.join(' ');
        }
    }
    for (const Pair &pair : all) {
        if (pair.refusal.isEmpty())
            continue;
        qInfo().noquote() << QStringLiteral("%1 %2 %3 refused: %4")
                                 .arg(pair.container, -10).arg(pair.video, -11)
                                 .arg(pair.audio, -10).arg(pair.refusal);
    }
    qInfo().noquote() << QStringLiteral("%1 runs, %2 failed, %3 pairs refused, %4 s")
                             .arg(runs.size()).arg(failures).arg(refused)
                             .arg(timer.elapsed() / 1000);
    QCOMPARE(failures, 0);
}

VEXO_TEST_CLASS(MEncoderConformanceTest)
#include "tst_mencoderconformance.moc"
