// The extended encoder panel on real engines: a queued AVI encoding and its unique names, a
// refused trial, a preview in the preview window, an audio target through MEncoder's
// intermediate and its finalising job, a finalise that fails, and the configure dialog.

#include "viewtestsupport.h"
#include "windowtesting.h"
#include "enginetesting.h"
#include "outputreport.h"

#include "encoder/encoder.h"
#include "encoder/mervoconfigurator.h"
#include "encoding/activecombobox.h"
#include "encoding/consoledialog.h"
#include "encoding/encoderconfiguredialog.h"
#include "encoding/encoderpreviewdialog.h"
#include "player/playerdialog.h"
#include "encoding/finalizerules.h"
#include "encoding/joboutputrouter.h"
#include "encoding/jobmanagerwidget.h"
#include "encoding/mervoencoderconfiguredialog.h"
#include "encoding/mervoencoderwidget.h"
#include "encoding/mervojobmanagerwidget.h"
#include "encoder/optionitem.h"
#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "jobs/jobmanager.h"
#include "jobs/job.h"
#include "startswatch.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

VEXO_TEST_NEEDS_DISPLAY

namespace {
// A loaded source with its picture and sound chosen, as the main window hands it over.
void handOver(EncoderWidget *widget, const QString &path, int kind, const VideoInfo &video, bool noVideo,
              const AudioInfo &audio, const SourceFacts &facts = SourceFacts())
{
    widget->onMovieLoaded(path, kind);
    EncodingSource chosen;
    chosen.video = video;
    chosen.noVideo = noVideo;
    chosen.audio = audio;
    chosen.noAudio = false;
    chosen.facts = facts;
    widget->updateInput(chosen, true);
    widget->enableControls(true); // as the main window does after a load
}

// MPlayer numbers an AVI's audio stream 1 (after the video), an MPEG program stream's 0.
void loadSource(EncoderWidget *widget, const QString &path, double aspect, double length,
                const QString &videoFormat, bool noVideo = false)
{
    VideoInfo video;
    video.kind = VideoInfo::MediaFile;
    video.videoFormat = videoFormat;
    video.width = video.scaledWidth = 320;
    video.height = video.scaledHeight = 180;
    video.aspect = aspect;
    video.frameRate = 25.0;
    video.length = length;
    AudioInfo audio;
    audio.streamNumber = audio.aid = videoFormat == "mpeg1video" ? 0 : 1;
    audio.format = "mp3";
    audio.channelCount = 1;
    audio.samplingRate = 44100;
    audio.bitrate = 128;
    // FFprobe measured it at the load: a constant rate, both streams from 0.
    SourceFacts facts;
    facts.measured = true;
    handOver(widget, path, 1, video, noVideo, audio, facts);
}

// Title 1 of a generated DVD with its second audio language, the 880 Hz tone.
struct DvdTitle
{
    const char *name;
    QString (*folder)();
    QSize size;
    double frameRate;
    const char *standard;
    double length;
    const char *language;
    double bitrate;
};
const DvdTitle kDvdTitles[] = {
    {"PAL DVD", &TestMedia::dvdFolder, {720, 576}, 25.0, "PAL", 8.0, "fr", 192},
    {"NTSC DVD", &TestMedia::ntscWideDvdFolder, {352, 240}, 29.97, "NTSC", 20.0, "de", 128},
};
const DvdTitle &dvdTitle(const QString &name)
{
    for (const DvdTitle &title : kDvdTitles)
        if (name == title.name)
            return title;
    return kDvdTitles[0];
}

// A 16:9 DVD title (the 8 s PAL one unless named) with its second language as the player
// panel hands it over.
void loadDvdTitle(EncoderWidget *widget, const QString &name = "PAL DVD")
{
    const DvdTitle &title = dvdTitle(name);
    VideoInfo video;
    video.kind = VideoInfo::DvdTitle;
    video.title = 1;
    video.videoFormat = "mpeg2video";
    video.width = video.scaledWidth = title.size.width();
    video.height = video.scaledHeight = title.size.height();
    video.aspect = 16.0 / 9.0;
    video.frameRate = title.frameRate;
    video.standard = title.standard;
    video.length = title.length;
    AudioInfo audio;
    audio.streamNumber = 1;
    audio.aid = 129;
    audio.format = "ac3";
    audio.language = title.language;
    audio.channelCount = 2;
    audio.samplingRate = 48000;
    audio.bitrate = title.bitrate;
    handOver(widget, title.folder(), 2, video, false, audio);
}

// Answers the failure box of a start and keeps its informative text.
void answerFailureBox(WindowTesting::ModalAnswerer &answerer, QString *informative)
{
    answerer.answerWith([informative](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return false;
        *informative = box->informativeText();
        box->accept();
        return true;
    });
}

void chooseEntry(ActiveComboBox *combo, const QString &id)
{
    const int index = combo->findData(id);
    QStringList ids;
    for (int i = 0; i < combo->count(); ++i)
        ids << combo->itemData(i).toString();
    QVERIFY2(index >= 0, qPrintable(id + " not in " + ids.join(',') + " " + combo->toolTip()));
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

void chooseTarget(EncoderWidget *widget, const QString &muxer, const QString &video, const QString &audio)
{
    chooseEntry(widget->formatCombo(), muxer);
    chooseEntry(widget->videoCombo(), video);
    chooseEntry(widget->audioCombo(), audio);
}

// The main window's part: its job manager, its job view, and the routing of its jobs' ends
// to the panel's finalising step.
struct MainSide
{
    QTextEdit stdIn, stdOut, stdErr, log;
    MervoJobManager manager{&stdIn, &stdOut, &stdErr, &log, 3, 0, 0, 0};
    MervoJobManagerWidget view{nullptr};

    void route(MervoEncoderWidget *panel)
    {
        view.setJobManager(&manager);
        QObject::connect(&manager, &MervoJobManager::jobStarted, &view, &MervoJobManagerWidget::addJobContainer);
        QObject::connect(&manager, qOverload<MervoProcess *>(&MervoJobManager::processStdOutReady), &view,
                         [](MervoProcess *p) { JobOutputRouter::readChannel(p, QProcess::StandardOutput, -1.0); });
        QObject::connect(&manager, qOverload<MervoProcess *>(&MervoJobManager::processStdErrReady), &view,
                         [](MervoProcess *p) { JobOutputRouter::readChannel(p, QProcess::StandardError, -1.0); });
        QObject::connect(&manager, qOverload<MervoProcess *, int, QProcess::ExitStatus>(&MervoJobManager::processFinished),
                         panel, [panel](MervoProcess *p) {
                             if (JobOutputRouter::finish(p))
                                 panel->finalizeEncoding(p);
                         });
    }
    bool idle() { return manager.isIdle(); }
};

struct Panel
{
    MainSide main;
    std::unique_ptr<MervoEncoderWidget> widget;

    explicit Panel(const QString &ffmpeg = "/usr/bin/ffmpeg")
    {
        EncoderPreferences preferences;
        widget = std::make_unique<MervoEncoderWidget>(nullptr, &main.manager, ffmpeg, "/usr/bin/mencoder",
                                                      "/usr/bin/x264", "/usr/bin/mkvmerge", &main.stdIn,
                                                      &main.stdOut, &main.stdErr, &main.log, 3, &preferences);
        widget->setPlayerSetup(nullptr, "/usr/bin/mplayer", "/usr/bin/mediainfo", "/usr/bin/ffprobe",
                               nullptr, nullptr, nullptr, nullptr, 1, nullptr);
        widget->applyEngineBinPaths();
        bool ffmpegReady = false, mencoderReady = false, x264Ready = false, mkvmergeReady = false;
        widget->enginesReady(ffmpegReady, mencoderReady, x264Ready, mkvmergeReady);
        QVERIFY(mencoderReady && x264Ready && mkvmergeReady);
        main.route(widget.get());
    }
    void load(const QString &path, double aspect, double length, const QString &videoFormat = "mpeg4")
    {
        loadSource(widget.get(), path, aspect, length, videoFormat);
    }
    void target(const QString &muxer, const QString &video, const QString &audio)
    {
        chooseTarget(widget.get(), muxer, video, audio);
    }
};

// The base panel with a job manager of its own, on the installed engines.
struct BasePanel
{
    QTextEdit stdIn, stdOut, stdErr, log;
    JobManager main{&stdIn, &stdOut, &stdErr, &log, 3, 0, 0, 0};
    EncoderPreferences preferences;
    EncoderWidget widget{nullptr, &main, "/usr/bin/ffmpeg", "/usr/bin/mencoder", &stdIn, &stdOut, &stdErr,
                         &log, 3, &preferences};
    JobManagerWidget view{nullptr};
    BasePanel() { widget.initEncoder(); }

    // As the main window does: its job view gives each started task its console, and the
    // ends of all its jobs go to the panel.
    void route()
    {
        view.setJobManager(&main);
        QObject::connect(&main, &JobManager::processStarted, &view, &JobManagerWidget::addMiniConsole);
        QObject::connect(&main, &JobManager::processFinished, &widget, [this](Process *p) {
            if (JobOutputRouter::finish(p))
                widget.finalizeEncoding(p);
        });
    }
};

QString freshFolder(const QString &name)
{
    const QString folder = TestMedia::folder() + '/' + name;
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    return folder;
}

// A 6 s MPEG-1 program stream: MEncoder is the engine for such sources.
QString mpeg1Clip()
{
    return TestMedia::clip("mpeg1.mpg", {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=6", "-f",
                                         "lavfi", "-i", "sine=duration=6", "-c:v", "mpeg1video", "-c:a", "mp2",
                                         "-shortest"});
}

// FFmpeg that is slow to start its jobs; its trials, limited to the preferences' 1000000
// bytes, run at once (with any other limit they fail).
QString slowJobsFfmpeg()
{
    return writeEngineScript("ffmpeg-slow-jobs",
        "case \"$*\" in *\" -fs 1000000 \"*|*-version*|*-codecs*|*-formats*|*-muxers*) ;;\n"
        "  *\" -fs \"*) exit 1;; *) sleep 2;; esac\n"
        "exec /usr/bin/ffmpeg \"$@\"");
}

// What a player finds decoding a file to its end (see DecodeReport), and how many of its
// pictures repeat the one before: a constant clock fills a hole in a stream with repeats.
struct Played
{
    DecodeReport report;
    int repeats = 0;
};
Played played(const QString &path, const QString &name)
{
    const QString files = freshFolder("panel-played-" + name) + "/decoded";
    QString log;
    Played played;
    if (TestMedia::run("ffmpeg", decodeArguments(path, files, true, true), nullptr, &log) != 0)
        return played;
    played.report = readDecodeReport(log.toUtf8(), files);
    QFile pictures(files + ".video");
    QByteArray last;
    if (pictures.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : pictures.readAll().split('\n')) {
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            const QByteArray checksum = line.mid(line.lastIndexOf(',') + 1).trimmed();
            played.repeats += checksum == last;
            last = checksum;
        }
    }
    return played;
}

// What the configure button opens for the chosen pair: "dialog" (closed unchanged), or the
// text of the box that refuses the pair.
QString configureAnswer(EncoderWidget *widget)
{
    WindowTesting::ModalAnswerer answerer;
    QString seen;
    answerer.answerWith([&seen](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        seen = box ? box->text() : QString("dialog");
        modal->close();
        return true;
    });
    widget->configureButton()->click();
    return seen;
}

QString probe(const QString &path, const QString &stream, const QString &entry)
{
    QString out;
    TestMedia::run("ffprobe", {"-v", "error", "-select_streams", stream, "-show_entries",
                               "stream=" + entry, "-of", "default=nw=1:nk=1", path}, &out);
    return out.trimmed();
}

// The real analysis, with the display aspect reported as 4:3.
MediaInfoData reportedFourThree(const PlayerSetup &setup, const QString &file)
{
    MediaInfoData data = FinalizeRules::mediaInfoAnalysis(setup, file);
    if (data.videoFields.contains("Display aspect ratio"))
        data.videoFields.insert("Display aspect ratio", "4:3");
    return data;
}

// Analysis that reports an AVI whose display aspect is 4:3 whatever was asked.
MediaInfoData fourThree(const PlayerSetup &, const QString &)
{
    MediaInfoData data;
    data.generalFields.insert("Format", "AVI");
    data.videoFields.insert("Format", "MPEG-4 Visual");
    data.videoFields.insert("Display aspect ratio", "4:3");
    data.videoFields.insert("Duration", "5 s");
    return data;
}

// A 60 s 16:9 clip with mono MP3 sound, made once.
QString wideClip()
{
    return TestMedia::clip("wide60.avi", {"-f", "lavfi", "-i", "testsrc=size=320x180:rate=25:duration=60",
                                          "-f", "lavfi", "-i", "sine=frequency=440:duration=60",
                                          "-c:v", "mpeg4", "-q:v", "8", "-aspect", "16:9", "-c:a",
                                          "libmp3lame", "-ac", "1", "-shortest"});
}
} // namespace

class EncoderPanelTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_wide = wideClip();
        QVERIFY(!m_wide.isEmpty());
    }

    // A DVD's AC-3 sound is copied as it is (level 5, nothing to configure), in both panels;
    // the same target for a file is configured as any other and, with no level remembered,
    // starts at level 2.
    void dvdSoundCopiedAsItIs_data()
    {
        QTest::addColumn<bool>("extended");
        QTest::addColumn<int>("kind");
        QTest::newRow("base, DVD") << false << 2;
        QTest::newRow("extended, DVD") << true << 2;
        QTest::newRow("base, file") << false << 1;
        QTest::newRow("extended, file") << true << 1;
    }
    void dvdSoundCopiedAsItIs()
    {
        QFETCH(bool, extended);
        QFETCH(int, kind);
        QSettings().remove("Encoder/Last Profile");
        Panel panel;
        QTextEdit log;
        EncoderPreferences preferences;
        EncoderWidget base(nullptr, &panel.main.manager, "/usr/bin/ffmpeg", "/usr/bin/mencoder", &log, &log,
                           &log, &log, 1, &preferences);
        base.initEncoder();
        EncoderWidget *widget = extended ? panel.widget.get() : &base;
        loadSource(widget, kind == 2 ? TestMedia::dvdFolder() : m_wide, 16.0 / 9.0, 15.0, "mpeg2video");
        if (kind == 2) {
            widget->onMovieLoaded(TestMedia::dvdFolder(), 2);
            widget->enableControls(true);
        }
        chooseEntry(widget->formatCombo(), "ac3");
        const EncodingJob *job = widget->encoder()->jobData(widget->encoder()->preferredEngine());
        QVERIFY(job);
        QCOMPARE(job->target.profile.level, kind == 2 ? int(EncoderProfile::LevelAudioCopy) : 2);
        QCOMPARE(widget->configureButton()->isEnabled(), kind != 2);
    }

    // The panel's remembered switches: the codec bar and the last container (which the first
    // loaded movie opens with), read and written under their keys; the volume correction
    // stays within 48 dB either way.
    void rememberedSwitchesAndVolume()
    {
        QSettings().setValue("Options/Encoder/show codecs", true);
        QSettings().setValue("Options/Encoder/last format", "mp4");
        {
            Panel panel;
            QVERIFY(!panel.widget->codecBar()->isHidden());
            panel.load(m_wide, 16.0 / 9.0, 60.0);
            QCOMPARE(panel.widget->formatCombo()->currentData().toString(), QString("mp4"));
            panel.widget->codecBarFlipFlop();
            QCOMPARE(QSettings().value("Options/Encoder/show codecs").toBool(), false);
            panel.target("avi", "xvid", "mp3");
            // It served the first load only.
            panel.load(m_wide, 16.0 / 9.0, 60.0);
            QCOMPARE(panel.widget->formatCombo()->currentData().toString(), QString("avi"));
            panel.widget->setSaveSettingsOnExit(true);
            for (const int asked : {60, -60, 12}) {
                panel.widget->audioCorrection()->setValue(asked);
                const int kept = qBound(-48, asked, 48);
                QCOMPARE(panel.widget->audioCorrection()->value(), kept);
                QCOMPARE(panel.widget->encoder()->jobData(1)->target.audio.volume, kept);
            }
        }
        QCOMPARE(QSettings().value("Options/Encoder/last format").toString(), QString("avi"));
        // A first source that cannot take it (sound only) uses it up all the same: the next
        // movie gets the panel's format from before.
        QSettings().setValue("Options/Encoder/last format", "mp4");
        Panel panel;
        const QString before = panel.widget->encoder()->targetMuxer();
        QCOMPARE(before, QString("avi"));
        loadSource(panel.widget.get(), m_wide, 16.0 / 9.0, 60.0, "mpeg4", true);
        QVERIFY(panel.widget->formatCombo()->currentData().toString() != "mp4");
        panel.load(m_wide, 16.0 / 9.0, 60.0);
        QCOMPARE(panel.widget->formatCombo()->currentData().toString(), before);
    }

    // The base panel's configure dialog: a click on a profile shows its summary and marks its
    // level, OK applies it; Escape closes the dialog and applies nothing.
    void baseConfigureDialog()
    {
        QSettings().remove("Encoder/Last Profile");
        BasePanel base;
        EncoderWidget &panel = base.widget;
        loadSource(&panel, m_wide, 16.0 / 9.0, 60.0, "mpeg4");
        chooseTarget(&panel, "avi", "xvid", "mp3");
        struct Seen { QString before, after; bool closed = false; };
        const auto pick = [](int level, bool accept, Seen &seen) {
            return [level, accept, &seen](QWidget *modal) {
                auto *dialog = qobject_cast<EncoderConfigureDialog *>(modal);
                if (!dialog)
                    return false;
                seen.before = dialog->selectedLabel()->text();
                for (QAbstractButton *button : dialog->profileButtons())
                    if (dialog->levelOf(button) == level)
                        button->click();
                seen.after = dialog->selectedLabel()->text();
                if (accept)
                    dialog->accept();
                else
                    QTest::keyClick(dialog, Qt::Key_Escape);
                seen.closed = !dialog->isVisible();
                return true;
            };
        };
        Seen third, first;
        WindowTesting::ModalAnswerer answerer;
        answerer.answerWith(pick(3, true, third));
        panel.configureButton()->click();
        QVERIFY2(!third.after.isEmpty() && third.after != third.before, qPrintable(third.after));
        QCOMPARE(QSettings().value("Encoder/Last Profile/avi").toInt(), 3);
        const EncodingJob *job = panel.encoder()->jobData(panel.encoder()->preferredEngine());
        QCOMPARE(job->target.profile.level, 3);
        answerer.answerWith(pick(1, false, first));
        panel.configureButton()->click();
        QCOMPARE(first.before, third.after);
        QVERIFY(first.after != first.before);
        QVERIFY(first.closed);
        QCOMPARE(QSettings().value("Encoder/Last Profile/avi").toInt(), 3);
        QCOMPARE(job->target.profile.level, 3);
    }

    // An MP3 target of an MPEG-1 source goes through MEncoder's " (step 0).avi" file and an
    // FFmpeg extraction in the same job box; the intermediate is gone afterwards. An
    // extraction that ends well but writes nothing has failed: the encoding stays whole in
    // the intermediate, which cannot take the final name.
    void audioTargetGoesThroughIntermediate_data()
    {
        QTest::addColumn<bool>("writes");
        QTest::newRow("extraction") << true;
        QTest::newRow("extraction that writes nothing") << false;
    }
    void audioTargetGoesThroughIntermediate()
    {
        QFETCH(bool, writes);
        Panel panel(writes ? QString("/usr/bin/ffmpeg")
                           : writeEngineScript("ffmpeg-extracts-nothing",
                                               "case \"$*\" in *\"(step 0).avi\"*) exit 0;; esac\n"
                                               "exec /usr/bin/ffmpeg \"$@\""));
        const QString folder = freshFolder("panel-mp3");
        const QString clip = mpeg1Clip();
        panel.load(clip, 4.0 / 3.0, 6.0, "mpeg1video");
        // A name of its own a row: MEncoder's intermediate names are taken once per run.
        const QString name = writes ? "tone" : "mute";
        panel.widget->setTarget(folder, name);
        chooseEntry(panel.widget->formatCombo(), "mp3");
        // The sound at the low level's rate: MEncoder's to make.
        chooseEntry(panel.widget->audioCombo(), "mp3_lr");
        QCOMPARE(panel.widget->videoCombo()->currentData().toString(), QString("novideo"));
        QVERIFY(panel.widget->canEncode());
        QCOMPARE(panel.widget->encoder()->preferredEngine(), 1);
        panel.widget->startButton()->click();
        QCOMPARE(panel.main.manager.jobs().size(), 1);
        const QString intermediate = folder + '/' + name + " (step 0).avi";
        QCOMPARE(panel.main.manager.jobs().first()->tasks().first()->taskData->at(5).toString(), intermediate);
        const bool finished = WindowTesting::waitFor([&] { return panel.main.manager.jobs().size() == 2 && panel.main.idle(); }, 60000);
        if (!finished)
            qWarning().noquote() << panel.main.log.toPlainText().right(1500) << panel.main.manager.jobs().first()->tasks().first()->commandLine();
        QVERIFY(finished);
        MervoJob *finalizing = panel.main.manager.jobs().last();
        QCOMPARE(finalizing->container, panel.main.manager.jobs().first()->container);
        QCOMPARE(finalizing->tasks().first()->state, Task::Completed);
        if (!writes) {
            QVERIFY(TestMedia::probeDuration(intermediate) > 5.0);
            QVERIFY(!QFile::exists(folder + "/mute.mp3"));
            QVERIFY(panel.main.log.toPlainText().contains("Failed to finalize encoding: " + intermediate));
            QVERIFY(!panel.main.log.toPlainText().contains("Finalizing completed."));
            return;
        }
        QVERIFY(!QFile::exists(intermediate));
        QVERIFY(qAbs(TestMedia::probeDuration(folder + "/tone.mp3") - 6.0) < 1.0);
        QVERIFY(panel.main.log.toPlainText().contains("Finalizing..."));
        // The panel closes once, after the finalising job.
        QVERIFY(!panel.main.log.toPlainText().contains("Encoding completed."));
        QVERIFY(panel.main.log.toPlainText().contains("Finalizing completed."));
    }

    // An AVI whose aspect MediaInfo reports off the request gets an FFmpeg aspect correction
    // in the same job box; the renamed intermediate is gone afterwards. (MEncoder's AVI
    // already carries the requested aspect, so the analysis reports it as 4:3.)
    // A correction that ends well but writes nothing has failed: the encoding gets its name
    // back whole, uncorrected, and the log says so.
    void aspectCorrectionFollowsEncoding_data()
    {
        QTest::addColumn<bool>("writes");
        QTest::newRow("correction") << true;
        QTest::newRow("correction that writes nothing") << false;
    }
    void aspectCorrectionFollowsEncoding()
    {
        QFETCH(bool, writes);
        Panel panel(writes ? QString("/usr/bin/ffmpeg")
                           : writeEngineScript("ffmpeg-corrects-nothing",
                                               "case \"$*\" in *\"(step 0).avi\"*) exit 0;; esac\n"
                                               "exec /usr/bin/ffmpeg \"$@\""));
        const QString folder = freshFolder("panel-aspect");
        panel.load(mpeg1Clip(), 16.0 / 9.0, 6.0, "mpeg1video");
        // A name of its own a row: MEncoder's intermediate names are taken once per run.
        const QString name = writes ? "wide" : "narrow";
        panel.widget->setTarget(folder, name);
        panel.target("avi", "xvid", "mp3");
        QCOMPARE(panel.widget->encoder()->preferredEngine(), 1);
        FinalizeRules::setAnalyzer(reportedFourThree);
        panel.widget->startButton()->click();
        QVERIFY(WindowTesting::waitFor([&] { return panel.main.manager.jobs().size() == 2 && panel.main.idle(); }, 60000));
        FinalizeRules::setAnalyzer(nullptr);
        MervoJob *finalizing = panel.main.manager.jobs().last();
        QCOMPARE(finalizing->tasks().first()->state, Task::Completed);
        QCOMPARE(finalizing->container, panel.main.manager.jobs().first()->container);
        const QString output = folder + '/' + name + ".avi";
        QVERIFY(!QFile::exists(folder + '/' + name + " (step 0).avi"));
        QVERIFY(qAbs(TestMedia::probeDuration(output) - 6.0) < 1.0);
        const QString log = panel.main.log.toPlainText();
        QCOMPARE(log.contains("Finalizing completed."), writes);
        if (writes)
            QCOMPARE(probe(output, "v:0", "display_aspect_ratio"), QString("16:9"));
        else
            QVERIFY(log.contains("Failed to finalize encoding: " + output));
    }

    // The base panel runs an encoding as one task: a DVD target that takes two engines one
    // after the other is refused with that reason, and nothing is queued.
    void basePanelRefusesTwoEngineRoad()
    {
        BasePanel base;
        EncoderWidget &panel = base.widget;
        loadDvdTitle(&panel);
        panel.setTarget(freshFolder("panel-base-road"), "road");
        chooseEntry(panel.formatCombo(), "mp4");
        chooseEntry(panel.videoCombo(), "x264");
        WindowTesting::ModalAnswerer answerer;
        QString informative;
        answerFailureBox(answerer, &informative);
        panel.startButton()->click();
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(informative, QString("This target takes two engines one after the other."));
        QVERIFY(base.main.jobs().isEmpty() && panel.ownJobManager()->jobs().isEmpty());
    }

    // An engine that ends 0 without writing its output has failed: logged, not analysed, no
    // finalising job, and the panel is ready again.
    void silentEngineCountsAsFailure()
    {
        Panel panel;
        const QString fake = writeEngineScript("mencoder-writes-nothing",
                                               "case \"$*\" in *-frames*) exec /usr/bin/mencoder \"$@\";; "
                                               "*\" -o \"*) exit 0;; esac; exec /usr/bin/mencoder \"$@\"");
        panel.widget->setEngineBinPath(1, fake);
        panel.widget->setVerbosity(1); // the failure is told also at the quietest level
        const QString folder = freshFolder("panel-silent");
        panel.load(mpeg1Clip(), 4.0 / 3.0, 6.0, "mpeg1video");
        panel.widget->setTarget(folder, "silent");
        panel.target("avi", "xvid", "mp3");
        panel.widget->startButton()->click();
        QVERIFY(WindowTesting::waitFor([&] { return panel.main.idle(); }, 30000));
        QCOMPARE(panel.main.manager.jobs().size(), 1);
        QCOMPARE(panel.main.manager.jobs().first()->tasks().first()->state, Task::Aborted);
        QVERIFY(panel.main.log.toPlainText().contains("Encoding failed."));
        QVERIFY(!panel.main.log.toPlainText().contains("Encoding completed."));
        QVERIFY(!panel.main.log.toPlainText().contains("Finalizing..."));
        QVERIFY(panel.widget->isReady());
    }

    // A finalise that fails, or cannot start (the rename to its intermediate refused: a
    // folder stands in that name), keeps the encoding under its final name and says so, and
    // the panel does not call it completed; a preview's window then shows it finished.
    void failedFinaliseKeepsEncoding_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("preview");
        QTest::addColumn<int>("jobs"); // of the main window's manager
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("logged"); // "@" stands for the final output
        QTest::newRow("the correction fails") << "ffmpeg" << false << 2 << "" << "Failed to finalize encoding: @";
        QTest::newRow("the rename before it is refused") << "mencoder" << false << 1 << "Failed to finalize encoding."
                                                         << "Failed to finalize encoding.";
        QTest::newRow("the rename refused after a preview") << "mencoder" << true << 0 << "Failed to finalize encoding."
                                                            << "Failed to finalize encoding.";
    }
    void failedFinaliseKeepsEncoding()
    {
        QFETCH(QString, fault);
        QFETCH(bool, preview);
        QFETCH(int, jobs);
        QFETCH(QString, box);
        QFETCH(QString, logged);
        const QString folder = freshFolder("panel-fail");
        const QString final = folder + "/movie.avi";
        const QString intermediate = folder + "/movie (step 0).avi";
        const QString ffmpeg = fault != "ffmpeg" ? QString("/usr/bin/ffmpeg") : writeEngineScript("ffmpeg-fails-copy",
            "case \"$*\" in *-aspect*) for last; do :; done; printf part > \"$last\"; exit 1;; esac; exec /usr/bin/ffmpeg \"$@\"");
        Panel panel(ffmpeg);
        // Once the name is chosen (the trial writes too), a folder takes the intermediate's name.
        if (fault == "mencoder")
            panel.widget->setEngineBinPath(1, writeEngineScript("mencoder-blocks-intermediate",
                QString("case \"$*\" in *\" -o \"*) mkdir -p '%1/in the way' ;; esac\n"
                        "exec /usr/bin/mencoder \"$@\"").arg(intermediate)));
        const QString clip = mpeg1Clip();
        panel.load(clip, 16.0 / 9.0, 6.0, "mpeg1video");
        panel.widget->setTarget(folder, "movie");
        panel.target("avi", "xvid", "mp3");
        panel.widget->previewBox()->setChecked(preview);
        FinalizeRules::setAnalyzer(fourThree);
        WindowTesting::ModalAnswerer answerer;
        answerer.answerWith(QMessageBox::Ok);
        panel.widget->startButton()->click();
        QVERIFY(WindowTesting::waitFor([&] {
            return panel.main.manager.jobs().size() == jobs && panel.main.idle() && panel.widget->isReady()
                && !panel.widget->previewDialog()->isRunning();
        }, 60000));
        FinalizeRules::setAnalyzer(nullptr);
        if (jobs > 0)
            QCOMPARE(panel.main.manager.jobs().last()->tasks().first()->state, jobs == 2 ? Task::Aborted : Task::Completed);
        QVERIFY(!QFileInfo(intermediate).isFile());
        QVERIFY(TestMedia::countVideoFrames(final) > 0);
        QCOMPARE(answerer.seen().size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty())
            QCOMPARE(answerer.seen().first().text.trimmed(), box);
        const QString log = panel.main.log.toPlainText();
        QVERIFY2(log.contains(QString(logged).replace("@", final)), qPrintable(log));
        QVERIFY(!log.contains("Finalizing completed."));
        QVERIFY(!log.contains("Encoding completed."));
        QVERIFY(panel.widget->startButton()->isEnabled());
    }

