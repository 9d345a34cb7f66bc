// Loading movie files and DVD folders into the player panel through its loading entry, on
// the real engines and generated media, with fake engines for error limits.

#include "player/playerwidget.h"

#include "engines/player.h"

#include "engines/sourcefacts.h"
#include "engines/videoinfo.h"
#include "enginetesting.h"
#include "eventgaps.h"
#include "gui4/gui4resources.h"
#include "opendescriptors.h"
#include "panelprobe.h"
#include "jobs/programstart.h"
#include "player/loadprocess.h"
#include "player/loadscheduler.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <utility>

VEXO_TEST_NEEDS_DISPLAY

using namespace WindowTesting;

namespace {

QString audioFile()
{
    return TestMedia::clip("tone.mp3", {"-f", "lavfi", "-i", "sine=frequency=440:duration=1",
                                        "-c:a", "libmp3lame", "-b:a", "128k"});
}

QString webmFile()
{
    return TestMedia::clip("standard.webm", {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=2",
                                             "-f", "lavfi", "-i", "sine=frequency=440:duration=2",
                                             "-c:v", "libvpx", "-b:v", "300k", "-c:a", "libvorbis"});
}

// The standard AVI as "-dash clip.avi" in the media folder, given relative to it.
QString dashFile()
{
    const QString name = QStringLiteral("-dash clip.avi");
    QFile::remove(TestMedia::folder() + '/' + name);
    QFile::copy(TestMedia::standardAvi(), TestMedia::folder() + '/' + name);
    return name;
}

// MPlayer that prints the given standard-error lines before each identify run.
QString noisyMPlayer(const QString &name, const QList<QPair<int, QString>> &lines)
{
    QString chain;
    for (const auto &entry : lines)
        chain += QStringLiteral("'%1' warn-then %2 '%3' ").arg(TestMedia::fakeEngine()).arg(entry.first).arg(entry.second);
    return writeEngineScript(name, QStringLiteral("case \"$*\" in\n"
                                                  "  *identify=*) exec %1mplayer \"$@\" ;;\n"
                                                  "  *) exec mplayer \"$@\" ;;\nesac")
                                       .arg(chain));
}

// MPlayer whose identify runs answer only after a while, as from a slow drive.
QString slowIdentifyMPlayer(const QString &name)
{
    return writeEngineScript(name, QStringLiteral("case \"$*\" in\n"
                                                  "  *identify=*) exec '%1' slow 1.5 mplayer \"$@\" ;;\n"
                                                  "  *) exec mplayer \"$@\" ;;\nesac")
                                       .arg(TestMedia::fakeEngine()));
}


// A phone's portrait video, stored on its side with a turn to show it at.
QString turnedPhoneVideo()
{
    return TestMedia::clip("loading-turned.mp4", {"-f", "lavfi", "-i", "testsrc=size=320x180:rate=30:duration=1",
                                                  "-f", "lavfi", "-i", "sine=duration=1", "-c:v", "libx264",
                                                  "-pix_fmt", "yuv420p", "-c:a", "aac", "THEN", "-c", "copy",
                                                  "-metadata:s:v:0", "rotate=270"});
}

// Starts a load's runs, the first identify run while it is to start late only once its start
// latency has passed (300 ms where it is set).
bool s_identifyLate = false;
void startIdentifyLate(QProcess *process, const QString &program, const QStringList &arguments)
{
    const bool late = arguments.contains("identify=4") && std::exchange(s_identifyLate, false);
    QTimer::singleShot(late ? 1000 : 0, process, [=] { ProgramStart::start(process, program, arguments, QIODevice::ReadWrite); });
}

// Each stream as "aid:rate:channels:codec[:language]", the one chosen marked "*".
QString audioSummary(const QList<AudioInfo> &streams, int chosen = -1)
{
    QStringList parts;
    for (const AudioInfo &a : streams)
        parts << (parts.size() == chosen ? "*" : "")
                     + QStringLiteral("%1:%2:%3:%4").arg(a.aid).arg(a.samplingRate).arg(a.channelCount).arg(a.codec)
                     + (a.language.isEmpty() || a.language == "und" ? QString() : ":" + a.language);
    return parts.join(' ');
}

} // namespace

class TestMovieLoading : public QObject
{
    Q_OBJECT

