// Every target the encoder panel offers, with every video and audio codec its lists offer
// and every profile level the configure dialog offers, and every target of the Job menu,
// built through the panel's and the window's own roads on the real engines, from six kinds
// of source opened as a user opens them, with the second audio track chosen where there
// are two (one test class per kind). Every output is checked as a player sees it: its
// codecs, a clean decode to the end, its length and that of its sound, its pictures'
// times, its shape and that of the picture inside any black bars, its sound's rate,
// channels and tone (which track it came from). Every offered choice passes, or the panel
// refuses it with its reason. The table prints its counts per engine and source kind, and
// the processor time it took.

#include "app/mervomainwindow.h"
#include "builders/encodesettings.h"
#include "encoder/mervoconfigurator.h"
#include "encoder/mervoencoder.h"
#include "encoder/records/encodingjob.h"
#include "encoding/activecombobox.h"
#include "encoding/mervoencoderwidget.h"
#include "gui4/gui4resources.h"
#include "jobs/encodingtaskdata.h"
#include "jobs/mervojob.h"
#include "jobs/mervojobmanager.h"
#include "jobs/mervoprocess.h"
#include "jobs/mervotask.h"
#include "outputreport.h"
#include "parallelruns.h"
#include "player/playerwidget.h"
#include "testmedia.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

#include <sys/resource.h>

VEXO_TEST_NEEDS_DISPLAY

using namespace WindowTesting;

namespace {
constexpr int kWait = 240000;

// One kind of source, as made here and as a player must find it again in an output.
struct Source
{
    QString key;     // names the outputs
    QString kind;    // names the kind in the counts
    QString path;
    bool dvd = false;
    int track = 0;   // the entry of the player's audio list chosen (0 the first track)
    double tone = 0; // Hz of that track
    double aspect = 0; // 0 without video
    int rate = 0, channels = 0;
};

// The sources last a second: long enough for every check, short enough for every choice.
Source makeSource(int index)
{
    const QStringList tone{"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=1"};
    const QStringList high{"-f", "lavfi", "-i", "sine=frequency=880:sample_rate=44100:duration=1"};
    const QStringList picture{"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1"};
    // Without it the MP3 encoder's delay moves the picture by part of a frame, and the AVI
    // muxer leaves the second picture out.
    const QStringList aviSound{"-ac", "2", "-c:a", "libmp3lame", "-avoid_negative_ts", "disabled"};
    switch (index) {
    case 0:
        return {"avi", "4:3 AVI", TestMedia::clip("table-43.avi", picture + tone + aviSound
                + QStringList{"-c:v", "mpeg4"}), false, 0, 440, 4.0 / 3, 44100, 2};
    case 1:
        return {"first", "AVI sound first", TestMedia::clip("table-soundfirst.avi", picture + tone + high
                + QStringList{"-map", "1:a", "-map", "2:a", "-map", "0:v", "-c:v", "mpeg4"} + aviSound),
                false, 1, 880, 4.0 / 3, 44100, 2};
    case 2:
        return {"mkv", "16:9 NTSC Matroska", TestMedia::clip("table-wide.mkv",
                {"-f", "lavfi", "-i", "testsrc=size=192x108:rate=30000/1001:duration=1", "-f", "lavfi", "-i",
                 "sine=frequency=440:sample_rate=48000:duration=1", "-f", "lavfi", "-i",
                 "sine=frequency=880:sample_rate=48000:duration=1", "-map", "0:v", "-map", "1:a", "-map", "2:a",
                 "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "ac3", "-ac", "6",
                 "-metadata:s:a:0", "language=eng", "-metadata:s:a:1", "language=ger"}),
                false, 1, 880, 16.0 / 9, 48000, 6};
    case 3:
        return {"flv", "FLV", TestMedia::clip("table.flv", QStringList{"-f", "lavfi", "-i",
                "testsrc=size=192x108:rate=25:duration=1"} + tone + QStringList{"-ac", "2", "-c:v", "libx264",
                "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac"}), false, 0, 440, 16.0 / 9, 44100, 2};
    case 4:
        return {"mp3", "audio only", TestMedia::clip("table-tone.mp3", tone + QStringList{"-ac", "2", "-c:a",
                "libmp3lame", "-b:a", "128k"}), false, 0, 440, 0, 44100, 2};
    default:
        return {"dvd", "DVD title", TestMedia::shortDvdFolder(), true, 1, 880, 16.0 / 9, 48000, 2};
    }
}

// One offered choice and what came of it.
struct Row
{
    QString muxer, video, audio; // for the Job menu's targets, the codecs the target writes
    int level = 0;
    bool letterboxed = false;    // a wide picture in a 4:3 frame
    QString name;                // the output's base name
    EncodeSettings settings;     // what the job was built from
    EncoderWidget::EncodingCommand command;
    MervoTask *task = nullptr;   // the encoding as the job engine ends it
    QString output;              // the file the user gets
    QString engines;
    QString refusal;             // why it was not run
    QString outcome;             // "ok" or the first fault
};

// The codec ffprobe names for a codec of the vocabulary.
QString probedCodec(const QString &codec)
{
    static const QMap<QString, QString> names{
        {"x264", "h264"}, {"x264_lr", "h264"}, {"x264_hd", "h264"}, {"x264_psp", "h264"},
        {"xvid", "mpeg4"}, {"aac_lr", "aac"}, {"aac_hq", "aac"}, {"aac_flv", "aac"},
        {"mp3_lr", "mp3"}, {"mp3_flv", "mp3"}, {"mp3_flv_lr", "mp3"}, {"mp2_vcd", "mp2"},
        {"amrnb", "amr_nb"}, {"ac3_copy", "ac3"}, {"novideo", ""}, {"noaudio", ""}};
    return names.value(codec, codec);
}

bool present(const QString &codec)
{
    return !codec.isEmpty() && codec != "novideo" && codec != "noaudio";
}

struct Fixture
{
    // The jobs of the runs the table made itself, which the panel finalises as its own.
    std::vector<std::unique_ptr<MervoJob>> runs;
    QTemporaryDir target;
    MervoMainWindow *window = nullptr;
    QPointer<MervoMainWindow> guard;