private:
    QString m_wide;
};

VEXO_TEST_CLASS(EncoderPanelTest)

// Two whole encodes of a minute's clip: a class of its own, so that each class stays well
// within the suite's time-out on a slow machine.
class EncoderPanelEncodeTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_wide = wideClip();
        QVERIFY(!m_wide.isEmpty());
    }

    // One press queues one job that ends Completed with Xvid and MP3; the next press writes
    // "output (1).avi"; a trial that fails shows the command and both answers, queues nothing.
    void encodesAndNumbersOutputs()
    {
        Panel panel;
        const QString folder = freshFolder("panel-avi");
        panel.load(m_wide, 16.0 / 9.0, 60.0);
        panel.widget->setTarget(folder, "output");
        panel.target("avi", "xvid", "mp3");
        panel.widget->show();
        QVERIFY(panel.widget->startButton()->isEnabled());
        QCOMPARE(panel.widget->startButton()->text(), QString("Start encoding"));
        ViewTest::screenshot(panel.widget.get(), "encoderpanel-ready", panel.widget->startButton());

        panel.widget->startButton()->click();
        QCOMPARE(panel.main.manager.jobs().size(), 1);
        QVERIFY(panel.widget->isReady());
        QVERIFY(WindowTesting::waitFor([&] { return panel.main.idle(); }, 120000));
        QCOMPARE(panel.main.manager.jobs().first()->tasks().first()->state, Task::Completed);
        const QString first = folder + "/output.avi";
        QCOMPARE(probe(first, "v:0", "codec_tag_string").toUpper(), QString("XVID"));
        QCOMPARE(probe(first, "a:0", "codec_name"), QString("mp3"));

        panel.widget->startButton()->click();
        QCOMPARE(panel.main.manager.jobs().size(), 2);
        QCOMPARE(panel.main.manager.jobs().last()->tasks().first()->taskData->at(5).toString(),
                 folder + "/output (1).avi");
        QVERIFY(WindowTesting::waitFor([&] { return panel.main.idle(); }, 120000));
        QVERIFY(QFile::exists(folder + "/output (1).avi"));

        // A source that is not there fails the start, with the input named.
        panel.widget->encoder()->setSource(folder + "/missing.avi", 1);
        WindowTesting::ModalAnswerer answerer;
        QString detail;
        answerer.answerWith([&detail](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box)
                return false;
            detail = box->detailedText();
            box->accept();
            return true;
        });
        panel.widget->startButton()->click();
        QCOMPARE(panel.main.manager.jobs().size(), 2);
        QVERIFY(WindowTesting::waitFor([&] { return !answerer.seen().isEmpty(); }, WindowTesting::kScreenWait));
        QCOMPARE(answerer.seen().first().text.trimmed(), QString("Encoding has failed to start."));
        QVERIFY(detail.contains("- input: " + folder + "/missing.avi"));
        QVERIFY(detail.contains("- command: "));
        QVERIFY(detail.contains("- response:\n"));
    }