    PanelConsoles m_consoles;
    std::unique_ptr<PanelProbe> m_panel;

private slots:
    void initTestCase()
    {
        initGui4Resources();
        m_panel.reset(makePanel(&m_consoles));
        m_panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_panel.get()));
    }
    void cleanupTestCase() { m_panel.reset(); }

    // Real loads fill the movie record from the identify run, corrected by MediaInfo and
    // FFprobe: audio ids as MPlayer numbers them, MediaInfo's channel counts ("1 channel"
    // included) and FFprobe's codec names.
    void realFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("videoFormat");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QSize>("display");
        QTest::addColumn<double>("frameRate");
        QTest::addColumn<double>("length");
        QTest::addColumn<QString>("audio"); // aid:rate:channels:codec per stream, "*" the chosen
        QTest::addColumn<int>("subtitles");
        QTest::addColumn<int>("subtitle"); // the chosen, -1 none
        QTest::newRow("AVI") << TestMedia::standardAvi() << "AVI" << "FMP4" << QSize(320, 240) << QSize(320, 240)
                             << 25.0 << 3.0 << "*1:44100:1:mp3" << 0 << -1;
        QTest::newRow("MP4") << TestMedia::standardMp4() << "MPEG-4" << "h264" << QSize(320, 240) << QSize(320, 240)
                             << 25.0 << 3.0 << "*0:44100:1:aac" << 0 << -1;
        QTest::newRow("MKV, quotes and accents") << subtitledMkv() << "Matroska" << "h264" << QSize(320, 240)
                                                 << QSize(320, 240) << 25.0 << 3.0 << "*0:44100:1:aac:fre" << 1 << -1;
        QTest::newRow("WebM") << webmFile() << "WebM" << "vp8" << QSize(320, 240) << QSize(320, 240) << 25.0
                              << 2.0 << "*0:44100:1:vorbis" << 0 << -1;
        QTest::newRow("leading dash") << dashFile() << "AVI" << "FMP4" << QSize(320, 240) << QSize(320, 240)
                                      << 25.0 << 3.0 << "*1:44100:1:mp3" << 0 << -1;
        QTest::newRow("MP3") << audioFile() << "MPEG Audio" << "" << QSize(0, 0) << QSize(0, 0) << 0.0 << 1.0
                             << "*0:44100:1:mp3" << 0 << -1;
        // MPlayer's own reader describes no picture and MediaInfo gives no rate: FFprobe's.
        QTest::newRow("MPEG-TS of H.264 at 50 fps")
            << TestMedia::clip("loading-h264-50.ts", {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=50:duration=1",
                                                      "-f", "lavfi", "-i", "sine=duration=1", "-c:v", "libx264",
                                                      "-pix_fmt", "yuv420p", "-c:a", "mp2", "-f", "mpegts"})
            << "MPEG-TS" << "h264" << QSize(320, 240) << QSize(320, 240) << 50.0 << 1.0 << "*257:44100:1:mp2" << 0 << -1;
        // A TV recording's two tracks, which MPlayer's own reader names out of order, the second
        // with its language.
        QTest::newRow("MPEG-TS of two tracks")
            << TestMedia::clip("loading-tracks.ts", {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=1",
                                                     "-f", "lavfi", "-i", "sine=duration=1", "-f", "lavfi", "-i",
                                                     "sine=frequency=880:sample_rate=48000:duration=1", "-map", "0",
                                                     "-map", "1", "-map", "2", "-c:v", "mpeg2video", "-c:a:0", "mp2",
                                                     "-c:a:1", "ac3", "-ac:a:1", "2", "-metadata:s:a:1", "language=fre",
                                                     "-f", "mpegts"})
            << "MPEG-TS" << "mpeg2video" << QSize(320, 240) << QSize(320, 240) << 25.0 << 1.0
            << "*257:44100:1:mp2 258:48000:2:ac3:fre" << 0 << -1;
        // A cover picture, which MPlayer reports as video of 90000 frames a second, is no video.
        QTest::newRow("M4A with a cover")
            << TestMedia::clip("loading-cover.m4a", {"-f", "lavfi", "-i", "sine=duration=1", "-f", "lavfi", "-i",
                                                     "testsrc=size=64x64:duration=1", "-map", "0", "-map", "1",
                                                     "-frames:v", "1", "-c:a", "aac", "-c:v", "mjpeg",
                                                     "-disposition:v", "attached_pic"})
            << "MPEG-4" << "" << QSize(0, 0) << QSize(0, 0) << 0.0 << 1.0 << "*0:44100:1:aac" << 0 << -1;
        // A phone's portrait video, stored on its side with a turn to show it at: described,
        // played and encoded upright.
        QTest::newRow("phone video turned a quarter")
            << turnedPhoneVideo()
            << "MPEG-4" << "h264" << QSize(180, 320) << QSize(180, 320) << 30.0 << 1.0 << "*0:44100:1:aac" << 0 << -1;
        // The movie lasts as long as its longest stream.
        QTest::newRow("picture shorter than its sound")
            << TestMedia::clip("loading-shortpicture.mkv", {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=1",
                                                           "-f", "lavfi", "-i", "sine=duration=3", "-c:v", "libx264",
                                                           "-pix_fmt", "yuv420p", "-c:a", "aac"})
            << "Matroska" << "h264" << QSize(320, 240) << QSize(320, 240) << 25.0 << 3.0 << "*0:44100:1:aac" << 0 << -1;
        // Film flagged to repeat fields, which the player and MediaInfo name at the rate the
        // fields are shown at (29.97): described at its own.
        QTest::newRow("MPEG-2 film flagged to repeat fields")
            << TestMedia::clip("loading-telecined.mpg", {"-f", "lavfi", "-i", "testsrc=size=352x240:rate=24000/1001:duration=2",
                                                         "-f", "lavfi", "-i", "sine=duration=2", "TELECINE", "-c:a", "mp2",
                                                         "-f", "vob"})
            << "MPEG-PS" << "mpeg2video" << QSize(352, 240) << QSize(426, 240) << 24000.0 / 1001 << 2.0 << "*0:44100:1:mp2" << 0 << -1;
        // A film's second sound track and its subtitle flagged to be played (the subtitle forced
        // too): chosen as the lists open, as a player chooses them.
        QTest::newRow("Matroska, second track and subtitle flagged")
            << TestMedia::clip("loading-flagged.mkv", {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=1",
                                                       "-f", "lavfi", "-i", "sine=duration=1", "-f", "lavfi", "-i",
                                                       "sine=frequency=880:duration=1", "-f", "lavfi", "-i",
                                                       "sine=frequency=660:duration=1", "-i",
                                                       writeEngineFile("flagged.srt", "1\n00:00:00,500 --> 00:00:01,000\nHi\n"), "-map", "0",
                                                       "-map", "1", "-map", "2", "-map", "3", "-map", "4", "-c:v", "libx264",
                                                       "-pix_fmt", "yuv420p", "-c:a", "aac", "-c:s", "ass", "-disposition:a:0", "0",
                                                       "-disposition:a:1", "default", "-disposition:s:0", "forced"})
            << "Matroska" << "h264" << QSize(320, 240) << QSize(320, 240) << 25.0 << 1.0
            << "0:44100:1:aac *1:44100:1:aac 2:44100:1:aac" << 1 << 0;
        // The player reads the length of this one from its first packets' bit rate, those of a
        // busy picture before a still one: 0.6 s of 6.
        QTest::newRow("MPEG-TS whose length the player misreads")
            << TestMedia::clip("loading-long.ts", {"-f", "lavfi", "-i", "testsrc2=size=352x288:rate=25:duration=1",
                                                   "-f", "lavfi", "-i", "color=size=352x288:rate=25:duration=5",
                                                   "-f", "lavfi", "-i", "sine=duration=6", "-filter_complex",
                                                   "[0]noise=alls=100:allf=t[busy];[busy][1]concat[v]", "-map", "[v]",
                                                   "-map", "2", "-c:v", "mpeg2video", "-b:v", "20M", "-maxrate", "40M",
                                                   "-bufsize", "8M", "-c:a", "mp2", "-f", "mpegts"})
            << "MPEG-TS" << "mpeg2video" << QSize(352, 288) << QSize(352, 288) << 25.0 << 6.0 << "*257:44100:1:mp2" << 0 << -1;
    }
    void realFiles()
    {
        QFETCH(QString, path);
        QFETCH(QString, container);
        QFETCH(QString, videoFormat);
        QFETCH(QSize, size);
        QFETCH(QSize, display);
        QFETCH(double, frameRate);
        QFETCH(double, length);
        QFETCH(QString, audio);
        QFETCH(int, subtitles);
        QFETCH(int, subtitle);
        QVERIFY(!path.isEmpty());
        const QString previous = QDir::currentPath();
        QDir::setCurrent(TestMedia::folder());
        const bool loaded = m_panel->setInput(path, 1);
        QDir::setCurrent(previous);
        QVERIFY(loaded);

        const MovieInfo &movie = m_panel->movieInfo;
        QCOMPARE(movie.containerFormat, container);
        QCOMPARE(movie.videoFormat, videoFormat);
        QCOMPARE(movie.sourceSize(), size);
        QCOMPARE(movie.displaySize(), display);
        QCOMPARE(movie.frameRate, frameRate);
        QVERIFY2(qAbs(movie.length - length) < 0.1, qPrintable(QString::number(movie.length)));
        QCOMPARE(audioSummary(movie.audioStreams, m_panel->audioIndex), audio);
        QCOMPARE(m_panel->subtitleCombo->currentData().toInt(), subtitle);
        QCOMPARE(movie.audioCount, int(movie.audioStreams.size()));
        QCOMPARE(movie.subtitleCount, subtitles);
        QCOMPARE(m_panel->sourceName, QFileInfo(path).completeBaseName());
        QCOMPARE(m_panel->loadStateBox->checkState(), Qt::Checked);
        QCOMPARE(m_panel->titleCount, 0);

        const bool audioOnly = videoFormat.isEmpty();
        QCOMPARE(movie.audioOnly, audioOnly);
        QCOMPARE(m_panel->noVideo, audioOnly);
        QCOMPARE(m_panel->audioPicture->isVisible(), audioOnly);
        QString program;
        QStringList arguments;
        m_panel->player->cliPlay(&program, &arguments, 0, 0, 0, 0);
        QCOMPARE(arguments.contains("-vo"), !audioOnly); // the panel's facade knows there is no video
        if (audioOnly) { // the audio picture on screen, at the display size
            QCOMPARE(m_panel->rendererSize, QSize(512, 288));
            QTRY_VERIFY_WITH_TIMEOUT(colourShare(grabNative(m_panel->renderer), QColor(200, 205, 215), 12) > 0.005, kScreenWait);
            saveScreenshot(grabNative(m_panel.get()), "player-loaded-audio");
        } else {
            QCOMPARE(m_panel->videoSize, display);
            // The description line gives the picture as it is shown.
            const QString line = m_panel->titleCombo->itemText(m_panel->titleCombo->findData(1));
            QVERIFY2(line.contains(QStringLiteral(" %1x%2 ").arg(size.width()).arg(size.height())), qPrintable(line));
        }
        QVERIFY(m_consoles.stdIn.toPlainText().contains("-msglevel identify=4"));
        QVERIFY(m_consoles.log.toPlainText().contains("Movie loaded, ready to play [" + m_panel->sourceName + "]."));
    }

    // What FFprobe's runs after its analysis could not read is said, and the fact stays as
    // unknown as the analysis left it: a DV camcorder's fields are not called progressive, a
    // film whose count could not be had or is absurd is neither called constant nor still.
    // A run fails as FFprobe may: it exits with an error, never answers, is killed, prints no
    // answer or a count its own listing belies. A
    // run that reads on through the file is stopped as soon as it has read more than a sample
    // may.
    void unreadSamplesAreSaid_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("run");   // what the failing run's arguments hold
        QTest::addColumn<QString>("fault"); // what it does instead of its work
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("fieldOrder");
        QTest::addColumn<QString>("unknown"); // SourceFacts::Unknown, as letters
        const QString failing = "exit 1";
        QTest::newRow("fields no flag states")
            << TestMedia::clip("loading-dv.avi", {"-f", "lavfi", "-i", "testsrc2=size=720x576:rate=25:duration=1",
                                                  "-f", "lavfi", "-i", "sine=sample_rate=48000:duration=1", "-target",
                                                  "pal-dv"})
            << "-read_intervals" << failing << "Player: FFprobe could not read the field order of the pictures of %1."
            << "" << "fields shapes sound length";
        const QString film = TestMedia::clip("loading-long.mp4", {"-f", "lavfi", "-i", "testsrc2=size=160x90:rate=30:duration=8",
                                                                 "-f", "lavfi", "-i", "sine=sample_rate=48000:duration=8", "-c:v",
                                                                 "libx264", "-preset", "ultrafast", "-c:a", "aac"});
        QTest::newRow("rate past the first seconds")
            << film << "-read_intervals" << failing << "Player: FFprobe could not read the frame rate of %1 past its first seconds."
            << "progressive" << "rate shapes sound length";
        // The sound's rates are decoded wherever there is sound.
        QTest::newRow("the sound's rate through the file")
            << TestMedia::standardMp4() << "-read_intervals" << failing
            << "Player: FFprobe could not read the sampling rate of the sound of %1 through the file." << "progressive"
            << "shapes sound length";
        const QString readsOn = "head -c 40000000 /dev/zero >/dev/null; exec '" + TestMedia::fakeEngine() + "' hang";
        QTest::newRow("a run reading on through the file")
            << TestMedia::standardMp4() << "-read_intervals" << readsOn
            << "Player: FFprobe read more of the file than it may, and was stopped." << "progressive" << "shapes sound length";
        // What it printed before is no whole answer.
        QTest::newRow("a run reading on after its answer")
            << TestMedia::standardMp4() << "-read_intervals" << "ffprobe \"$@\"; " + readsOn
            << "Player: FFprobe could not read the sampling rate of the sound of %1 through the file." << "progressive"
            << "shapes sound length";
        // Its stream names its field order, FFprobe lists all its packets at once, and it has no
        // sound: its shape past its start is still read.
        QTest::newRow("the shape past the start")
            << TestMedia::clip("loading-silent.mp4", {"-f", "lavfi", "-i", "testsrc2=size=160x90:rate=25:duration=1", "-c:v",
                                                      "libx264", "-preset", "ultrafast"})
            << "-read_intervals" << failing << "Player: FFprobe could not read the shape of the pictures of %1 past its start."
            << "progressive" << "shapes";
        // A 20 s film in Matroska, which counts nothing itself, whose count fails.
        const QString uncounted = TestMedia::clip("loading-uncounted.mkv", {"-f", "lavfi", "-i", "testsrc2=size=160x90:rate=25:duration=20",
                                                                            "-f", "lavfi", "-i", "sine=duration=20", "-c:v", "libx264",
                                                                            "-preset", "ultrafast", "-c:a", "aac"});
        const QString rateUnread = "Player: FFprobe could not read the frame rate of %1 past its first seconds.";
        QTest::newRow("a count that never answers") << uncounted << "-count_packets" << QString("exec '%1' hang").arg(TestMedia::fakeEngine())
                                                    << rateUnread << "progressive" << "rate";
        // Killed as it ends: its answer, whole as it looks, is no answer.
        QTest::newRow("a count killed") << uncounted << "-count_packets"
                                        << R"(echo '{"streams": [{"nb_read_packets": 500}]}'; kill -KILL $$)" << rateUnread
                                        << "progressive" << "rate";
        QTest::newRow("a count that prints no answer") << uncounted << "-count_packets" << "echo 'nb_read_packets=250'" << rateUnread
                                                       << "progressive" << "rate";
        // Counts its own listing belies: one picture (it made the film a still picture), and
        // more than any camera films.
        QTest::newRow("a count of one picture") << uncounted << "-count_packets" << R"(echo '{"streams": [{"nb_read_packets": 1}]}')"
                                                << rateUnread << "progressive" << "rate";
        QTest::newRow("a count beyond any camera") << uncounted << "-count_packets"
                                                   << R"(echo '{"streams": [{"nb_read_packets": 2000000000}]}')" << rateUnread
                                                   << "progressive" << "rate";
        QTest::newRow("stretches that print no answer") << uncounted << "nokey" << "echo '{\"packets_and_frames\": ['"
                                                        << rateUnread << "progressive" << "rate shapes length";
        QTest::newRow("sound rates that print no answer") << uncounted << "nb_samples" << "echo '{}'"
                                                          << "Player: FFprobe could not read the sampling rate of the sound of %1 through the file."
                                                          << "progressive" << "sound length";
        QTest::newRow("sound rates that never answer") << uncounted << "nb_samples" << QString("exec '%1' hang").arg(TestMedia::fakeEngine())
                                                       << "Player: FFprobe could not read the sampling rate of the sound of %1 through the file."
                                                       << "progressive" << "sound length";
        // A download cut short: the load says the file is shorter than its header declares.
        QTest::newRow("a download cut short")
            << TestMedia::cutBack("loading-cut.mkv", uncounted, 0.5) << "NONE" << ":"
            << "The file stops at %2 s of the 20.02 s its header declares: it was cut short" << "progressive" << "";
        // A song of two pictures, the second late (its header counts both): no still picture
        // where its stretches could not be read.
        QTest::newRow("two pictures, the second late, stretches unread")
            << TestMedia::clip("loading-two-late.mp4", {"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=12", "-f",
                                                        "lavfi", "-i", "sine=duration=12", "-vf", "select='eq(n\\,0)+eq(n\\,275)'",
                                                        "-fps_mode", "vfr", "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"})
            << "nokey" << failing << rateUnread << "progressive" << "rate shapes length";
        // A song of two pictures in Matroska, whose count fails: two pictures are no still one.
        QTest::newRow("two pictures, uncounted")
            << TestMedia::clip("loading-two.mkv", {"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=0.08", "-f",
                                                   "lavfi", "-i", "sine=duration=3", "-c:v", "libx264", "-preset", "ultrafast",
                                                   "-c:a", "aac"})
            << "-count_packets" << failing << "" << "progressive" << "";
        // A title held 10 s, then moving: the picture is no still one, whatever the count does,
        // nor where neither a count nor a stretch could be read.
        const QString title = TestMedia::clip("loading-title.mkv", {"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=12", "-f",
                                                                   "lavfi", "-i", "sine=duration=12", "-vf", "select='eq(n\\,0)+gte(t\\,10)'",
                                                                   "-fps_mode", "vfr", "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"});
        QTest::newRow("a held picture that moves later, uncounted") << title << "-count_packets" << failing << rateUnread
                                                                    << "progressive" << "rate";
        QTest::newRow("a held picture, neither counted nor read through") << title << "v:0" << failing << rateUnread
                                                                          << "progressive" << "rate shapes length";
        // An AVI whose damaged header counts one picture, its count failing: no count of it.
        QTest::newRow("AVI header counting one picture, uncounted")
            << TestMedia::aviCounting("loading-onecount.avi", TestMedia::clip("loading-counted.avi", {"-f", "lavfi", "-i",
                                      "testsrc2=size=160x90:rate=25:duration=10", "-f", "lavfi", "-i", "sine=duration=10", "-c:v", "mpeg4",
                                      "-c:a", "libmp3lame"}), 1)
            << "-count_packets" << failing << rateUnread << "progressive" << "rate";
    }
    void unreadSamplesAreSaid()
    {
        QFETCH(QString, path);
        QFETCH(QString, run);
        QFETCH(QString, fault);
        QFETCH(QString, said);
        QFETCH(QString, fieldOrder);
        QFETCH(QString, unknown);
        QVERIFY(!path.isEmpty());
        // FFprobe that answers the analysis and fails the runs that complete it as the row says.
        const QString ffprobe = writeEngineScript("ffprobe-unread-" + QString(QTest::currentDataTag()).replace(' ', '-'),
                                                  QString("case \"$*\" in *-show_format*) ;; *%1*) %2; exit ;; esac\nexec ffprobe \"$@\"").arg(run, fault));
        PlayerPreferences preferences;
        preferences.latencyFinished = 1000;
        PanelConsoles consoles;
        PanelProbe panel(nullptr, kMPlayer, kMediaInfo, ffprobe, &consoles.stdIn, &consoles.stdOut, &consoles.stdErr,
                         &consoles.log, 3, &preferences);
        QVERIFY(panel.setInput(path, 1));
        const QString log = consoles.log.toPlainText();
        const SourceFacts &facts = panel.movieInfo.facts;
        const QString text = said.contains("%2") ? said.arg(QString::number(facts.length, 'f', 2)) : said.arg(path);
        QVERIFY2(said.isEmpty() ? !log.contains("FFprobe could not read") : log.contains(text), qPrintable(log));
        QVERIFY2(!log.contains("crashed"), qPrintable(log));
        QCOMPARE(panel.loadNotes().join(' ').contains(" stops at "), said.contains(" stops at "));
        QCOMPARE(facts.fieldOrder, fieldOrder);
        const char *const names[] = {"fields", "rate", "shapes", "sound", "length"};
        QStringList unread;
        for (int i = 0; i < 5; ++i)
            if (facts.unknown & (1 << i))
                unread << names[i];
        QCOMPARE(unread.join(' '), unknown);
        QVERIFY(!facts.stillPicture);
    }

    // FFprobe's runs after its analysis start as soon as it has answered, beside a MediaInfo
    // that answers only once one of them has started; each reads stretches of the file where
    // its index points, not the file up to each point; and the whole file is counted only where
    // that reads no more than a run may.
    void sampleRuns_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<double>("mostRead"); // the most bytes that one run may read
        QTest::addColumn<bool>("counted");
        QTest::addColumn<int>("stopped"); // the most runs stopped at their bound, before they note what they read
        const QString minutes = TestMedia::clip("loading-minutes.mkv", {"-f", "lavfi", "-i", "testsrc2=size=160x90:rate=25:duration=120",
                                                                        "-f", "lavfi", "-i", "sine=duration=120", "-c:v", "libx264",
                                                                        "-preset", "ultrafast", "-g", "25", "-c:a", "aac"});
        QTest::newRow("two minutes of Matroska, which indexes its picture only") << minutes << 0.5 * QFileInfo(minutes).size() << true << 0;
        // The same, padded.
        const QString padded = TestMedia::scratch("loading", "long-tail.mkv");
        QFile::remove(padded);
        QFile::copy(minutes, padded);
        QFile tail(padded);
        QVERIFY(tail.open(QIODevice::ReadWrite) && tail.resize(40 * 1024 * 1024));
        // A run reading near its end (the picture's and the sound's) reads on through the
        // padding, and is stopped at its bound (looked at ten times a second).
        QTest::newRow("Matroska of 40 MB, more than a run may read") << padded << 2.0 * InterfaceFFprobe::LeastSampleRead << false << 2;
    }
    void sampleRuns()
    {
        QFETCH(QString, path);
        QFETCH(double, mostRead);
        QFETCH(bool, counted);
        const QString runs = TestMedia::scratch("loading", "runs.txt");
        QFile::remove(runs);
        // FFprobe that notes each run after its analysis with what it read (its own reads and
        // those of the children it has waited for), and MediaInfo that waits for the first.
        const QString ffprobe = writeEngineScript("ffprobe-noting", QStringLiteral("case \"$*\" in *-version*|*-show_format*) exec ffprobe \"$@\" ;; esac\n"
                                                                                   "echo started >> '%1'; ffprobe \"$@\"; code=$?\n"
                                                                                   "echo $(grep rchar /proc/$$/io) \"$*\" >> '%1'; exit $code").arg(runs));
        const QString mediaInfo = writeEngineScript("mediainfo-after-samples",
                                                    QStringLiteral("[ \"$1\" = --version ] || '%1' wait-for '%2'\nexec mediainfo \"$@\"")
                                                        .arg(TestMedia::fakeEngine(), runs));
        PanelConsoles consoles;
        PanelProbe panel(nullptr, kMPlayer, mediaInfo, ffprobe, &consoles.stdIn, &consoles.stdOut, &consoles.stdErr,
                         &consoles.log, 3, nullptr);
        QVERIFY(panel.setInput(path, 1));
        QCOMPARE(panel.loadNotes(), QStringList());
        QFile noted(runs);
        QVERIFY(noted.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(noted.readAll()).split('\n', Qt::SkipEmptyParts);
        QFETCH(int, stopped);
        // Each run that started ran once (none was started again), to its end or, reading on
        // past its bound, to where it was stopped.
        const qsizetype started = lines.removeAll("started");
        QVERIFY2(started >= lines.size() && started - lines.size() <= stopped, qPrintable(lines.join('\n')));
        QVERIFY(started <= InterfaceFFprobe::sampleRuns().size());
        QVERIFY(!lines.isEmpty());
        // What FFprobe reads besides the file (its libraries' headers) is some 2 MB.
        for (const QString &line : lines)
            QVERIFY2(line.contains("-count_packets") || line.section(' ', 1, 1).toDouble() < mostRead + 2e6,
                     qPrintable(line));
        QCOMPARE(!lines.filter("-count_packets").isEmpty(), counted);
    }

    // What is no media file gives the failure box with its cause and loads nothing.
    void refusedFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("cause");
        const QString folder = TestMedia::folder() + "/a folder.avi";
        QDir().mkpath(folder);
        const QString empty = writeEngineFile("empty.avi", QByteArray());
        QTest::newRow("folder") << folder << "This isn't a valid file.";
        QTest::newRow("missing") << TestMedia::folder() + "/none.avi" << "This path doesn't exist.";
        QTest::newRow("text renamed") << writeBadMedia("text") << "This isn't a valid media file (MediaInfo).";
        QTest::newRow("empty") << empty << "This isn't a valid media file (MediaInfo).";
        QTest::newRow("truncated") << writeBadMedia("truncated", "mp4") << "This isn't a valid media file (MediaInfo).";
        QTest::newRow("header only") << writeBadMedia("stub") << "This isn't a valid media file (FFprobe).";
    }
    void refusedFiles()
    {
        QFETCH(QString, path);
        QFETCH(QString, cause);
        QVERIFY(m_panel->setInput(TestMedia::standardAvi(), 1));
        ModalAnswerer answerer;
        answerer.screenshotAs(QStringLiteral("player-refused-%1-").arg(QTest::currentDataTag()).replace(' ', '-'));
        QVERIFY(!m_panel->setInput(path, 1));
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().first().text.trimmed(), "Failed to load movie from:\n" + path);
        QCOMPARE(answerer.seen().first().informativeText, cause);
        QCOMPARE(m_panel->loadStateBox->checkState(), Qt::Unchecked);
        QCOMPARE(m_panel->sourceName, QString("standard")); // the records of before
        QVERIFY(!m_panel->progressWidget);
        QVERIFY(!button(m_panel.get(), "playButton")->isEnabled());
    }

    // Load error limits with an engine that prints standard-error lines first: 101 lines
    // still load, a 102nd fails; the warnings of the Linux build do not count; a first
    // "File not found" fails at once; a player engine that is not there fails with its name.
    void errorLimits_data()
    {
        QTest::addColumn<QString>("mplayer");
        QTest::addColumn<QString>("cause"); // empty: loads
        QTest::newRow("as many as allowed") << noisyMPlayer("errors-101", {{101, "decoder error"}}) << "";
        QTest::newRow("one more") << noisyMPlayer("errors-102", {{102, "decoder error"}})
                                  << "Too many player backend errors.";
        QTest::newRow("noise does not count")
            << noisyMPlayer("noise", {{60, "Failed to open LIRC support. You will not be able to use your remote control."},
                                      {60, "do_connect: could not connect to socket"},
                                      {101, "decoder error"}})
            << "";
        QTest::newRow("file not found") << noisyMPlayer("not-found", {{1, "File not found: 'x.avi'"}})
                                        << "File not found by player engine.";
        // No question of time: the program that is not there is named, not the start latency.
        QTest::newRow("player missing") << "/nonexistent/mplayer"
                                        << "The player engine could not be started [/nonexistent/mplayer]: check its "
                                           "path in Options > Engine paths.";
    }
    void errorLimits()
    {
        QFETCH(QString, mplayer);
        QFETCH(QString, cause);
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 3, nullptr, mplayer));
        ModalAnswerer answerer;
        const int descriptors = openDescriptors();
        QCOMPARE(panel->setInput(TestMedia::standardAvi(), 1), cause.isEmpty());
        QCOMPARE(answerer.seen().size(), cause.isEmpty() ? 0 : 1);
        // A player that is not there keeps nothing open, however often its start is tried.
        if (!QFileInfo::exists(mplayer))
            QCOMPARE(openDescriptors(), descriptors);
        if (!cause.isEmpty()) {
            QCOMPARE(answerer.seen().first().informativeText, cause);
            QCOMPARE(panel->loadStateBox->checkState(), Qt::Unchecked);
        } else {
            QCOMPARE(panel->movieInfo.videoFormat, QString("FMP4"));
        }
    }

    // A phone video loaded while one engine takes longer than the finish latency (1 s here),
    // as on a busy machine or from a cold disk: one that works goes on, one that waits (or
    // starts late) is asked again with longer time-outs, and the file loads with its facts
    // (turned upright). An
    // analysis that never comes does not refuse the file: the load says what is unknown, and
    // without FFprobe's facts the picture is not turned and the facts are not measured.
    void slowEngines_data()
    {
        QTest::addColumn<QString>("engine"); // the engines slowed
        QTest::addColumn<QString>("how");    // see slowedEngine
        QTest::addColumn<QString>("when");   // the calls slowed: the analysis of the file
        QTest::addColumn<QString>("note");   // what the load says it could not learn; "refused: " the box's cause
        QTest::newRow("FFprobe waiting") << "ffprobe" << "sleep" << "*show_format*" << "";
        QTest::newRow("MediaInfo working") << "mediainfo" << "burn" << "*.mp4" << "";
        QTest::newRow("MPlayer waiting") << "mplayer" << "sleep" << "*identify*" << "";
        QTest::newRow("MPlayer working") << "mplayer" << "burn" << "*identify*" << "";
        QTest::newRow("MPlayer starting late") << "" << "start late" << "" << "";
        QTest::newRow("FFprobe never answering")
            << "ffprobe" << "hang" << "*show_format*"
            << "FFprobe did not answer in time: the picture's turn, fields and frame rate and the streams' start "
               "times are unknown, and MEncoder is not used for this file.";
        QTest::newRow("FFprobe stopped from outside")
            << "ffprobe" << "stopped" << "*show_format*"
            << "FFprobe was stopped from outside (killed by signal 15 (Terminated)): the picture's turn, fields and frame "
               "rate and the streams' start times are unknown, and MEncoder is not used for this file.";
        QTest::newRow("MediaInfo stopped from outside")
            << "mediainfo" << "stopped" << "*.mp4"
            << "MediaInfo was stopped from outside (killed by signal 15 (Terminated)): what it tells of the file is missing.";
        QTest::newRow("MediaInfo never answering") << "mediainfo" << "hang" << "*.mp4"
                                                   << "MediaInfo did not answer in time: what it tells of the file is missing.";
        QTest::newRow("MPlayer never answering") << "mplayer" << "hang" << "*identify*"
                                                 << "MPlayer did not answer in time: the file's description may be incomplete.";
        // Neither analysis can tell whether it is media at all.
        QTest::newRow("MediaInfo and FFprobe never answering")
            << "mediainfo ffprobe" << "hang" << "*.mp4*"
            << "refused: Neither MediaInfo nor FFprobe answered in time: try again, or increase player latency "
               "(finished) in timing preferences.";
    }
    void slowEngines()
    {
        QFETCH(QString, engine);
        QFETCH(QString, how);
        QFETCH(QString, when);
        QFETCH(QString, note);
        const auto path = [&](const QString &which) {
            return engine.contains(which) ? slowedEngine("load-" + which + "-" + QString(QTest::currentDataTag()).replace(' ', '-'),
                                                         which, how, 1500, when)
                                          : which;
        };
        PlayerPreferences preferences;
        preferences.latencyFinished = 1000;
        // The first identify run starts past its start latency, as on a machine that swaps.
        s_identifyLate = how == "start late";
        if (s_identifyLate)
            preferences.latencyStart = 300;
        const auto starts = qScopeGuard([previous = LoadProcess::setStartFunction(startIdentifyLate)] {
            LoadProcess::setStartFunction(previous);
        });
        PanelConsoles consoles;
        const std::unique_ptr<PanelProbe> panel(new PanelProbe(nullptr, path(kMPlayer), path(kMediaInfo), path(kFFprobe),
                                                               &consoles.stdIn, &consoles.stdOut, &consoles.stdErr,
                                                               &consoles.log, 2, &preferences));
        ModalAnswerer answerer;
        const bool refused = note.startsWith("refused: ");
        QSignalSpy storageWaits(panel.get(), &PlayerWidget::storageWaitChanged);
        const bool loaded = panel->setInput(turnedPhoneVideo(), 1);
        const QString said = consoles.log.toPlainText();
        QVERIFY2(loaded == !refused, qPrintable(said));
        // An engine that waits, works or hangs is no slow storage.
        QCOMPARE(storageWaits.size(), 0);
        // Only one that waits (or starts late) is asked again; one that works is waited for.
        QVERIFY2(said.contains("did not answer in time; it is asked again with longer time-outs.")
                     == (how == "sleep" || how == "hang" || how == "start late"),
                 qPrintable(said));
        QVERIFY2(!said.contains("crashed"), qPrintable(said));
        if (refused) {
            QCOMPARE(answerer.seen().size(), 1);
            QCOMPARE(answerer.seen().first().informativeText, note.mid(9));
            return;
        }
        QCOMPARE(answerer.seen().size(), 0);
        QCOMPARE(panel->loadNotes().join(' '), note);
        const bool measured = !engine.contains("ffprobe") || how == "sleep";
        QCOMPARE(panel->movieInfo.facts.measured, measured);
        QCOMPARE(panel->movieInfo.displaySize(), measured ? QSize(180, 320) : QSize(320, 180));
        QCOMPARE(panel->movieInfo.frameRate, 30.0);
        QVERIFY2(said.contains(note), qPrintable(said));
    }

    // A sound file is described without being played through: the identify run ends by
    // itself long before the finish latency (it used to play the whole file and be killed),
    // and the box shown meanwhile is painted, as the screen shows it while the panel waits.
    void audioFileLoad()
    {
        const QString sound = TestMedia::clip("tone-60s.mp3", {"-f", "lavfi", "-i", "sine=frequency=440:duration=60",
                                                               "-c:a", "libmp3lame", "-b:a", "64k"});
        QVERIFY(!sound.isEmpty());
        const QString shot = TestMedia::scratch("loading", "box-during-identify.png");
        // The screen as the user sees it while the panel waits for the identify run.
        const QString mplayer = writeEngineScript(
            "screen-grabbing", QStringLiteral("case \"$*\" in *identify=4*)\n"
                                              "  ffmpeg -loglevel error -nostdin -y -f x11grab -i \"$DISPLAY\" -frames:v 1 '%1' ;;\n"
                                              "esac\nexec mplayer \"$@\"")
                                   .arg(shot));
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 3, nullptr, mplayer));
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
        QRect box;
        ModalAnswerer answerer;
        answerer.answerWith([&box](QWidget *window) {
            box = window->geometry();
            return true;
        });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(panel->setInput(sound, 1));
        const qint64 elapsed = clock.elapsed();
        QVERIFY(panel->movieInfo.audioOnly);
        QCOMPARE(panel->movieInfo.length, 60.0);
        QVERIFY2(!consoles.log.toPlainText().contains("Failed to stop movie file loading process softly"),
                 qPrintable(QString::number(elapsed)));
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().first().className, QString("ProgressWidget"));
        const QImage screen(shot);
        QVERIFY(!screen.isNull() && box.isValid());
        const QImage seen = screen.copy(box);
        saveScreenshot(seen, "player-loading-audio-box");
        QVERIFY2(nonBlackShare(seen) > 0.5, qPrintable(QString::number(nonBlackShare(seen))));
        QVERIFY(distinctColours(seen) > 3);
    }

    // The loading entry: state, enable rules and log line of a file; an unknown kind keeps
    // the source loaded; the extended panel empties its consoles first, also for a failure.
    void loadingEntry()
    {
        PanelProbe &panel = *m_panel;
        const QString avi = TestMedia::standardAvi();
        QVERIFY(panel.setInput(avi, 1));
        QCOMPARE(panel.loadStateBox->checkState(), Qt::Checked);
        QCOMPARE(panel.sourcePath, avi);
        QCOMPARE(panel.mediaKind, 1);
        QVERIFY(m_consoles.log.toPlainText().endsWith("Set player input (File): " + avi));
        QVERIFY(button(&panel, "playButton")->isEnabled());
        QVERIFY(!button(&panel, "slowerButton")->isEnabled());
        QString program;
        QStringList arguments;
        panel.player->cliPlay(&program, &arguments, 0, 0, 0, 0);
        QCOMPARE(arguments.last(), avi);

        m_consoles.stdIn.setPlainText("old");
        QVERIFY(!panel.setInput(avi, 3));
        QCOMPARE(panel.loadStateBox->checkState(), Qt::Checked);
        QVERIFY(button(&panel, "playButton")->isEnabled());
        QVERIFY(m_consoles.stdIn.toPlainText().isEmpty());

        m_consoles.log.setPlainText("old");
        ModalAnswerer answerer;
        QVERIFY(!panel.setInput(TestMedia::folder() + "/none", 2));
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().first().text.trimmed(), "Failed to load DVD from:\n" + TestMedia::folder() + "/none");
        QCOMPARE(answerer.seen().first().informativeText, QString("This path doesn't exist."));
        QCOMPARE(panel.loadStateBox->checkState(), Qt::Unchecked);
        QVERIFY(!m_consoles.log.toPlainText().contains("old"));
        QVERIFY(!button(&panel, "playButton")->isEnabled());

        QVERIFY(!panel.setInput(avi, 2));
        QCOMPARE(answerer.seen().size(), 2);
        QCOMPARE(answerer.seen().last().text.trimmed(), "Failed to access DVD from:\n" + avi);
        QCOMPARE(answerer.seen().last().informativeText, QString("This isn't a valid directory."));
    }
};