    Fixture()
    {
        WindowTesting::startSettings(target.path());
        window = new MervoMainWindow;
        guard = window;
        window->initialize();
        window->show();
    }
    ~Fixture()
    {
        if (guard)
            guard->close();
        QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), kScreenWait);
    }
    MervoJobManager *manager() const { return qobject_cast<MervoJobManager *>(window->jobManager()); }
    MervoEncoderWidget *panel() const { return window->mervoEncoderWidget(); }
    bool idle() const
    {
        for (MervoJob *job : manager()->jobs())
            if (!job->isFinished())
                return false;
        return manager()->isIdle();
    }
    // Opens the source through the File menu and chooses its audio track in the player.
    bool open(const Source &source)
    {
        FileChooserScript chooser;
        chooser.answer(source.path);
        (source.dvd ? window->openDvdAction : window->openFileAction)->trigger();
        if (!waitFor([&] { return panel()->encodingSource().kind == (source.dvd ? 2 : 1); }, kWait))
            return false;
        auto *tracks = window->playerWidget()->findChild<QComboBox *>("audioCombo");
        const int entry = tracks ? tracks->findData(source.track) : -1;
        if (entry < 0)
            return source.track == 0;
        tracks->setCurrentIndex(entry);
        return panel()->encodingSource().audio.aid == panel()->encodingSource().audioStreams.value(source.track).aid;
    }
};

void choose(ActiveComboBox *combo, const QString &id)
{
    const int index = combo->findData(id);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

QStringList entries(const ActiveComboBox *combo)
{
    QStringList ids;
    for (int i = 0; i < combo->count(); ++i)
        ids << combo->itemData(i).toString();
    return ids;
}

// The pairs the lists offer for a container: each video codec with the audio codec the
// panel then picks, and each audio codec with the container's first video codec.
QList<QPair<QString, QString>> offeredPairs(MervoEncoderWidget *panel, const QString &muxer)
{
    QList<QPair<QString, QString>> pairs;
    choose(panel->formatCombo(), muxer);
    const QStringList videos = entries(panel->videoCombo());
    for (const QString &video : videos) {
        choose(panel->videoCombo(), video);
        pairs << qMakePair(video, panel->audioCombo()->currentData().toString());
    }
    choose(panel->formatCombo(), muxer);
    const QString first = panel->videoCombo()->currentData().toString();
    for (const QString &audio : entries(panel->audioCombo()))
        if (!pairs.contains(qMakePair(first, audio)))
            pairs << qMakePair(first, audio);
    return pairs;
}

// Processor time of the test itself, or of the engines it ran.
double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The Job menu's targets: the action, what it is named in the table, the codecs it writes.
struct MenuTarget
{
    QAction *MervoMainWindow::*action;
    const char *name, *video, *audio;
};
const MenuTarget kMenuTargets[] = {
    {&MervoMainWindow::encodeVcdAction, "VCD", "mpeg1video", "mp2_vcd"},
    {&MervoMainWindow::encodeSvcdAction, "SVCD", "mpeg2video", "mp2_vcd"},
    {&MervoMainWindow::encodeXvidAction, "Xvid", "xvid", "mp3"},
    {&MervoMainWindow::encodeXvid1CDAction, "Xvid-1CD", "xvid", "mp3"},
};
} // namespace