private:
    QString m_wide;
};

VEXO_TEST_CLASS(EncoderPanelEncodeTest)

// Where the panel's outputs go and what their names and ends say: a class of its own, so that
// each class stays well within the suite's time-out on a slow machine.
class EncoderPanelOutputsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_wide = wideClip();
        QVERIFY(!m_wide.isEmpty());
    }

    // A missing target folder is made; one that cannot be made or written is refused with
    // that reason before any engine runs, and so is a source deleted since its load.
    void targetFolderChecked_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("sourceGone");
        QTest::addColumn<QString>("reason"); // empty: the encoding is queued
        QTest::newRow("missing") << TestMedia::folder() + "/panel-made/a/b" << false << "";
        QTest::newRow("cannot be made") << "/proc/vexo-panel/out" << false << "cannot be created";
        QTest::newRow("cannot be written") << "/proc" << false << "cannot be written";
        QTest::newRow("source deleted after its load") << TestMedia::folder() + "/panel-made" << true
                                                       << "This movie path doesn't exist.";
    }
    void targetFolderChecked()
    {
        QFETCH(QString, folder);
        QFETCH(bool, sourceGone);
        QFETCH(QString, reason);
        QDir(TestMedia::folder() + "/panel-made").removeRecursively();
        Panel panel;
        const QString source = TestMedia::folder() + "/panel-source.mpg";
        QFile::remove(source);
        QVERIFY(QFile::copy(mpeg1Clip(), source));
        panel.load(source, 4.0 / 3.0, 6.0, "mpeg1video");
        panel.widget->setTarget(folder, "out");
        panel.target("avi", "xvid", "mp3");
        if (sourceGone)
            QVERIFY(QFile::remove(source));
        WindowTesting::ModalAnswerer answerer;
        QString informative;
        answerFailureBox(answerer, &informative);
        panel.widget->startButton()->click();
        if (reason.isEmpty()) {
            QCOMPARE(panel.main.manager.jobs().size(), 1);
            QVERIFY(QFileInfo(folder).isDir());
            QVERIFY(WindowTesting::waitFor([&] { return panel.main.idle(); }, 120000));
            QVERIFY(QFileInfo(folder + "/out.avi").size() > 0);
            return;
        }
        // The reason itself, not the engine's last line after a trial.
        QVERIFY(panel.main.manager.jobs().isEmpty());
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().first().text.trimmed(), QString("Encoding has failed to start."));
        QVERIFY2(informative.contains(reason) && (sourceGone || informative.contains(folder)), qPrintable(informative));
    }

    // Two encodings queued one after the other into one name, before the first has written
    // anything: each gets a name of its own, and both files are whole.
    void queuedOutputsKeepTheirNames()
    {
        Panel panel(slowJobsFfmpeg());
        const QString folder = freshFolder("panel-reserved");
        panel.load(m_wide, 16.0 / 9.0, 60.0);
        panel.widget->setTarget(folder, "same");
        panel.target("mp4", "mpeg4", "aac");
        QCOMPARE(panel.widget->encoder()->preferredEngine(), 2);
        panel.widget->startButton()->click();
        panel.widget->startButton()->click();
        QCOMPARE(panel.main.manager.jobs().size(), 2);
        QStringList outputs;
        for (MervoJob *job : panel.main.manager.jobs())
            outputs << job->tasks().first()->taskData->at(TaskDataSlot::OutputPath).toString();
        QCOMPARE(outputs, QStringList({folder + "/same.mp4", folder + "/same (1).mp4"}));
        QVERIFY(WindowTesting::waitFor([&] { return panel.main.idle(); }, 120000));
        for (const QString &output : outputs)
            QVERIFY2(qAbs(TestMedia::probeDuration(output) - 60.0) < 1.0, qPrintable(output));
    }

    // The name shown is the one the next encoding takes: files that appear in or leave the
    // target folder, one or a burst, change it soon after.
    void outputNameFollowsTheFolder_data()
    {
        QTest::addColumn<int>("written");
        QTest::addColumn<bool>("removed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("one file of that name") << 1 << false << "seen (1).avi";
        QTest::newRow("a burst of twenty") << 20 << false << "seen (20).avi";
        QTest::newRow("written, then removed") << 20 << true << "seen.avi";
    }
    void outputNameFollowsTheFolder()
    {
        QFETCH(int, written);
        QFETCH(bool, removed);
        QFETCH(QString, shown);
        Panel panel;
        const QString folder = freshFolder("panel-shown-name");
        panel.load(m_wide, 16.0 / 9.0, 60.0);
        panel.widget->setTarget(folder, "seen");
        panel.target("avi", "xvid", "mp3");
        QCOMPARE(panel.widget->fileEdit()->text(), QString("seen.avi"));
        QStringList files;
        for (int i = 0; i < written; ++i)
            files << folder + (i == 0 ? QString("/seen.avi") : QString("/seen (%1).avi").arg(i));
        for (const QString &file : std::as_const(files))
            QVERIFY(QFile(file).open(QIODevice::WriteOnly));
        if (removed) {
            QVERIFY(WindowTesting::waitFor([&] { return panel.widget->fileEdit()->text() != "seen.avi"; }, 10000));
            for (const QString &file : std::as_const(files))
                QVERIFY(QFile::remove(file));
        }
        QVERIFY2(WindowTesting::waitFor([&] { return panel.widget->fileEdit()->text() == shown; }, 10000),
                 qPrintable(panel.widget->fileEdit()->text()));
    }

    // Configure: the user-settings tab selects level 4, Default resets every tab, and the
    // chosen level-4 profile gives a command that runs.
    void configureDialogUserProfile()
    {
        Panel panel;
        const QString folder = freshFolder("panel-configure");
        panel.load(m_wide, 16.0 / 9.0, 60.0);
        panel.widget->setTarget(folder, "user");
        panel.target("avi", "xvid", "mp3");
        WindowTesting::ModalAnswerer answerer;
        bool checked = false;
        QString seen;
        answerer.answerWith([&checked, &seen](QWidget *modal) {
            auto *dialog = qobject_cast<MervoEncoderConfigureDialog *>(modal);
            if (!dialog)
                return false;
            ViewTest::screenshot(dialog, "encoderpanel-configure", dialog->tabs());
            seen = QString("%1 tabs, user button '%2' %3").arg(dialog->tabs()->count())
                       .arg(dialog->userButton() ? dialog->userButton()->text() : "none")
                       .arg(dialog->userButton() && dialog->userButton()->isChecked());
            checked = dialog->tabs()->count() == 2 && dialog->userButton()
                && dialog->userButton()->text() == "User settings" && !dialog->userButton()->isChecked();
            dialog->tabs()->setCurrentIndex(1);
            checked = checked && dialog->userButton()->isChecked()
                && dialog->selectedLabel()->text() == "User profile: audio and video are configured in user settings";
            for (QComboBox *combo : dialog->choiceCombos())
                combo->setCurrentIndex(combo->count() - 1);
            dialog->defaultButtons().first()->click();
            for (QComboBox *combo : dialog->choiceCombos())
                checked = checked && combo->currentData() == dialog->itemOf(combo)->choice.defaultValue;
            dialog->accept();
            return true;
        });
        panel.widget->configureButton()->click();
        QVERIFY2(checked, qPrintable(seen));
        QCOMPARE(QSettings().value("Encoder/Last Profile/avi").toInt(), 4);
        // Escape closes it again without applying the profile tab's level.
        bool closed = false;
        answerer.answerWith([&closed](QWidget *modal) {
            auto *dialog = qobject_cast<MervoEncoderConfigureDialog *>(modal);
            if (!dialog)
                return false;
            dialog->tabs()->setCurrentIndex(0);
            for (QAbstractButton *button : dialog->profileButtons())
                if (dialog->levelOf(button) == 1)
                    button->click();
            QTest::keyClick(dialog, Qt::Key_Escape);
            closed = !dialog->isVisible();
            return true;
        });
        panel.widget->configureButton()->click();
        QVERIFY(closed);
        QCOMPARE(QSettings().value("Encoder/Last Profile/avi").toInt(), 4);
        QVERIFY(panel.widget->profileLabel()->text().contains(':'));
        panel.widget->startButton()->click();
        QCOMPARE(panel.main.manager.jobs().size(), 1);
        QVERIFY(WindowTesting::waitFor([&] { return panel.main.idle(); }, 120000));
        QCOMPARE(panel.main.manager.jobs().first()->tasks().first()->state, Task::Completed);
    }

    // The user's own settings (level 4) follow the codecs now chosen: nothing of the codecs
    // configured before reaches their command (both commands failed to start).
    void userSettingsFollowTheCodecs_data()
    {
        QTest::addColumn<QStringList>("first");  // configured at level 4 in the dialog
        QTest::addColumn<QStringList>("second"); // chosen next, its container at level 4
        QTest::addColumn<QStringList>("wanted");
        QTest::addColumn<QStringList>("unwanted");
        QTest::newRow("Xvid after x264's high profile")
            << QStringList{"mp4", "x264", "mp3_lr"} << QStringList{"avi", "xvid", "mp3"}
            << QStringList{"profile=dxnhdtv"} << QStringList{"x264"};
        QTest::newRow("VideoCD sound after an AC-3 copy")
            << QStringList{"avi", "xvid", "ac3_copy"} << QStringList{"mpeg_vcd", "mpeg1video", "mp2_vcd"}
            << QStringList{"44100", "br=224"} << QStringList{"48000", "br=448"};
    }
    void userSettingsFollowTheCodecs()
    {
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        QFETCH(QStringList, wanted);
        QFETCH(QStringList, unwanted);
        Panel panel;
        // A title whose track is AC-3, which alone is offered as a copy.
        loadDvdTitle(panel.widget.get());
        panel.target(first[0], first[1], first[2]);
        WindowTesting::ModalAnswerer answerer;
        answerer.answerWith([](QWidget *modal) {
            auto *dialog = qobject_cast<MervoEncoderConfigureDialog *>(modal);
            if (!dialog) {
                modal->close();
                return true;
            }
            dialog->tabs()->setCurrentIndex(1); // the user settings
            for (QComboBox *combo : dialog->choiceCombos())
                if (dialog->itemOf(combo)->choice.displayKind == 2) // the H.264 profile
                    combo->setCurrentIndex(combo->findData("x264_high"));
            dialog->accept();
            return true;
        });
        panel.widget->configureButton()->click();
        QCOMPARE(QSettings().value("Encoder/Last Profile/" + first[0]).toInt(), 4);
        QSettings().setValue("Encoder/Last Profile/" + second[0], 4);
        panel.target(second[0], second[1], second[2]);
        QString refusal, command;
        for (const EncodingStep &step : panel.widget->plannedCommand(refusal).steps)
            command += step.arguments.join(' ');
        for (const QString &text : wanted)
            QVERIFY2(command.contains(text), qPrintable(command));
        for (const QString &text : unwanted)
            QVERIFY2(!command.contains(text), qPrintable(command));
    }

    // Building a DVD title's command leaves the lists as they were (they offered no video
    // after it): FFmpeg, which reads a title from the player's copy, is asked about the copy.
    void dvdListsOutliveItsCommand()
    {
        Panel panel;
        panel.load(TestMedia::dvdFolder(), 16.0 / 9.0, 8.0, "mpeg2video");
        panel.widget->onMovieLoaded(TestMedia::dvdFolder(), 2);
        panel.widget->enableControls(true);
        auto lists = [&] {
            panel.target("avi", "xvid", "mp3");
            QStringList ids;
            for (const ActiveComboBox *combo : {panel.widget->videoCombo(), panel.widget->audioCombo()})
                for (int i = 0; i < combo->count(); ++i)
                    ids << combo->itemData(i).toString();
            return ids;
        };
        const QStringList before = lists();
        QVERIFY2(before.contains("xvid") && before.contains("mp3"), qPrintable(before.join(' ')));
        QString refusal;
        QVERIFY2(!panel.widget->plannedCommand(refusal).steps.isEmpty(), qPrintable(refusal));
        QCOMPARE(lists(), before);
    }

    // The first part of a valid AVI, whose header still claims the whole length: the output is
    // judged against what the source holds, so the encoding of all of it ends well, under its
    // own name.
    void truncatedSourceEndsWithWhatItHolds()
    {
        FFmpeg ffmpeg;
        FFprobe ffprobe;
        QVERIFY(ffmpeg.startInterface("/usr/bin/ffmpeg", QString()) && ffprobe.startInterface("/usr/bin/ffprobe", QString()));
        EngineObjects::setEngines(&ffmpeg, &ffprobe, nullptr);
        const auto restore = qScopeGuard([] { EngineObjects::setEngines(nullptr, nullptr, nullptr); });
        Panel panel;
        const QString folder = freshFolder("panel-truncated");
        panel.load(writeBadMedia("truncated"), 4.0 / 3.0, 3.04); // the length MPlayer reads from the header
        panel.widget->setTarget(folder, "truncated");
        panel.target("avi", "xvid", "mp3");
        panel.widget->startButton()->click();
        QVERIFY(WindowTesting::waitFor([&] { return panel.main.manager.jobs().size() == 1 && panel.main.idle(); }, 60000));
        const MervoTask *task = panel.main.manager.jobs().first()->tasks().first();
        QVERIFY2(task->state == Task::Completed, qPrintable(task->failure()));
        const double made = TestMedia::probeDuration(folder + "/truncated.avi");
        QVERIFY2(made > 0.5 && made < 2.0, qPrintable(QString::number(made)));
        QVERIFY(!QFile::exists(folder + "/truncated (incomplete).avi"));
        QVERIFY(panel.widget->isReady());
    }

private:
    QString m_wide;
};

