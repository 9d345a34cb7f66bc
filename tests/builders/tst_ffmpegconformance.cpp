// Runs the encode command on the installed FFmpeg for every container and codec pair the
// builder offers once it has read the real engine, at each level, from a generated clip and
// from the title file of a generated DVD folder, and checks every output with ffprobe. The
// DVD title itself and every refused pair print their reason.

#include "ffmpegtestengine.h"
#include "mencodertestengine.h"
#include "offeredpairs.h"
#include "parallelruns.h"
#include "testmedia.h"
#include "testregistry.h"

#include "builders/ffmpegencodecommand.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>

namespace {

constexpr int kFrames = 25; // the frame limit of every run (a shorter one leaves no ALAC packet)
constexpr int User = EncoderProfile::LevelUser;

struct Run
{
    Pair pair;
    const char *source;
    const EncodingSource *record;
    int level;
    QString program, outcome; // outcome: "ok" or the first fault
    QStringList arguments;    // the output file last
};

// The extension FFmpeg chooses the muxer by, and the format ffprobe reports.
const QMap<QString, QPair<QString, QString>> kFiles = {
    {"3g2", {"3g2", "mov,mp4"}}, {"3gp", {"3gp", "mov,mp4"}}, {"avi", {"avi", "avi"}},
    {"flv", {"flv", "flv"}}, {"ipod", {"m4v", "mov,mp4"}}, {"matroska", {"mkv", "matroska"}},
    {"mov", {"mov", "mov,mp4"}}, {"mp4", {"mp4", "mov,mp4"}}, {"mpeg", {"mpg", "mpeg"}},
    {"mpeg_vcd", {"mpg", "mpeg"}}, {"ogg", {"ogg", "ogg"}}, {"psp", {"mp4", "mov,mp4"}},
    {"webm", {"webm", "matroska"}}, {"ac3", {"ac3", "ac3"}}, {"au", {"au", "au"}},
    {"mp3", {"mp3", "mp3"}}, {"m4a", {"m4a", "mov,mp4"}}, {"wav", {"wav", "wav"}}};

// The codec ffprobe names for an FFmpeg encoder.
QString probedCodec(const QString &encoder, const QString &container)
{
    static const QMap<QString, QString> names = {
        {"libx264", "h264"}, {"libxvid", "mpeg4"}, {"libtheora", "theora"}, {"libvpx", "vp8"},
        {"libmp3lame", "mp3"}, {"libvorbis", "vorbis"}};
    if (encoder == "pcm_s16be" && container == "mpeg") // DVD's LPCM
        return "pcm_dvd";
    return names.value(encoder, encoder);
}

void prepare(FFmpegTestEngine &engine, Run &run)
{
    const Pair &pair = run.pair;
    engine.job.source = *run.record;
    engine.job.target = EncodingTarget();
    const QString encoder = FFmpegEncodeCommand::audioEncoder(pair.audio);
    const int rate = encoder == "libmp3lame" || encoder == "mp2" ? 44100 : 0;
    setTarget(engine.job.target, run.level, pair.container, pair.video,
              pair.video == "h263" ? QSize(176, 144) : QSize(320, 240), 400, pair.audio, rate,
              pair.audio == "pcm" ? 1411.2 : 128, "PAL");
    const QString name = QStringLiteral("%1/ffmpeg-conformance/%2-L%3-%4-%5-%6.%7")
                             .arg(TestMedia::folder(), run.source).arg(run.level)
                             .arg(pair.container, pair.video, pair.audio,
                                  kFiles.value(pair.container).first);
    engine.builder.cliCmdEncode(run.program, run.arguments, name, kFrames, 0);
}

// "format_name=...", then per stream "codec_name=", "codec_type=", "width=", "height=",
// "display_aspect_ratio=", "nb_read_frames=" lines, as ffprobe writes them.
QString value(const QStringList &report, const QString &key, int index = 0)
{
    return report.filter(QRegularExpression("^" + key + "=")).value(index).section('=', 1);
}

// "ok", or the first fault of a finished run.
QString outcome(const Run &run, const QByteArray &stdErr)
{
    if (!InterfaceFFmpeg::parseCommandCheck({}, stdErr))
        return "command check refuses the run: " + QString::fromUtf8(stdErr.right(300)).simplified();
    QString out;
    TestMedia::run("ffprobe", {"-v", "error", "-count_frames", "-show_entries",
                               "format=format_name,duration:stream=codec_name,codec_type,width,"
                               "height,display_aspect_ratio,nb_read_frames", "-of", "default=nw=1", run.arguments.last()},
                   &out);
    const QStringList report = out.split('\n', Qt::SkipEmptyParts);
    const Pair &pair = run.pair;
    if (!value(report, "format_name").startsWith(kFiles.value(pair.container).second))
        return "format " + value(report, "format_name");

    const int level = run.level == User ? 0 : run.level;
    QStringList codecs, wanted;
    for (int i = 0; !value(report, "codec_type", i).isEmpty(); ++i)
        codecs << value(report, "codec_name", i) + "," + value(report, "codec_type", i);
    if (pair.video != "novideo")
        wanted << (pair.video == "copy" ? run.record->video.videoFormat
                                        : probedCodec(FFmpegEncodeCommand::videoEncoder(pair.video), ""))
                      + ",video";
    if (pair.audio != "noaudio")
        wanted << (pair.audio == "copy" ? run.record->audio.format
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
    const int v = value(report, "codec_type") == "video" ? 0 : 1;
    const QSize size(value(report, "width", v).toInt(), value(report, "height", v).toInt());
    if (pair.video != "copy" && size != (pair.video == "h263" ? QSize(176, 144) : QSize(320, 240)))
        return QStringLiteral("picture %1x%2").arg(size.width()).arg(size.height());
    // A letterboxed picture fills a 4:3 frame; any other keeps the source's shape.
    const QStringList ratio = value(report, "display_aspect_ratio", v).split(':');
    const double aspect = ratio.value(0).toDouble() / qMax(1.0, ratio.value(1).toDouble());
    const bool letterboxed = (pair.video == "h263" || pair.video == "mpeg1video")
                             && run.record->video.aspect >= 1.35;
    const double shape = letterboxed ? 4.0 / 3.0 : run.record->video.aspect;
    if (qAbs(aspect / shape - 1.0) > 0.03)
        return QStringLiteral("display aspect %1").arg(value(report, "display_aspect_ratio", v));
    const int frames = value(report, "nb_read_frames", v).toInt();
    // libxvid drops its last two frames when it writes B-frames.
    if (frames < kFrames * 0.9 - 1 || frames > kFrames + 2)
        return QStringLiteral("%1 decoded frames, expected %2").arg(frames).arg(kFrames);
    return "ok";
}

// Runs the encodes in parallel; a run whose command repeats an earlier one (the levels
// change nothing for most codecs) takes that one's outcome.
int runAll(QList<Run> &runs)
{
    QList<ParallelRun> commands;
    for (const Run &run : std::as_const(runs))
        commands.append({run.program, run.arguments});
    markRepeats(commands);
    runInParallel(commands, [&](int i) {
        const ParallelRun &c = commands[i];
        runs[i].outcome = c.repeats >= 0 ? runs[c.repeats].outcome
                          : !c.crashed && c.exitCode == 0 ? outcome(runs[i], c.output)
                                         : "failed: " + QString::fromUtf8(c.output.right(300));
    });
    return int(std::count_if(commands.cbegin(), commands.cend(),
                             [](const ParallelRun &c) { return c.repeats < 0; }));
}

QString row(const Pair &pair, const QString &rest)
{
    return QStringLiteral("%1 %2 ").arg(pair.container, -9).arg(pair.video, -11)
           + QStringLiteral("%1 %2").arg(pair.audio, -18).arg(rest);
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

    // The DVD title itself: FFmpeg reads no title by number, so nothing is offered.
    engine.job.source = MEncoderTestEngine::dvdSource(dvd);
    const QList<Pair> dvdPairs = offeredPairs(engine.builder, engine.builder.supportedMuxers + engine.builder.muxerAliases.keys());
    QStringList refusals;
    for (const Pair &pair : dvdPairs)
        if (pair.refusal.isEmpty())
            refusals << row(pair, "offered for a DVD title");
    QVERIFY2(refusals.isEmpty(), qPrintable(refusals.join('\n')));
    refusals << QStringLiteral("DVD title: all %1 pairs refused: %2")
                    .arg(dvdPairs.size()).arg(dvdPairs.value(0).refusal);

    // The clip (MPEG-4 and MP3 in AVI, 4:3) and the title's VOB file read as a movie file
    // (MPEG-2 and AC-3, 16:9 shown at 1024x576: the letterbox).
    EncodingSource clipRecord = MEncoderTestEngine::clipSource(clip);
    clipRecord.video.videoFormat = "mpeg4";
    clipRecord.audio.format = "mp3";
    clipRecord.audio.samplingRate = 44100;
    EncodingSource vobRecord = MEncoderTestEngine::clipSource(dvd + "/VIDEO_TS/VTS_01_1.VOB");
    vobRecord.video.videoFormat = "mpeg2video";
    vobRecord.video.aspect = 16.0 / 9.0;
    vobRecord.video.scaledWidth = 1024;
    vobRecord.video.scaledHeight = 576;
    vobRecord.audio.format = "ac3";
    vobRecord.audio.samplingRate = 48000;

    QList<Run> runs;
    for (const auto &[source, record] : {qMakePair("clip", &clipRecord), qMakePair("vob", &vobRecord)}) {
        engine.job.source = *record;
        for (const Pair &pair : offeredPairs(engine.builder, engine.builder.supportedMuxers + engine.builder.muxerAliases.keys())) {
            if (!pair.refusal.isEmpty())
                refusals << row(pair, QString(source) + " refused: " + pair.refusal);
            for (const int level : {User, 1, 2, 3, 5}) {
                if (!pair.refusal.isEmpty())
                    break;
                Run run{pair, source, record, level};
                prepare(engine, run);
                runs.append(run);
            }
        }
    }
    const int distinct = runAll(runs);

    int failures = 0;
    qInfo().noquote() << row({"container", "video", "audio", QString()}, "source level outcome");
    for (const Run &run : std::as_const(runs)) {
        const QString level = run.level == User ? "user" : QString::number(run.level);
        qInfo().noquote() << row(run.pair, QString(run.source).leftJustified(7)
                                               + level.leftJustified(6) + run.outcome);
        if (run.outcome != "ok") {
            ++failures;
            qInfo().noquote() << "    " << run.program << run.arguments.join(' ');
        }
    }
    qInfo().noquote() << refusals.join('\n');
    qInfo().noquote() << QStringLiteral("%1 runs (%2 distinct commands), %3 failed, %4 refused, %5 s")
                             .arg(runs.size()).arg(distinct).arg(failures)
                             .arg(refusals.size()).arg(timer.elapsed() / 1000);
    QVERIFY(runs.size() > 100);
    QCOMPARE(failures, 0);
}

VEXO_TEST_CLASS(FFmpegConformanceTest)
#include "tst_ffmpegconformance.moc"