// The table for one kind of source; each kind is a test class of its own.
class TargetTable : public QObject
{
    Q_OBJECT

protected:
    explicit TargetTable(int source) : m_sourceIndex(source) {}

private slots:
    void initTestCase()
    {
        initGui4Resources();
        qRegisterMetaType<MervoProcess *>();
    }
    void everyOfferedChoiceGivesAGoodFile();

private:
    void panelRows(Fixture &fixture, QList<Row> &rows);
    void buildRow(Fixture &fixture, Row &row);
    void runRows(Fixture &fixture, QList<Row> &rows);
    void menuRows(Fixture &fixture, QList<Row> &rows);
    void judge(QList<Row> &rows);
    QString fault(const Row &row, const DecodeReport &file) const;
    void report(const QList<Row> &rows, QStringList &failures) const;

    const int m_sourceIndex;
    Source m_source;
};

void TargetTable::buildRow(Fixture &fixture, Row &row)
{
    MervoEncoderWidget *panel = fixture.panel();
    MervoConfigurator *configurator = panel->mervoConfigurator();
    // As the configure dialog leaves it when the user picks the level and accepts.
    configurator->clearOptions();
    if (configurator->configure()) {
        configurator->profileGroup().selectedLevel = row.level;
        configurator->applySelection();
    }
    panel->loadSettings();
    const int type = panel->mervoEncoder()->preferredEngine();
    const EncodingTarget &target = panel->mervoEncoder()->jobData(type)->target;
    const int level = target.profile.level;
    row.settings = level != EncoderProfile::LevelNone && level != EncoderProfile::LevelUser
        ? EncodeSettings::ofProfile(target.profile, target.audio.volume)
        : EncodeSettings::ofTarget(target);
    row.letterboxed = (row.video == "h263" || row.video == "mpeg1video") && m_source.aspect >= 1.35;
    panel->setTarget(fixture.target.path(), row.name);
    // What Start would try and queue; the table runs it itself, side by side with the others.
    row.command = panel->plannedCommand(row.refusal);
    QStringList engines;
    for (const EncodingStep &step : std::as_const(row.command.steps))
        engines << Encoder::engineName(step.type);
    row.engines = engines.join('+');
    if (row.command.steps.isEmpty() && row.refusal.isEmpty())
        row.refusal = "no command";
}

void TargetTable::panelRows(Fixture &fixture, QList<Row> &rows)
{
    MervoEncoderWidget *panel = fixture.panel();
    for (const QString &muxer : entries(panel->formatCombo())) {
        for (const auto &[video, audio] : offeredPairs(panel, muxer)) {
            choose(panel->formatCombo(), muxer);
            choose(panel->videoCombo(), video);
            choose(panel->audioCombo(), audio);
            QList<int> levels;
            panel->mervoConfigurator()->clearOptions();
            if (panel->mervoConfigurator()->configure())
                for (const ProfileChoice &choice : panel->mervoConfigurator()->profileGroup().choices)
                    levels << choice.level;
            levels << EncoderProfile::LevelUser;
            for (int level : std::as_const(levels)) {
                Row row;
                row.muxer = muxer;
                row.video = video;
                row.audio = audio;
                row.level = level;
                row.name = QStringLiteral("%1-%2-%3-%4-L%5").arg(m_source.key, muxer, video, audio).arg(level);
                buildRow(fixture, row);
                rows << row;
            }
        }
    }
}