VEXO_TEST_CLASS(EncoderPanelOutputsTest)

// A whole minute encoded onto a full disk: a class of its own, so that each class stays well
// within the suite's time-out on a slow machine.
class EncoderPanelFullDiskTest : public QObject
{
    Q_OBJECT

private slots:
    // MEncoder ends well when the disk fills and leaves a short file: the failure names the
    // full disk. A disk of 640 KiB (a memory file system, where the system lets the tests make
    // one) holds the trial's few frames but not the whole minute of an MPEG-1 source, which
    // MEncoder encodes.
    void fullDiskIsNamed()
    {
        const QString folder = freshFolder("panel-full-disk");
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=640k", "tmpfs", folder}) != 0)
            QSKIP("no file system can be mounted here");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {folder}); });
        FFmpeg ffmpeg; // measures the output
        QVERIFY(ffmpeg.startInterface("/usr/bin/ffmpeg", QString()));
        EngineObjects::setEngines(&ffmpeg, nullptr, nullptr);
        const auto restore = qScopeGuard([] { EngineObjects::setEngines(nullptr, nullptr, nullptr); });
        // Noise, so that no encoding of it is small.
        const QString minute = TestMedia::clip("mpeg1-minute.mpg", {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=60",
                                                                     "-f", "lavfi", "-i", "sine=duration=60", "-vf",
                                                                     "noise=alls=60:allf=t+u", "-c:v", "mpeg1video",
                                                                     "-b:v", "2000k", "-c:a", "mp2", "-shortest"});
        Panel panel;
        panel.load(minute, 4.0 / 3.0, 60.0, "mpeg1video");
        panel.widget->setTarget(folder, "full");
        panel.target("avi", "xvid", "mp3");
        WindowTesting::ModalAnswerer answerer; // a refused trial would show its box
        QString refusal;
        answerer.answerWith([&refusal](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (box) {
                refusal = box->detailedText();
                box->accept();
            }
            return box != nullptr;
        });
        panel.widget->startButton()->click();
        // MEncoder encodes the whole minute, written or not: minutes on a busy machine.
        QVERIFY2(WindowTesting::waitFor([&] { return panel.main.manager.jobs().size() == 1 && panel.main.idle(); }, 240000),
                 qPrintable(refusal.right(1500)));
        const MervoTask *task = panel.main.manager.jobs().first()->tasks().first();
        QCOMPARE(task->state, Task::Aborted);
        QVERIFY2(task->failure().startsWith(QString("the disk %1 is full: its output lasts ").arg(folder))
                     && task->failure().endsWith(" of the 60.0 s asked for"),
                 qPrintable(task->failure()));
    }
};

