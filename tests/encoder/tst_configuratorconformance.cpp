// Every profile the configurators offer, run on the installed engines: each level (1 to 3,
// and 5) of every container and codec pair of the choice lists, and level 4 at the option
// tree's values, gives a command that encodes, or the pair is refused before any run.

#include "encodertesting.h"
#include "encoder/encoder.h"
#include "encoder/encodingstep.h"
#include "encoder/mervoconfigurator.h"
#include "encoder/records/sourcekind.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTest>
#include <QTextEdit>

#include <memory>

namespace {
constexpr int kFrames = 10;

struct Pair
{
    QString muxer, video, audio;
};

struct Run
{
    QString name, outcome;
    QList<QStringList> commands; // one a step of the road, each its program first
    QStringList written;         // the file each step writes
    QString output;
};

// The generated sources as the player hands them over; the DVD's track is AC3.
EncodingSource loadedSource(Encoder &encoder, bool dvd)
{
    if (dvd) {
        setDvdSource(encoder, TestMedia::dvdFolder());
        encoder.source().audio.codec = "ac3";
    } else {
        setClipSource(encoder, TestMedia::standardAvi());
        encoder.source().audio.codec = "mp3";
    }
    return encoder.source();
}

// The pairs of the choice lists: each video codec with the first audio codec, each audio
// codec with the first video codec.
QList<Pair> offeredPairs(Encoder &encoder, MervoConfigurator &configurator)
{
    QList<Pair> pairs;
    QStringList muxers = configurator.muxerChoices();
    muxers.removeDuplicates();
    for (const QString &muxer : std::as_const(muxers)) {
        encoder.setTargetMuxer(muxer);
        const QStringList videos = configurator.videoCodecChoices(muxer);
        const QStringList audios = configurator.audioCodecChoices(muxer);
        for (const QString &video : videos)
            pairs.append({muxer, video, audios.first()});
        for (const QString &audio : audios.mid(1))
            pairs.append({muxer, videos.first(), audio});
    }
    return pairs;
}

// The commands of every level of one pair, or a refusal.
void addRuns(Encoder &encoder, MervoConfigurator &configurator, const EncodingSource &source,
             const Pair &pair, const QString &tag, QList<Run> &runs, QStringList &refused)
{
    encoder.setTargetMuxer(pair.muxer);
    encoder.setVideoCodec(pair.video);
    encoder.setAudioCodec(pair.audio);
    const int type = encoder.preferredEngine();
    EncodingJob *job = encoder.jobData(type);
    QVERIFY(job);
    job->source = source;
    job->target = EncodingTarget();
    job->target.muxer = pair.muxer;
    job->target.video.codec = pair.video;
    job->target.audio.codec = pair.audio;
    configurator.clearOptions();
    if (!configurator.buildOptions(type, pair.muxer, pair.video, pair.audio)) {
        refused << QString("%1 %2 %3 %4: not supported").arg(tag, pair.muxer, pair.video, pair.audio);
        return;
    }
    QList<int> levels;
    for (const ProfileChoice &choice : std::as_const(configurator.profileGroup().choices))
        levels << choice.level;
    levels << EncoderProfile::LevelUser;
    for (int level : std::as_const(levels)) {
        configurator.profileGroup().selectedLevel = level;
        for (const auto &group : configurator.optionRoot().children)
            for (const auto &node : group->children)
                for (const auto &item : node->items) {
                    item->choice.selectedValue = item->choice.initialValue;
                    item->range.selectedValue = item->range.initialValue;
                }
        configurator.applySelection();
        Run run;
        run.name = QString("%1 L%2 %3 %4 %5").arg(tag).arg(level).arg(pair.muxer, pair.video, pair.audio);
        run.output = QString("%1/configurators/%2-L%3-%4-%5-%6%7").arg(TestMedia::folder(), tag)
                         .arg(level).arg(pair.muxer, pair.video, pair.audio,
                                         Encoder::muxerExtension(pair.muxer, false));
        // MPEG program streams are written whole; a frame limit leaves them unfinished.
        const bool mpeg = pair.muxer == "mpeg" || pair.muxer == "mpeg_vcd";
        // The road Start takes, which may not be the configured engine's alone.
        QString refusal;
        for (const EncodingStep &step : encoder.cliCmdEncodeSteps(
                 run.output, mpeg && source.kind != SourceKind::Dvd ? 0 : kFrames, 0, 0, refusal)) {
            run.commands << QStringList{step.program} + step.arguments;
            run.written << step.output;
        }
        if (run.commands.isEmpty())
            run.outcome = "no command: " + refusal;
        runs << run;
    }
}

// The file the last command writes: MEncoder's after "-o" (an audio target writes an
// intermediate file first), FFmpeg's last.
QString writtenFile(const Run &run)
{
    const QStringList last = run.commands.value(run.commands.size() - 1);
    const int o = last.indexOf("-o");
    return o >= 0 && o + 1 < last.size() ? last[o + 1] : last.value(last.size() - 1);
}

void runAll(QList<Run> &runs)
{
    // The DVD's title read out for each road, and levels that differ only where the engine is
    // not told, are run once.
    runAndJudge<Run>(runs, [](const Run &run) { return run.commands; },
                     [](const Run &run) { return QFileInfo(writtenFile(run)).size() > 0 ? "ok" : "no output file"; },
                     [](const Run &run) { return run.written; });
}
} // namespace