void TargetTable::runRows(Fixture &fixture, QList<Row> &rows)
{
    QList<QList<QStringList>> chains;
    for (const Row &row : std::as_const(rows)) {
        QList<QStringList> chain;
        for (const EncodingStep &step : row.command.steps)
            chain << QStringList{step.program} + step.arguments;
        chains << chain;
    }
    const QStringList faults = runChains(chains);
    // Each end as the job engine hands it to the panel, which finalises it as its own.
    for (qsizetype i = 0; i < rows.size(); ++i) {
        Row &row = rows[i];
        if (!row.refusal.isEmpty())
            continue;
        const EncodingStep &last = row.command.steps.last();
        row.task = new MervoTask;
        row.task->set(EncoderWidget::newTaskData(row.task, fixture.panel()->plannedTaskValues(row.command, last)),
                      last.program, last.arguments, fixture.target.path(), row.name, "Encoding");
        row.task->setState(faults[i].isEmpty() ? Task::Completed : Task::Aborted);
        row.outcome = faults[i];
        fixture.runs.push_back(std::make_unique<MervoJob>());
        fixture.panel()->adoptJob(fixture.runs.back().get(), row.command.output);
        MervoProcess process;
        process.mervoJob = fixture.runs.back().get();
        process.mervoTask = row.task;
        fixture.panel()->finalizeEncoding(&process);
    }
    QVERIFY(waitFor([&] { return fixture.idle(); }, kWait));
    // The finalising jobs the panel queued, by the file each makes.
    QMap<QString, QString> ends;
    for (MervoJob *job : fixture.manager()->jobs())
        for (MervoTask *task : job->tasks())
            if (task->state != Task::Completed)
                ends.insert(taskDataValue(task->taskData, TaskDataSlot::Extension).toString(),
                            QStringLiteral("finalising task ended in state %1").arg(task->state));
    for (Row &row : rows) {
        if (!row.refusal.isEmpty() || !row.outcome.isEmpty())
            continue;
        const QStringList written = QDir(fixture.target.path()).entryList({row.name + ".*"}, QDir::Files);
        row.output = written.size() == 1 ? fixture.target.filePath(written.first()) : QString();
        if (row.output.isEmpty())
            row.outcome = "no output: " + written.join(", ");
        else if (ends.contains(row.output))
            row.outcome = ends.value(row.output);
    }
}

void TargetTable::menuRows(Fixture &fixture, QList<Row> &rows)
{
    for (const MenuTarget &target : kMenuTargets) {
        QAction *action = fixture.window->*target.action;
        if (!action->isEnabled())
            continue; // not offered
        Row row;
        row.muxer = target.name;
        row.video = target.video;
        row.audio = target.audio;
        row.name = QStringLiteral("%1-menu-%2").arg(m_source.key, target.name);
        row.letterboxed = row.video == "mpeg1video" && m_source.aspect >= 1.35;
        row.settings.samplingRate = 44100;
        const qsizetype before = fixture.manager()->jobs().size();
        ModalAnswerer answerer;
        answerer.answerWith([&row](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            row.refusal = box ? (box->text() + ' ' + box->informativeText()).simplified() : "a window";
            modal->close();
            return true;
        });
        action->trigger();
        QVERIFY(waitFor([&] { return fixture.idle(); }, kWait));
        if (fixture.manager()->jobs().size() == before) {
            if (row.refusal.isEmpty())
                row.refusal = "nothing queued";
            rows << row;
            continue;
        }
        QStringList engines;
        for (MervoTask *task : fixture.manager()->jobs().last()->tasks()) {
            engines << Encoder::engineName(taskDataValue(task->taskData, TaskDataSlot::EngineType).toInt());
            if (task->state != Task::Completed)
                row.outcome = QStringLiteral("task \"%1\" ended in state %2").arg(task->name()).arg(task->state);
            row.output = taskDataValue(task->taskData, TaskDataSlot::OutputPath).toString();
        }
        engines.removeDuplicates();
        row.engines = engines.join('+');
        // The next target may write a file of the same name.
        const QString kept = fixture.target.filePath(row.name + '.' + QFileInfo(row.output).suffix());
        if (row.outcome.isEmpty() && !QFile::rename(row.output, kept))
            row.outcome = "no output: " + row.output;
        row.output = kept;
        rows << row;
    }
}