VEXO_TEST_CLASS(EncoderPanelFullDiskTest)

// The roads of targets that take two engines, a DVD title's above all, through the panel
// to the files they write.
class EncoderPanelRoadTest : public QObject
{
    Q_OBJECT

private slots:
    // A DVD title to targets that MEncoder cannot make alone (its AAC, its Matroska with H.264)
    // or that crash it (MPEG with PCM): the lists offer only what works, the configure dialog
    // offers it too, and the defaults work. One job: the player copies the title's stream,
    // FFmpeg encodes the copy; the copy goes after success and stays after a failure. The
    // output holds every picture of the title once, its picture and sound last as long as the
    // title's (within a frame), its sound is the chosen language. A file takes the engine
    // that can do it.
    void targetsTakeTheirRoad_data()
    {
        QTest::addColumn<QString>("source"); // "file", or a DVD title's name
        QTest::addColumn<QString>("muxer");
        QTest::addColumn<QString>("video"); // empty: the list's default
        QTest::addColumn<QString>("audio");
        QTest::addColumn<QString>("engines");
        QTest::addColumn<QString>("codecs"); // as ffprobe names them; empty: the encode fails
        // The command lines are the builders': where their time stamps still trouble a
        // decoder, the road is checked without the clean decode.
        QTest::addColumn<bool>("clean");
        const QString pal = "PAL DVD", ntsc = "NTSC DVD";
        QTest::newRow("DVD to MP4 with H.264") << pal << "mp4" << "x264" << "" << "5 2" << "h264 aac" << true;
        QTest::newRow("DVD to Matroska with H.264") << pal << "matroska" << "x264" << "" << "5 2" << "h264 flac" << true;
        QTest::newRow("DVD to Flash video") << pal << "flv" << "" << "" << "5 2" << "h264 aac" << false;
        QTest::newRow("file to MPEG with PCM") << "file" << "mpeg" << "" << "pcm" << "2" << "mpeg2video pcm_dvd" << false;
        QTest::newRow("DVD to MP4, the encode fails") << pal << "mp4" << "x264" << "" << "5 2" << "" << true;
        QTest::newRow("NTSC DVD to MP4 with H.264") << ntsc << "mp4" << "x264" << "" << "5 2" << "h264 aac" << true;
        QTest::newRow("NTSC DVD to Matroska with H.264") << ntsc << "matroska" << "x264" << "" << "5 2" << "h264 flac" << true;
        QTest::newRow("NTSC DVD to Flash video") << ntsc << "flv" << "" << "" << "5 2" << "h264 aac" << false;
        QTest::newRow("NTSC DVD to AVI with AAC") << ntsc << "avi" << "xvid" << "aac_lr" << "5 2" << "mpeg4 aac" << true;
    }
    void targetsTakeTheirRoad()
    {
        QFETCH(QString, source);
        const bool dvd = source != "file";
        QFETCH(QString, muxer);
        QFETCH(QString, video);
        QFETCH(QString, audio);
        QFETCH(QString, engines);
        QFETCH(QString, codecs);
        // FFmpeg that refuses the copy when it runs as the job (not as a trial, limited by size).
        const QString failing = writeEngineScript("ffmpeg-refuses-copy",
            "case \"$*\" in *\"(step 0)\"*) case \"$*\" in *\" -fs \"*) ;; *) exit 1;; esac;; esac\n"
            "exec /usr/bin/ffmpeg \"$@\"");
        Panel panel(codecs.isEmpty() ? failing : "/usr/bin/ffmpeg");
        const QString folder = freshFolder("panel-road");
        if (dvd)
            loadDvdTitle(panel.widget.get(), source);
        else
            panel.load(mpeg1Clip(), 4.0 / 3.0, 6.0, "mpeg1video");
        panel.widget->setTarget(folder, "road");
        chooseEntry(panel.widget->formatCombo(), muxer);
        if (!video.isEmpty())
            chooseEntry(panel.widget->videoCombo(), video);
        if (!audio.isEmpty())
            chooseEntry(panel.widget->audioCombo(), audio);
        QCOMPARE(configureAnswer(panel.widget.get()), QString("dialog"));
        QVERIFY(panel.widget->startButton()->isEnabled());
        const StartsWatch starts;
        panel.widget->startButton()->click();
        QCOMPARE(panel.main.manager.jobs().size(), 1);
        QVERIFY(WindowTesting::waitFor([&] { return panel.main.idle(); }, 120000));
        MervoJob *job = panel.main.manager.jobs().first();
        if (muxer == "mpeg") // the job names the pictures its program stream carries
            QVERIFY2(job->title().endsWith(" to MPEG-2 PS format"), qPrintable(job->title()));
        QStringList used;
        for (MervoTask *task : job->tasks())
            used << task->taskData->at(TaskDataSlot::EngineType).toString();
        QCOMPARE(used.join(' '), engines);
        QStringList labels;
        for (MervoTask *task : job->tasks())
            labels << task->label();
        QCOMPARE(labels.join(' '), QString(dvd ? "Copying Encoding" : "Encoding"));
        const QString output = folder + "/road" + Encoder::muxerExtension(muxer, false);
        const QString copy = Encoder::intermediateFile(output);
        const QString log = panel.main.log.toPlainText();
        if (codecs.isEmpty()) {
            QCOMPARE(job->tasks().last()->state, Task::Aborted);
            QVERIFY(QFileInfo(copy).size() > 0);
            QVERIFY(!QFile::exists(output));
            QVERIFY(log.contains("Encoding failed.") && !log.contains("Encoding completed."));
            // The kept copy is not written over: the next encoding takes the next name, and
            // once the copy is gone its name is free again.
            WindowTesting::ModalAnswerer answerer;
            const qint64 kept = QFileInfo(copy).size();
            const auto lastOutput = [&panel] {
                return panel.main.manager.jobs().last()->tasks().last()->taskData->at(TaskDataSlot::OutputPath).toString();
            };
            panel.widget->startButton()->click();
            QCOMPARE(panel.main.manager.jobs().size(), 2);
            QCOMPARE(lastOutput(), folder + "/road (1)" + Encoder::muxerExtension(muxer, false));
            QVERIFY(WindowTesting::waitFor([&] { return panel.main.idle(); }, 120000));
            QCOMPARE(QFileInfo(copy).size(), kept);
            QVERIFY(QFile::remove(copy));
            panel.widget->startButton()->click();
            QCOMPARE(panel.main.manager.jobs().size(), 3);
            QCOMPARE(lastOutput(), output);
            QVERIFY(WindowTesting::waitFor([&] { return panel.main.idle(); }, 120000));
            QVERIFY(answerer.seen().isEmpty());
            return;
        }
        for (MervoTask *task : job->tasks())
            QCOMPARE(task->state, Task::Completed);
        // A file's picture and sound were held against the file's (a DVD folder is no file).
        QVERIFY2(starts.seen().contains(output + " 0") != dvd, qPrintable(starts.seen().join(", ")));
        QVERIFY(!QFile::exists(copy));
        // The title's copy is finalised with the job's last step: one job, one completion.
        QCOMPARE(log.count("Encoding completed."), 1);
        QVERIFY(!log.contains("Encoding failed."));
        QCOMPARE(probe(output, "v:0", "codec_name") + ' ' + probe(output, "a:0", "codec_name"), codecs);
        const double length = dvd ? dvdTitle(source).length : 6.0;
        QVERIFY2(qAbs(TestMedia::probeDuration(output) - length) < 0.5,
                 qPrintable(QString::number(TestMedia::probeDuration(output))));
        QFETCH(bool, clean);
        if (clean)
            QCOMPARE(TestMedia::decodeErrors(output), QString());
        if (dvd) {
            // The second language is the 880 Hz tone, the first the 440 Hz one.
            const double high = meanVolume(output, "highpass=f=660,highpass=f=660");
            const double low = meanVolume(output, "lowpass=f=660,lowpass=f=660");
            QVERIFY2(high > low + 6.0, qPrintable(QString("%1 %2").arg(high).arg(low)));
            // Each picture of the title once, none repeated over a hole; picture and sound
            // each as long as the title's within a frame. FLV and AVI cannot tell a player to
            // skip the AAC encoder's first 1024 samples, which it plays as part of the sound.
            const Played title = played(dvdTitle(source).folder() + "/VIDEO_TS/VTS_01_1.VOB", "title");
            const Played file = played(output, "output");
            const double frame = 1.0 / dvdTitle(source).frameRate;
            const QString seen = QString("%1 pictures, %2 repeated, %3 s, sound %4 s; the title's %5, %6 s, %7 s")
                                     .arg(file.report.pictures).arg(file.repeats).arg(file.report.videoSeconds)
                                     .arg(file.report.audioSeconds).arg(title.report.pictures)
                                     .arg(title.report.videoSeconds).arg(title.report.audioSeconds);
            QVERIFY2(title.report.pictures > 0 && title.repeats == 0, qPrintable(seen));
            QVERIFY2(file.report.pictures == title.report.pictures && file.repeats == 0, qPrintable(seen));
            QVERIFY2(qAbs(file.report.videoSeconds - title.report.videoSeconds) <= frame, qPrintable(seen));
            const double priming = muxer == "flv" || muxer == "avi" ? 1024.0 / file.report.sampleRate : 0.0;
            QVERIFY2(qAbs(file.report.audioSeconds - title.report.audioSeconds) <= frame + priming, qPrintable(seen));
        }
    }