class TestConfiguratorConformance : public QObject
{
    Q_OBJECT

private slots:
    void everyOfferedProfileRuns()
    {
        QDir().mkpath(TestMedia::folder() + "/configurators");
        const QString dvd = TestMedia::dvdFolder();
        const QString clip = TestMedia::standardAvi();
        QVERIFY(!dvd.isEmpty() && !clip.isEmpty());
        ConsoleEncoder console;
        Encoder &encoder = console.encoder;
        encoder.initEngine(1, "mencoder");
        encoder.initEngine(2, "ffmpeg");
        QVERIFY(encoder.enginesReady());
        QList<Run> runs;
        QStringList refused;
        for (const bool dvdSource : {true, false}) {
            const EncodingSource source = loadedSource(encoder, dvdSource);
            MervoConfigurator configurator(&encoder);
            for (const Pair &pair : offeredPairs(encoder, configurator))
                addRuns(encoder, configurator, source, pair, dvdSource ? "dvd" : "clip", runs, refused);
        }
        QVERIFY(!runs.isEmpty());
        runAll(runs);
        QStringList faults;
        for (const Run &run : std::as_const(runs))
            if (run.outcome != "ok") {
                QString commands;
                for (const QStringList &command : run.commands)
                    commands += "\n    " + command.join(' ');
                faults << run.name + ": " + run.outcome.left(160) + commands;
            }
        qInfo("%d runs, %d pairs refused up front", int(runs.size()), int(refused.size()));
        for (const QString &line : std::as_const(refused))
            qInfo("refused: %s", qPrintable(line));
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    }
};

class TestHandEditedSettings : public QObject
{
    Q_OBJECT

private slots:
    // A settings file edited by hand: levels out of range, negative and huge bitrates, text
    // where numbers belong, codecs no engine has, a truncated key. Each configured pair then
    // runs on MEncoder from a DVD, at the level it starts at and at level 4 as seeded.
    void loadsAndRuns()
    {
        QDir().mkpath(TestMedia::folder() + "/configurators");
        const QString dvd = TestMedia::dvdFolder();
        QVERIFY(!dvd.isEmpty());
        QFile file(QSettings().fileName());
        QDir().mkpath(QFileInfo(file).absolutePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Encoder]\n"
                   "Last%20Profile\\avi=99\nLast%20Profile\\mp4=4\nLast%20Profile\\mpeg=-3\n"
                   "Last%20Profile\\mpeg_vcd=many\n"
                   "Last%20User%20Profile\\avi\\Video\\xvid%20PAL\\rez=@Size(623 351)\n"
                   "Last%20User%20Profile\\avi\\Video\\xvid%20PAL\\bitrate=-5\n"
                   "Last%20User%20Profile\\avi\\Video\\libfoo\\rez=@Size(640 480)\n"
                   "Last%20User%20Profile\\avi\\Audio\\mp3\\sampling=abc\n"
                   "Last%20User%20Profile\\mp4\\Video\\x264%20PAL\\rez=@Size(720 576)\n"
                   "Last%20User%20Profile\\mp4\\Video\\x264%20PAL\\bitrate=1e300\n"
                   "Last%20User%20Profile\\mp4\\Audio\\mp3\\sampl=44100\n"
                   "Last%20User%20Profile\\mp4\\Audio\\mp3\\bitrate=-128\n"
                   "Last%20User%20Profile\\mpeg\\Video\\mpeg2video\\rez=@Size(99999 99999)\n"
                   "Last%20User%20Profile\\mpeg\\Audio\\mp2\\sampling=-44100\n"
                   "Last%20User%20Profile\\mpeg\\Audio\\mp2\\bitrate=nan\n"
                   "Last%20User%20Profile\\mpeg_vcd\\Video\\mpeg1video\\rez=@Size(352\n");
        file.close();

        ConsoleEncoder console;
        Encoder &encoder = console.encoder;
        encoder.initEngine(1, "mencoder");
        if (!encoder.isEngineReady(1))
            QSKIP("MEncoder is not ready here");
        const EncodingSource source = loadedSource(encoder, true);
        MervoConfigurator configurator(&encoder);
        // Codecs no engine has are refused before any run.
        encoder.jobData(1)->target.muxer = "avi";
        QVERIFY(!configurator.buildOptions(1, "avi", "libfoo", "libbar"));
        QVERIFY(!configurator.buildOptions(1, "avi", "libfoo", "mp3"));
        QVERIFY(!configurator.buildOptions(1, "avi", "xvid", "libbar"));

        const QList<Pair> pairs = {{"avi", "xvid", "mp3"}, {"mp4", "x264", "mp3"},
                                   {"mpeg", "mpeg2video", "mp2"}, {"mpeg_vcd", "mpeg1video", "mp2_vcd"}};
        QList<Run> runs;
        QStringList refused;
        for (const Pair &pair : pairs) {
            const int before = runs.size();
            addRuns(encoder, configurator, source, pair, "edited", runs, refused);
            QVERIFY2(runs.size() > before, qPrintable(refused.join('\n')));
            const int start = configurator.profileGroup().selectedLevel;
            QVERIFY2(configurator.offersLevel(start) && start != 0, qPrintable(pair.muxer));
        }
        runAll(runs);
        QStringList faults;
        for (const Run &run : std::as_const(runs))
            if (run.outcome != "ok")
                faults << run.name + ": " + run.outcome + "\n    " + run.commands.value(0).join(' ');
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    }
};

VEXO_TEST_CLASS(TestConfiguratorConformance)
VEXO_TEST_CLASS(TestHandEditedSettings)
#include "tst_configuratorconformance.moc"