// Opening a file while its engines take their time: the window keeps handling events, a
// second load asked for meanwhile is refused, and the first ends as it would alone.
class TestResponsiveLoading : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initGui4Resources(); }

    void fileLoad()
    {
        PanelConsoles consoles;
        const QString file = TestMedia::standardAvi();
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 3, nullptr, slowIdentifyMPlayer("slow-file")));
        bool secondRefused = false;
        QTimer second;
        QObject::connect(&second, &QTimer::timeout, [&] {
            if (!panel->progressWidget || secondRefused)
                return;
            secondRefused = !panel->setInput(file, 1);
        });
        second.start(50);
        EventGaps gaps;
        QVERIFY(panel->setInput(file, 1));
        QVERIFY2(gaps.longest() < kWideGapMs, qPrintable(QString::number(gaps.longest())));
        QVERIFY(secondRefused);
        QCOMPARE(panel->movieInfo.width, 320);
        QCOMPARE(panel->movieInfo.audioStreams.size(), 1);
        QCOMPARE(consoles.stdIn.toPlainText().count("identify="), 1);
        QCOMPARE(consoles.log.toPlainText().count("Start loading movie."), 1);
    }

    // The titles are read side by side, the window handling events meanwhile; the panel's
    // records and every console end as when the titles are read one at a time.
    void dvdLoad()
    {
        const QString mplayer = slowIdentifyMPlayer("slow-dvd");
        const QString dvd = TestMedia::languagesDvdFolder();
        PlayerPreferences preferences;
        preferences.titleMinimumLength = 1.0;
        const auto load = [&](int runsAtOnce, qint64 *longestGap) {
            LoadScheduler::setMaximumRuns(runsAtOnce);
            PanelConsoles consoles;
            std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 3, &preferences, mplayer));
            EventGaps gaps;
            const bool loaded = panel->setInput(dvd, 2);
            *longestGap = gaps.longest();
            LoadScheduler::setMaximumRuns(0);
            QStringList seen{QString::number(loaded), QString::number(panel->mainTitle)};
            for (const TitleInfo &title : panel->titles)
                seen << QStringLiteral("%1 %2 %3 %4 %5").arg(title.number).arg(title.ignored).arg(title.chapters)
                            .arg(title.displaySize().width()).arg(audioSummary(title.audioStreams));
            // Each panel has a window of its own; the decoder's addresses and the status
            // line's clock differ from run to run.
            static const QRegularExpression varying(QStringLiteral("0x[0-9a-f]+|A-V: *-?[0-9.]+"));
            const QString windowId = QString::number(panel->renderer->winId());
            for (const QTextEdit *console : {&consoles.stdIn, &consoles.stdOut, &consoles.stdErr, &consoles.log})
                seen << console->toPlainText().replace(windowId, "WID").replace(varying, "0x");
            return seen;
        };
        qint64 gap = 0;
        const QStringList sideBySide = load(0, &gap);
        QVERIFY2(gap < kWideGapMs, qPrintable(QString::number(gap)));
        qint64 serialGap = 0;
        const QStringList oneAtATime = load(1, &serialGap);
        QCOMPARE(sideBySide.at(0), QString("1"));
        QCOMPARE(sideBySide.size(), 2 + 2 + 4);
        QVERIFY(sideBySide.at(2).startsWith("1 0 3 1024 128:48000"));
        for (int i = 0; i < sideBySide.size(); ++i)
            QCOMPARE(sideBySide.at(i), oneAtATime.at(i));
    }
};