    // A DVD job stopped while the player copies the title: the copy goes with the job, the
    // encode never starts, the panel is ready again.
    void dvdCopyStopped()
    {
        Panel panel;
        // The player copies the title, then keeps the job waiting; its trial runs as it is.
        const QString player = writeEngineScript("mplayer-copies-slowly",
            "case \"$*\" in *-endpos*) exec /usr/bin/mplayer \"$@\";; esac\n"
            "/usr/bin/mplayer \"$@\"\nexec sleep 600");
        panel.widget->setPlayerSetup(nullptr, player, "/usr/bin/mediainfo", "/usr/bin/ffprobe",
                                     nullptr, nullptr, nullptr, nullptr, 1, nullptr);
        const QString folder = freshFolder("panel-copy-stopped");
        loadDvdTitle(panel.widget.get());
        panel.widget->setTarget(folder, "stopped");
        panel.target("mp4", "x264", "aac");
        panel.widget->startButton()->click();
        QCOMPARE(panel.main.manager.jobs().size(), 1);
        const QList<MervoTask *> tasks = panel.main.manager.jobs().first()->tasks();
        const QString copy = Encoder::intermediateFile(folder + "/stopped.mp4");
        QVERIFY(WindowTesting::waitFor([&] { return QFileInfo(copy).size() > 0; }, 60000));
        panel.main.manager.killAll();
        QVERIFY(WindowTesting::waitFor([&] { return panel.main.idle(); }, 60000));
        QCOMPARE(tasks.first()->state, Task::Aborted);
        QVERIFY(tasks.last()->state != Task::Completed && tasks.last()->processId() <= 0);
        QVERIFY(!QFile::exists(copy));
        QVERIFY(!QFile::exists(folder + "/stopped.mp4"));
        QVERIFY(!panel.main.log.toPlainText().contains("Encoding completed."));
        QVERIFY(panel.widget->isReady());
    }
};

VEXO_TEST_CLASS(EncoderPanelRoadTest)