QString TargetTable::fault(const Row &row, const DecodeReport &file) const
{
    const Source &source = m_source;
    const auto first = [&](const char *type) {
        const QStringList streams = file.streams.filter(QString(",") + type);
        return streams.isEmpty() ? QString() : streams.first().section(',', 0, 0);
    };
    const QString video = first("video"), audio = first("audio");
    const bool withVideo = present(row.video) && source.aspect > 0;
    const bool withAudio = present(row.audio);
    const QString wantedVideo = withVideo ? probedCodec(row.video) : QString();
    const QString wantedAudio = withAudio ? probedCodec(row.audio) : QString();
    // The MP4 family stores MPEG audio of any layer under one type, which FFmpeg names mp3.
    const bool mpegAudio = wantedAudio == "mp2" && audio == "mp3"
                           && QStringList{"mp4", "mov", "ipod", "3gp", "3g2"}.contains(row.muxer);
    if (video != wantedVideo || (wantedAudio == "pcm" ? !audio.startsWith("pcm") : audio != wantedAudio && !mpegAudio))
        return QStringLiteral("streams %1/%2, expected %3/%4").arg(video, audio, wantedVideo, wantedAudio);
    if (!file.errors.isEmpty())
        return "decoding: " + file.errors.left(200).simplified();
    const double length = withVideo ? file.videoSeconds : file.audioSeconds;
    if (qAbs(length - 1.0) > 0.3)
        return QStringLiteral("lasts %1 s of 1").arg(length);
    if (withVideo && withAudio && qAbs(file.audioSeconds - file.videoSeconds) > 0.3)
        return QStringLiteral("sound lasts %1 s, picture %2 s").arg(file.audioSeconds).arg(file.videoSeconds);
    if (withVideo) {
        const int expected = file.step > 0 ? qRound(1.0 / file.step) : 0;
        if (file.holes > 0 || file.pictures < expected - 1)
            return QStringLiteral("%1 pictures of %2, %3 holes").arg(file.pictures).arg(expected).arg(file.holes);
        // A wide picture letterboxed into a 4:3 frame; any other frame has the source's shape,
        // and so has the picture inside any black bars.
        const double frame = row.letterboxed ? 4.0 / 3 : source.aspect;
        if (qAbs(file.displayAspect / frame - 1) > 0.03)
            return QStringLiteral("shown at %1, expected %2").arg(file.displayAspect, 0, 'f', 3).arg(frame, 0, 'f', 3);
        const QSize coded = file.videoSize;
        const double shape = file.picture.height() > 0 && coded.width() > 0
            ? double(file.picture.width()) / file.picture.height() * file.displayAspect * coded.height() / coded.width()
            : 0;
        if (qAbs(shape / source.aspect - 1) > 0.06)
            return QStringLiteral("picture %1x%2 in %3x%4 shown at %5: shape %6, expected %7")
                .arg(file.picture.width()).arg(file.picture.height()).arg(coded.width())
                .arg(coded.height()).arg(file.displayAspect, 0, 'f', 3).arg(shape, 0, 'f', 3)
                .arg(source.aspect, 0, 'f', 3);
    }
    if (withAudio) {
        // A copy keeps the source's sound; an encode has the target's rate and at most two
        // channels (AMR one).
        const bool copy = row.audio == "ac3_copy" || row.settings.samplingRate < 0;
        const int rate = row.settings.samplingRate > 0 ? row.settings.samplingRate : source.rate;
        if (file.sampleRate != rate)
            return QStringLiteral("sound at %1 Hz, expected %2").arg(file.sampleRate).arg(rate);
        const int channels = copy ? source.channels : row.audio == "amrnb" ? 1 : 2;
        if (copy ? file.channels != channels : file.channels > channels)
            return QStringLiteral("%1 channels, expected %2%3").arg(file.channels).arg(copy ? "" : "at most ").arg(channels);
        if (qAbs(file.toneHz / source.tone - 1) > 0.1)
            return QStringLiteral("a tone of %1 Hz, the chosen track has %2").arg(file.toneHz, 0, 'f', 0).arg(source.tone);
    }
    return "ok";
}