class TestDvdLoading : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initGui4Resources(); }

    // Runs slower than the player's finish latency lose nothing: a title run has a bound of
    // its own past it, and an audio run cut short by it is made again within that bound (a
    // title was once read without its sampling rate on a busy machine).
    void slowRunsLoseNothing_data()
    {
        QTest::addColumn<int>("latency");
        QTest::addColumn<QString>("titleDelay");
        QTest::addColumn<QString>("audioDelay");
        QTest::addColumn<int>("audioRuns"); // one per stream of the two titles, and one more each that was cut short
        QTest::newRow("title run past the latency") << 3000 << "3.2" << "1" << 3;
        QTest::newRow("audio runs past the latency") << 1000 << "0" << "1.5" << 6;
    }

    void slowRunsLoseNothing()
    {
        QFETCH(int, latency);
        QFETCH(QString, titleDelay);
        QFETCH(QString, audioDelay);
        QFETCH(int, audioRuns);
        const QString runs = TestMedia::folder() + "/engines/slow-runs-" + QTest::currentDataTag();
        QFile::remove(runs);
        const QString dvd = TestMedia::languagesDvdFolder();
        QVERIFY(!dvd.isEmpty());
        const QString mplayer = writeEngineScript("slow-runs-" + titleDelay + "-" + audioDelay,
                                                  QStringLiteral("case \"$*\" in\n"
                                                                 "  *identify=*) exec '%1' slow %2 mplayer \"$@\" ;;\n"
                                                                 "  -aid*) echo run >> '%4'; exec '%1' slow %3 mplayer \"$@\" ;;\n"
                                                                 "  *) exec mplayer \"$@\" ;;\nesac")
                                                      .arg(TestMedia::fakeEngine(), titleDelay, audioDelay, runs));
        PlayerPreferences preferences;
        preferences.titleMinimumLength = 1.0;
        preferences.latencyFinished = latency;
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 3, &preferences, mplayer));
        QVERIFY(panel->setInput(dvd, 2));
        QStringList seen;
        for (const TitleInfo &title : panel->titles)
            seen << QStringLiteral("%1 %2 %3").arg(title.ignored).arg(title.chapters).arg(audioSummary(title.audioStreams));
        QCOMPARE(seen, QStringList({"0 3 128:48000:0::en 129:48000:0::fr", "0 2 128:48000:0::de"}));
        QFile made(runs);
        QVERIFY(made.open(QIODevice::ReadOnly));
        QCOMPARE(made.readAll().count("run"), audioRuns);
    }

    // The generated DVD with a short minimum length: both titles, the main title, the
    // chapter starts, the audio ids and languages, each stream's own details (every
    // audio run selects its stream) and the display size; the entry's log line and state.
    void shortMinimum()
    {
        const QString dvd = TestMedia::languagesDvdFolder();
        QVERIFY(!dvd.isEmpty());
        PlayerPreferences preferences;
        preferences.titleMinimumLength = 4.0; // title 2 is exactly as long
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 3, &preferences));
        QVERIFY(panel->setInput(dvd, 2));

        QCOMPARE(panel->titleCount, 2);
        QCOMPARE(panel->titles.size(), 2);
        QCOMPARE(panel->mainTitle, 1);
        QCOMPARE(panel->mediaKind, 2);
        QCOMPARE(panel->sourceName, dvd); // a folder made on disk has no volume id
        const TitleInfo &first = panel->titles.at(0);
        QVERIFY(!first.ignored);
        QCOMPARE(first.number, 1);
        QCOMPARE(first.length, 6.0);
        QCOMPARE(first.chapters, 3);
        QCOMPARE(first.chapterTimes.size(), 3);
        QCOMPARE(first.chapterTimes.first(), 0.0);
        QVERIFY(first.chapterTimes.at(1) > 1.0 && first.chapterTimes.at(1) <= 2.0);
        QVERIFY(first.chapterTimes.at(2) > 3.0 && first.chapterTimes.at(2) <= 4.5);
        QCOMPARE(first.sourceSize(), QSize(720, 576));
        QCOMPARE(first.displaySize(), QSize(1024, 576));
        QCOMPARE(first.aspectCode, 3);
        QCOMPARE(first.frameRateCode, 3);
        QCOMPARE(first.videoFormat, QString("MPEG2"));
        QCOMPARE(first.audioCount, 2);
        const AudioInfo &english = first.audioStreams.at(0);
        const AudioInfo &french = first.audioStreams.at(1);
        QCOMPARE(english.aid, 128);
        QCOMPARE(english.language, QString("en"));
        QCOMPARE(english.channels, QString("stereo"));
        QCOMPARE(english.bitrate, 192.0);
        QCOMPARE(english.samplingRate, 48000);
        QCOMPARE(french.aid, 129);
        QCOMPARE(french.language, QString("fr"));
        QCOMPARE(french.bitrate, 96.0);
        const TitleInfo &second = panel->titles.at(1);
        QVERIFY(!second.ignored);
        QCOMPARE(second.length, 4.0);
        QCOMPARE(second.chapters, 2);
        QCOMPARE(second.displaySize(), QSize(768, 576));
        QCOMPARE(second.audioStreams.size(), 1);
        QCOMPARE(second.audioStreams.first().language, QString("de"));
        QCOMPARE(second.audioStreams.first().bitrate, 128.0);

        QCOMPARE(panel->videoSize, QSize(1024, 576));
        QCOMPARE(panel->loadStateBox->checkState(), Qt::Checked);
        QVERIFY(!panel->progressWidget);
        const QString log = consoles.log.toPlainText();
        QVERIFY(log.contains("Info: detected 2 titles in the DVD."));
        QVERIFY(log.contains("DVD loaded, ready to play [" + dvd + "]."));
        QVERIFY(log.contains("Set player input (DVD title "));
        QCOMPARE(consoles.stdIn.toPlainText().count("dvd://"), 3); // the disc and two titles
    }

    // Each title's field order comes from its own title set, which the disc's table of titles
    // names: progressive titles and a TV recording's fields (bottom first), a set of one title
    // each, and two titles sharing the first set.
    void titleFieldOrders_data()
    {
        QTest::addColumn<QList<QStringList>>("titleSets"); // each set's titles: "progressive" (4:3) or "bb" (16:9)
        QTest::newRow("a title in each set") << QList<QStringList>{{"progressive"}, {"bb"}};
        QTest::newRow("two titles in the first set") << QList<QStringList>{{"progressive", "progressive"}, {"bb"}};
        QTest::newRow("two titles in the second set") << QList<QStringList>{{"bb"}, {"progressive", "progressive"}};
        // A recorder's title that turns from 4:3 to 16:9 partway: its later sequence headers say so.
        QTest::newRow("a title turning to 16:9") << QList<QStringList>{{"turning"}};
    }
    void titleFieldOrders()
    {
        QFETCH(QList<QStringList>, titleSets);
        const auto title = [](const QString &name, const QStringList &fields) {
            return TestMedia::clip(name, QStringList{"-f", "lavfi", "-i", "testsrc2=size=720x576:rate=25:duration=1",
                                                     "-f", "lavfi", "-i", "sine=duration=1", "-target", "pal-dvd"}
                                             + fields);
        };
        // A TV recording's interlaced title in a set of 16:9 pictures.
        const QMap<QString, QString> vobs{{"progressive", title("fields-progressive.mpg", {"-aspect", "4:3"})},
                                          {"bb", title("fields-bottom-wide.mpg", {"-flags", "+ilme+ildct", "-top", "0", "-aspect", "16:9"})},
                                          {"turning", title("fields-turning.mpg", {"-aspect", "4:3", "-t", "2"})}};
        const QMap<QString, QString> shapes{{"progressive", "4:3 1.33"}, {"bb", "16:9 1.78"}, {"turning", "4:3 1.33>1.78"}};
        QVERIFY(!vobs.value("progressive").isEmpty() && !vobs.value("bb").isEmpty());
        QString xml;
        QStringList orders; // each title's field order and shapes, in title order
        for (const QStringList &titles : titleSets) {
            xml += QStringLiteral(" <titleset><titles><video format=\"pal\" aspect=\"%1\"/><audio lang=\"en\"/>")
                       .arg(shapes.value(titles.first()).section(' ', 0, 0));
            for (const QString &order : titles) {
                xml += QStringLiteral("<pgc><vob file=\"%1\"/></pgc>").arg(vobs.value(order));
                orders << (order == "bb" ? order : QString("progressive")) + ' ' + shapes.value(order).section(' ', 1);
            }
            xml += "</titles></titleset>\n";
        }
        const QString root = TestMedia::folder() + "/fields-dvd-" + QString(QTest::currentDataTag()).replace(' ', '-');
        QVERIFY(TestMedia::authorDvd(root, xml));
        // The turning title's sequence headers in its second half flag 16:9 (their aspect code 3).
        for (int set = 1; set <= titleSets.size(); ++set) {
            if (titleSets[set - 1].first() != "turning")
                continue;
            QFile vob(QStringLiteral("%1/VIDEO_TS/VTS_%2_1.VOB").arg(root).arg(set, 2, 10, QChar('0')));
            QVERIFY(vob.open(QIODevice::ReadWrite));
            QByteArray bytes = vob.readAll();
            const QByteArray header("\x00\x00\x01\xb3", 4);
            for (qsizetype at = bytes.indexOf(header, bytes.size() / 2); at >= 0 && at + 8 < bytes.size();
                 at = bytes.indexOf(header, at + 4))
                bytes[at + 7] = char((bytes[at + 7] & 0x0f) | 0x30);
            QVERIFY(vob.seek(0) && vob.write(bytes) == bytes.size());
        }
        PlayerPreferences preferences;
        preferences.ignoreShortTitles = false;
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 3, &preferences));
        QVERIFY(panel->setInput(root + "/VIDEO_TS", 2)); // as a disc's VIDEO_TS folder is opened
        QStringList found;
        for (const TitleInfo &loaded : std::as_const(panel->titles)) {
            QStringList shown;
            for (double shape : loaded.facts.shapes)
                shown << QString::number(shape, 'f', 2);
            found << loaded.facts.fieldOrder + ' ' + shown.join('>');
        }
        QCOMPARE(found, orders);
        const qsizetype interlaced = orders.indexOf("bb 1.78");
        if (interlaced < 0)
            return;
        panel->titleCombo->setCurrentIndex(int(interlaced));
        QCOMPARE(panel->currentSourceFacts().fieldOrder, QString("bb"));
        QVERIFY(consoles.log.toPlainText().contains(
            QStringLiteral("Info: the pictures of title %1 are interlaced (field order bb).").arg(interlaced + 1)));
    }

    // With the default minimum length every title is too short: no title run, and the
    // load fails with a box that names the limit and where it is changed.
    void defaultMinimum()
    {
        const QString dvd = TestMedia::twoTitleDvdFolder();
        QVERIFY(!dvd.isEmpty());
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 3));
        ModalAnswerer answerer;
        answerer.screenshotAs("player-dvd-titles-too-short-");
        answerer.answerWith([](QWidget *box) { // the message box, once it is on screen
            return qobject_cast<QMessageBox *>(box) && nonBlackShare(grabNative(box)) > 0.5 && box->close();
        });
        QVERIFY(!panel->setInput(dvd, 2));
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().first().text.trimmed(), "Failed to load DVD from:\n" + dvd);
        const QString reason = answerer.seen().first().informativeText;
        QVERIFY2(reason.contains("shorter than the short-title limit of 600 seconds (the longest lasts 00:00:20)")
                     && reason.contains("Options > Preferences") && reason.contains("Short titles to ignore"),
                 qPrintable(reason));
        QVERIFY(nonBlackShare(answerer.seen().first().screenshot) > 0.5);
        const QString log = consoles.log.toPlainText();
        QVERIFY(log.contains("Info: title 2 will be ignored because too short [00:00:08]."));
        QCOMPARE(consoles.stdIn.toPlainText().count("dvd://"), 1);
        QCOMPARE(panel->mainTitle, 1);
        QCOMPARE(panel->loadStateBox->checkState(), Qt::Unchecked);
    }

    // The two-title disc with the filter off: both titles are offered, the second with its
    // one chapter (MPlayer lists no chapter starts for it) starting at 0.
    void singleChapterTitle()
    {
        PlayerPreferences preferences;
        preferences.ignoreShortTitles = false;
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 3, &preferences));
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
        QVERIFY(panel->setInput(TestMedia::twoTitleDvdFolder(), 2));
        QCOMPARE(panel->titles.size(), 2);
        const TitleInfo &second = panel->titles.at(1);
        QVERIFY(!second.ignored);
        QCOMPARE(second.chapters, 1);
        QCOMPARE(second.chapterTimes, QList<double>{0.0});
        QCOMPARE(second.displaySize(), QSize(384, 288));
        QCOMPARE(panel->titles.at(0).chapters, 4);
        QCOMPARE(comboTexts(panel->titleCombo),
                 QStringList({"Title 1 - 00:00:20 352x288 16:9 25fps [MPEG2 9000.0kbps]",
                              "Title 2 - 00:00:08 352x288 4:3 25fps [MPEG2 9000.0kbps]"}));
        panel->titleCombo->setCurrentIndex(1);
        QCOMPARE(panel->currentVideoInfo().title, 2);
        saveScreenshot(grabNative(panel.get()), "player-dvd-single-chapter-title");
    }

    // Closing the progress window while title 1 loads stops the load before title 2.
    void closedProgressWindow()
    {
        PlayerPreferences preferences;
        preferences.titleMinimumLength = 1.0;
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 3, &preferences));
        ModalAnswerer answerer;
        answerer.screenshotAs("player-dvd-progress-");
        QString windowText;
        answerer.answerWith([&consoles, &windowText](QWidget *window) {
            if (!consoles.log.toPlainText().contains("Load DVD title 1."))
                return false;
            for (const QLabel *label : window->findChildren<QLabel *>())
                windowText += label->text();
            return window->close();
        });
        QVERIFY(!panel->setInput(TestMedia::languagesDvdFolder(), 2));
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().first().className, QString("ProgressWidget"));
        QCOMPARE(answerer.seen().first().title, QString("Vexo 4.0 - Processing"));
        QCOMPARE(windowText, QString("Please wait while loading DVD informations..."));
        QVERIFY(nonBlackShare(answerer.seen().first().screenshot) > 0.5);
        const QString log = consoles.log.toPlainText();
        QVERIFY(log.contains("Loading DVD aborted by user."));
        QVERIFY(!log.contains("Load DVD title 2."));
        QCOMPARE(panel->titles.size(), 1);
        QVERIFY(!panel->progressWidget);
        QCOMPARE(panel->loadStateBox->checkState(), Qt::Unchecked);
    }

    // A title run may print as many standard-error lines as the limit (libdvdread's among
    // them); one more leaves the title out. The Linux build's warnings do not count.
    void titleErrorLimit_data()
    {
        QTest::addColumn<int>("errors");
        QTest::addColumn<int>("noise");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("at the limit") << 100 << 0 << true;
        QTest::newRow("one more") << 101 << 0 << false;
        QTest::newRow("noise besides") << 100 << 30 << true;
    }
    void titleErrorLimit()
    {
        QFETCH(int, errors);
        QFETCH(int, noise);
        QFETCH(bool, loaded);
        const QString marker = TestMedia::folder() + "/engines/one-title-disc-done";
        QFile::remove(marker);
        const QString title =
            "printf 'VIDEO:  MPEG2  720x576  (aspect 2)  25.000 fps  9000.0 kbps\\n"
            "VO: [null] 720x576 => 768x576 Planar YV12 \\nCHAPTERS: 00:00:00.000,\\n"
            "audio stream: 0 format: ac3 (stereo) language: en aid: 128.\\n"
            "number of audio channels on disk: 1.\\nnumber of subtitles on disk: 0\\n'";
        const QString mplayer = writeEngineScript(
            "one-title", QStringLiteral("case \"$*\" in\n"
                                        "  *identify=6*) if [ ! -e '%1' ]; then : > '%1'\n"
                                        "      printf 'ID_DVD_TITLES=1\\nID_DVD_TITLE_1_LENGTH=700.000\\n'; exit 0; fi\n"
                                        "    printf 'libdvdread: x\\n' >&2\n"
                                        "    '%2' warn-then %3 'do_connect: could not connect to socket' "
                                        "'%2' warn-then %4 'decoder error' %5 ;;\n"
                                        "  *-aid*) printf 'AUDIO: 48000 Hz, 2 ch, floatle, 192.0 kbit/8.33%%\\n' ;;\n"
                                        "  *) exec mplayer \"$@\" ;;\nesac")
                             .arg(marker, TestMedia::fakeEngine())
                             .arg(noise)
                             .arg(errors - 1)
                             .arg(title));
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 2, nullptr, mplayer));
        ModalAnswerer answerer;
        QCOMPARE(panel->setInput(TestMedia::languagesDvdFolder(), 2), loaded);
        QCOMPARE(answerer.seen().size(), loaded ? 0 : 1); // no title left to offer
        QCOMPARE(panel->titles.size(), 1);
        QCOMPARE(panel->titles.first().ignored, !loaded);
        QCOMPARE(consoles.log.toPlainText().contains("DVD title 1 not loaded, too many player backend errors."), !loaded);
        if (loaded) {
            QCOMPARE(panel->titles.first().displaySize(), QSize(768, 576));
            QCOMPARE(panel->titles.first().audioStreams.first().bitrate, 192.0);
        }
    }

    // MPlayer lists no chapter starts for a title of one chapter: the title has one chapter
    // starting at 0, whatever the disc run said. A longer count waits for its list of starts;
    // a title run that never gives it leaves the title out.
    void chapterCountWithoutList_data()
    {
        QTest::addColumn<QString>("discChapters");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("one chapter, none on the disc run") << "" << 1 << true;
        QTest::newRow("three chapters") << "ID_DVD_TITLE_1_CHAPTERS=3\\n" << 3 << false;
    }
    void chapterCountWithoutList()
    {
        QFETCH(QString, discChapters);
        QFETCH(int, count);
        const QString marker = TestMedia::folder() + "/engines/count-disc-done";
        QFile::remove(marker);
        const QString mplayer = writeEngineScript(
            QString("chapter-count-%1").arg(count),
            QStringLiteral("case \"$*\" in\n"
                           "  *identify=6*) if [ ! -e '%1' ]; then : > '%1'\n"
                           "      printf 'ID_DVD_TITLES=1\\n%2ID_DVD_TITLE_1_LENGTH=700.000\\n'; exit 0; fi\n"
                           "    printf 'VIDEO:  MPEG2  720x576  (aspect 2)  25.000 fps  9000.0 kbps\\n"
                           "VO: [null] 720x576 => 768x576 Planar YV12 \\nID_CHAPTERS=%3\\n"
                           "audio stream: 0 format: ac3 (stereo) language: en aid: 128.\\n"
                           "number of audio channels on disk: 1.\\nnumber of subtitles on disk: 0\\n' ;;\n"
                           "  *-aid*) printf 'AUDIO: 48000 Hz, 2 ch, floatle, 192.0 kbit/8.33%%\\n' ;;\n"
                           "  *) exec mplayer \"$@\" ;;\nesac")
                .arg(marker, discChapters)
                .arg(count));
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 2, nullptr, mplayer));
        ModalAnswerer answerer;
        QFETCH(bool, loaded);
        QCOMPARE(panel->setInput(TestMedia::languagesDvdFolder(), 2), loaded);
        QCOMPARE(answerer.seen().size(), loaded ? 0 : 1);
        QCOMPARE(panel->titles.size(), 1);
        QCOMPARE(panel->titles.first().ignored, !loaded);
        if (loaded) {
            QCOMPARE(panel->titles.first().chapters, 1);
            QCOMPARE(panel->titles.first().chapterTimes, QList<double>{0.0});
        }
    }

    // Answers out of range: a title count above what a DVD holds and a length for a title
    // past it load only the titles the disc record holds; no length at all leaves no main
    // title, and nothing indexes outside a list.
    void outOfRange()
    {
        const QString marker = TestMedia::folder() + "/engines/disc-run-done";
        QFile::remove(marker);
        const QString mplayer = writeEngineScript(
            "many-titles", QStringLiteral("case \"$*\" in\n"
                                          "  *identify=6*) [ -e '%1' ] && exit 0; : > '%1'\n"
                                          "    printf 'ID_DVD_TITLES=150\\nID_DVD_TITLE_120_LENGTH=900.000\\n' ;;\n"
                                          "  *) exec mplayer \"$@\" ;;\nesac")
                               .arg(marker));
        PanelConsoles consoles;
        std::unique_ptr<PanelProbe> panel(makePanel(&consoles, 3, nullptr, mplayer));
        ModalAnswerer answerer;
        QVERIFY(!panel->setInput(TestMedia::languagesDvdFolder(), 2));
        QCOMPARE(answerer.seen().size(), 1);
        QVERIFY(answerer.seen().first().informativeText.startsWith(
            "The player engine could not read any title of this DVD."));
        QCOMPARE(panel->titleCount, 99);
        QCOMPARE(panel->titles.size(), 99);
        QCOMPARE(panel->mainTitle, 0);
        QVERIFY(panel->titles.last().ignored);
        QVERIFY(consoles.log.toPlainText().contains("Failed to parse player output [ID_DVD_TITLE_120_LENGTH=900.000"));
    }
};

VEXO_TEST_CLASS(TestMovieLoading)
VEXO_TEST_CLASS(TestDvdLoading)
VEXO_TEST_CLASS(TestResponsiveLoading)
#include "tst_playerloading.moc"