// Previews: their window, their end and every way of aborting them.
class EncoderPanelPreviewTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_wide = wideClip();
        QVERIFY(!m_wide.isEmpty());
    }

    // Preview: the window runs, then finishes; closing it with the box checked removes the
    // preview file and leaves the start button enabled. The trial of a short clip starts
    // where the preferences say, 12 s into 15 s (the base panel starts it 5 s in).
    void previewRunsAndCloses()
    {
        Panel panel;
        const QString folder = freshFolder("panel-preview");
        const QString clip = TestMedia::clip("short15.avi", {"-f", "lavfi", "-i", "testsrc=size=320x180:rate=25:duration=15",
                                                             "-f", "lavfi", "-i", "sine=duration=15", "-c:v", "mpeg4",
                                                             "-c:a", "libmp3lame", "-ac", "1", "-shortest"});
        panel.load(clip, 16.0 / 9.0, 15.0);
        panel.widget->setTarget(folder, "préview");
        panel.target("avi", "xvid", "mp3");
        panel.widget->previewBox()->setChecked(true);
        QCOMPARE(panel.widget->startButton()->text(), QString("Start encoding preview"));
        panel.widget->show();
        panel.widget->startButton()->click();
        EncoderPreviewDialog *preview = panel.widget->previewDialog();
        QVERIFY(panel.widget->isRunning());
        const MervoTask *task = panel.widget->previewJobManager()->jobs().first()->tasks().first();
        QVERIFY2(task->arguments().join(' ').contains("-ss 12 "), qPrintable(task->commandLine()));
        QVERIFY(preview->isVisible());
        QCOMPARE(preview->stopButton()->text(), QString("Stop encoding preview"));
        QVERIFY(!preview->previewButton()->isEnabled());
        QVERIFY(!panel.widget->startButton()->isEnabled());
        QVERIFY(WindowTesting::waitFor([&] { return !preview->isRunning(); }, 60000));
        QCOMPARE(preview->stopButton()->text(), QString("Close"));
        QVERIFY(preview->infoButton()->isEnabled());
        ViewTest::screenshot(preview, "encoderpanel-preview-finished", preview->stopButton());
        const QString file = folder + "/préview.avi";
        QVERIFY2(QFileInfo(file).size() > 0, qPrintable(file));
        {
            // "Preview" plays the file in a player window of its own, which the test closes.
            WindowTesting::ModalAnswerer answerer;
            QString playedTitle, playedPath;
            answerer.answerWith([&](QWidget *modal) {
                auto *player = qobject_cast<PlayerDialog *>(modal);
                if (!player)
                    return false;
                playedTitle = player->windowTitle();
                playedPath = player->path();
                player->reject();
                return true;
            });
            answerer.answerWith([](QWidget *) { return false; }); // leave the preview window be
            preview->previewButton()->click();
            QVERIFY2(playedTitle.contains("préview.avi"), qPrintable(playedTitle));
            QCOMPARE(QFileInfo(playedPath).fileName(), QString("préview.avi"));
        }
        QVERIFY(preview->deleteBox()->isChecked());
        QVERIFY(preview->deleteBox()->text().contains("préview.avi"));
        preview->close();
        QVERIFY(!QFile::exists(file));
        QVERIFY(panel.widget->startButton()->isEnabled());
        QVERIFY(panel.widget->isReady());
    }

    // The base panel: a preview of a 15 s clip starts 5 s in; "Continue encoding" leaves it
    // running, "Abort encoding" kills it, removes its partial file and returns the panel to
    // ready with the preview window hidden.
    void basePanelPreviewAbort()
    {
        QTextEdit stdIn, stdOut, stdErr, log;
        JobManager main(&stdIn, &stdOut, &stdErr, &log, 3, 0, 0, 0);
        EncoderPreferences preferences;
        preferences.testMode = true;
        preferences.testFrames = 100000;
        EncoderWidget panel(nullptr, &main, "/usr/bin/ffmpeg", "/usr/bin/mencoder", &stdIn, &stdOut, &stdErr,
                            &log, 3, &preferences);
        panel.initEncoder();
        const QString folder = freshFolder("panel-base");
        loadSource(&panel, m_wide, 16.0 / 9.0, 15.0, "mpeg4");
        panel.setTarget(folder, "base");
        chooseTarget(&panel, "avi", "xvid", "mp3");
        QCOMPARE(panel.startButton()->text(), QString("Start encoding preview"));
        panel.show();
        // The base panel writes its command to the debug output before it tries it.
        QLoggingCategory::setFilterRules("vexo.encoding.debug=true");
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^EncoderWidget::runEncoding command line \"/usr/bin/"
                                                            "(mencoder|ffmpeg)\" QList\\(.*/base\\.avi\"\\)$"));
        panel.startButton()->click();
        QLoggingCategory::setFilterRules(QString());
        QVERIFY(panel.isRunning());
        QCOMPARE(main.jobs().size(), 0);
        QCOMPARE(panel.ownJobManager()->jobs().size(), 1);
        Task *task = panel.ownJobManager()->jobs().first()->task();
        QCOMPARE(task->taskData->at(3).toDouble(), 1.78);
        QCOMPARE(task->taskData->at(7).toBool(), true);
        QVERIFY2(task->arguments().join(" ").contains("-ss 5"), qPrintable(task->commandLine()));
        QVERIFY(WindowTesting::waitFor([&] { return task->state == Task::Running; }, 10000));
        // The hidden preview's view lets go of the job, which its manager then frees: the
        // task's last state is kept as it changes.
        int lastState = task->state;
        connect(task, &Task::stateChanged, this, [&lastState, task] { lastState = task->state; });
        // Escape hides the task's console and stops nothing.
        ConsoleDialog *console = task->console();
        QVERIFY(console);
        console->show();
        QVERIFY(QTest::qWaitForWindowExposed(console));
        QTest::keyClick(console, Qt::Key_Escape);
        QVERIFY(!console->isVisible());
        QCOMPARE(task->state, Task::Running);

        QStringList asked;
        {
            // The preview window is modal too: only the message boxes are answered.
            auto click = [&asked](const QString &text) {
                return [&asked, text](QWidget *modal) {
                    auto *box = qobject_cast<QMessageBox *>(modal);
                    if (!box)
                        return false;
                    asked << box->text().trimmed();
                    for (QAbstractButton *button : box->buttons())
                        if (button->text() == text)
                            button->click();
                    return true;
                };
            };
            WindowTesting::ModalAnswerer answerer;
            answerer.answerWith(click("Continue encoding"));
            answerer.answerWith(click("Abort encoding"));
            panel.switchState();
            QVERIFY(panel.isRunning());
            panel.switchState();
        }
        QCOMPARE(asked, QStringList({"Abort encoding process?", "Abort encoding process?"}));
        QVERIFY(panel.isAborted());
        QVERIFY(WindowTesting::waitFor([&] { return panel.isReady(); }, 10000));
        QCOMPARE(lastState, int(Task::Aborted));
        QVERIFY(!panel.previewDialog()->isVisible());
        QVERIFY(!QFile::exists(folder + "/base.avi"));
        QVERIFY(log.toPlainText().contains("Encoding aborted."));
    }

    // The end of another job (a Job menu job in the main manager, or the panel's own normal
    // encoding queued before the preview) is finalised and leaves a running preview running,
    // its window in the running state.
    void foreignJobEndLeavesPreviewRunning_data()
    {
        QTest::addColumn<bool>("own");
        QTest::newRow("Job menu job") << false;
        QTest::newRow("the panel's normal encoding") << true;
    }
    void foreignJobEndLeavesPreviewRunning()
    {
        QFETCH(bool, own);
        Panel panel(slowJobsFfmpeg());
        const QString folder = freshFolder("panel-foreign");
        MervoJob *other = nullptr;
        if (own) {
            panel.load(TestMedia::standardAvi(), 4.0 / 3.0, 3.0);
            panel.widget->setTarget(folder, "normal");
            panel.target("mp4", "mpeg4", "aac");
            QCOMPARE(panel.widget->encoder()->preferredEngine(), 2);
            panel.widget->startButton()->click();
            QCOMPARE(panel.main.manager.jobs().size(), 1);
            other = panel.main.manager.jobs().first();
        }
        startLongPreview(panel.widget.get(), folder, "preview");
        if (!own)
            other = panel.main.manager.addEngineJob(
                "/usr/bin/ffmpeg", {"-nostdin", "-y", "-f", "lavfi", "-i", "sine=duration=1", folder + "/menu.wav"},
                folder + "/menu.wav", "Encoding", "Job menu job", QString("FFmpeg"), 0);
        QVERIFY(other);
        QVERIFY(WindowTesting::waitFor([&] { return other->isFinished(); }, 30000));
        QCOMPARE(panel.main.log.toPlainText().count("Encoding completed."), 1);
        QVERIFY(panel.widget->isRunning());
        QVERIFY(panel.widget->previewDialog()->isRunning());
        QVERIFY(!panel.widget->startButton()->isEnabled());
        panel.widget->previewDialog()->hide(); // ends with the panel: the test's own clean-up
        panel.main.manager.killAll();
        panel.widget->previewJobManager()->killAll();
        QVERIFY(WindowTesting::waitFor([&] { return panel.widget->previewJobManager()->isIdle(); }, 30000));
    }

    // The preview window starts idle; Escape, its stop button and its close box each abort a
    // running preview: the engine is killed, its partial file removed, the panel ready again.
    void previewAbortedEveryWay_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Escape") << "Escape";
        QTest::newRow("stop button") << "stop button";
        QTest::newRow("close box") << "close box";
    }

    void previewAbortedEveryWay()
    {
        QFETCH(QString, how);
        Panel panel;
        EncoderPreviewDialog *preview = panel.widget->previewDialog();
        QVERIFY(!preview->isRunning());
        const QString folder = freshFolder("panel-abort");
        panel.widget->show();
        startLongPreview(panel.widget.get(), folder, "aborted");
        QVERIFY(preview->isRunning() && preview->isVisible());
        MervoTask *task = panel.widget->previewJobManager()->jobs().first()->tasks().first();
        // The preview's view lets go of its job once the preview is hidden, and the manager
        // then frees it: its last state is kept here.
        Task::State ended = task->state;
        connect(task, &Task::stateChanged, task, [&ended, task] { ended = task->state; });
        QVERIFY(WindowTesting::waitFor([&] { return ended == Task::Running; }, 10000));
        WindowTesting::ModalAnswerer answerer;
        QString told;
        answerFailureBox(answerer, &told);
        if (how == "Escape")
            QTest::keyClick(preview, Qt::Key_Escape);
        else if (how == "stop button")
            preview->stopButton()->click();
        else
            preview->close();
        QVERIFY(WindowTesting::waitFor([&] { return panel.widget->isReady(); }, 10000));
        QCOMPARE(ended, Task::Aborted);
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().first().text.trimmed(), QString("Encoding preview has been aborted."));
        QVERIFY(!preview->isVisible() && !preview->isRunning());
        QVERIFY(!QFile::exists(folder + "/aborted.avi"));
        // The abort was the preview's: a normal encoding started afterwards ends completed.
        panel.widget->previewBox()->setChecked(false);
        panel.load(TestMedia::standardAvi(), 4.0 / 3.0, 3.0);
        panel.target("mp4", "mpeg4", "aac");
        panel.widget->startButton()->click();
        QVERIFY(WindowTesting::waitFor([&] { return panel.main.manager.jobs().size() == 1 && panel.main.idle(); }, 60000));
        QCOMPARE(panel.main.log.toPlainText().count("Encoding completed."), 1);
    }

    // The base panel too finalises a Job menu job that ends in the main manager while its
    // preview runs, and leaves the preview running.
    void basePanelLeavesOtherJobs()
    {
        BasePanel base;
        EncoderWidget &panel = base.widget;
        base.route();
        const QString folder = freshFolder("panel-base-other");
        panel.setEngineBinPath(2, slowJobsFfmpeg()); // the preview outlasts the other job
        startLongPreview(&panel, folder, "preview");
        Job *other = base.main.addEngineJob(
            "/usr/bin/ffmpeg", {"-nostdin", "-y", "-f", "lavfi", "-i", "sine=duration=1", folder + "/menu.wav"},
            folder + "/menu.wav", "Encoding", "Job menu job", QString("FFmpeg"), 0);
        QVERIFY(other);
        QVERIFY(WindowTesting::waitFor([&] { return other->isFinished(); }, 30000));
        QCOMPARE(base.log.toPlainText().count("Encoding completed."), 1);
        QVERIFY(panel.isRunning() && panel.previewDialog()->isRunning());
        panel.previewDialog()->hide();
        panel.ownJobManager()->killAll();
        QVERIFY(WindowTesting::waitFor([&] { return panel.ownJobManager()->isIdle(); }, 30000));
    }

private:
    // A preview of the whole 60 s clip, running when this returns.
    void startLongPreview(EncoderWidget *widget, const QString &folder, const QString &name)
    {
        loadSource(widget, m_wide, 16.0 / 9.0, 60.0, "mpeg4");
        widget->setTarget(folder, name);
        chooseTarget(widget, "avi", "xvid", "mp3");
        EncoderPreferences preferences;
        preferences.testMode = true;
        preferences.testFrames = 100000;
        widget->setPreferences(preferences);
        widget->previewBox()->setChecked(true);
        widget->startButton()->click();
        QVERIFY(widget->isRunning());
    }

    QString m_wide;
};

VEXO_TEST_CLASS(EncoderPanelPreviewTest)
#include "tst_encoderpanel.moc"