void TargetTable::judge(QList<Row> &rows)
{
    QList<ParallelRun> runs;
    QList<int> rowOf;
    const QString folder = TestMedia::folder() + "/table-checks";
    QDir().mkpath(folder);
    for (int i = 0; i < rows.size(); ++i) {
        const Row &row = rows[i];
        if (!row.refusal.isEmpty() || !row.outcome.isEmpty())
            continue;
        runs.append({"ffmpeg", decodeArguments(row.output, folder + "/" + row.name,
                                               present(row.video) && m_source.aspect > 0, present(row.audio))});
        runs.last().mergeChannels = true;
        rowOf << i;
    }
    runInParallel(runs, [](int) {});
    for (int i = 0; i < runs.size(); ++i) {
        Row &row = rows[rowOf[i]];
        row.outcome = fault(row, readDecodeReport(runs[i].output, folder + "/" + row.name));
    }
}

void TargetTable::report(const QList<Row> &rows, QStringList &failures) const
{
    struct Count { int offered = 0, passed = 0, refused = 0; };
    QMap<QString, Count> counts; // by engine
    for (const Row &row : rows) {
        const QString what = QStringLiteral("%1 %2 %3 L%4").arg(row.muxer, -9).arg(row.video, -10)
                                 .arg(row.audio, -10).arg(row.level);
        Count &count = counts[row.engines.isEmpty() ? QStringLiteral("-") : row.engines];
        ++count.offered;
        if (!row.refusal.isEmpty()) {
            // A choice refused at Start is one the lists should not have offered.
            ++count.refused;
            failures << what;
            qInfo().noquote() << what << "refused:" << row.refusal;
            continue;
        }
        count.passed += row.outcome == "ok";
        if (row.outcome != "ok") {
            failures << what;
            qInfo().noquote() << what << row.engines.leftJustified(10) << row.outcome;
            for (const EncodingStep &step : row.command.steps)
                qInfo().noquote() << "    " << step.program << step.arguments.join(' ');
        }
    }
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        qInfo().noquote() << QStringLiteral("%1 from %2: %3 offered, %4 passed, %5 refused")
                                 .arg(it.key(), m_source.kind).arg(it.value().offered).arg(it.value().passed)
                                 .arg(it.value().refused);
}

void TargetTable::everyOfferedChoiceGivesAGoodFile()
{
    QElapsedTimer timer;
    timer.start();
    const double ownBefore = cpuSeconds(RUSAGE_SELF), enginesBefore = cpuSeconds(RUSAGE_CHILDREN);
    m_source = makeSource(m_sourceIndex);
    QVERIFY2(!m_source.path.isEmpty(), qPrintable(m_source.kind));
    Fixture fixture;
    QVERIFY2(fixture.open(m_source), qPrintable(m_source.kind));
    QList<Row> rows;
    panelRows(fixture, rows);
    runRows(fixture, rows);
    menuRows(fixture, rows);
    const double encoding = cpuSeconds(RUSAGE_CHILDREN) - enginesBefore;
    judge(rows);
    QStringList failures;
    report(rows, failures);
    qInfo("%s: %d rows, %d failed, %lld s; processor time %.0f s for the test, %.0f s for the "
          "engines (%.0f s encoding, the rest checking)", qPrintable(m_source.kind), int(rows.size()),
          int(failures.size()), timer.elapsed() / 1000, cpuSeconds(RUSAGE_SELF) - ownBefore,
          cpuSeconds(RUSAGE_CHILDREN) - enginesBefore, encoding);
    for (const Row &row : std::as_const(rows))
        delete row.task;
    QCOMPARE(failures, QStringList());
}

class TargetTableAviTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableAviTest() : TargetTable(0) {}
};
class TargetTableSoundFirstAviTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableSoundFirstAviTest() : TargetTable(1) {}
};
class TargetTableMatroskaTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableMatroskaTest() : TargetTable(2) {}
};
class TargetTableFlvTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableFlvTest() : TargetTable(3) {}
};
class TargetTableAudioOnlyTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableAudioOnlyTest() : TargetTable(4) {}
};
class TargetTableDvdTest : public TargetTable
{
    Q_OBJECT
public:
    TargetTableDvdTest() : TargetTable(5) {}
};

VEXO_TEST_CLASS(TargetTableAviTest)
VEXO_TEST_CLASS(TargetTableSoundFirstAviTest)
VEXO_TEST_CLASS(TargetTableMatroskaTest)
VEXO_TEST_CLASS(TargetTableFlvTest)
VEXO_TEST_CLASS(TargetTableAudioOnlyTest)
VEXO_TEST_CLASS(TargetTableDvdTest)
#include "tst_targettable.moc"
