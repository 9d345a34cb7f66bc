// The media merger: which files it accepts, and real merges of generated clips through
// FFprobe, MEncoder and the extended job manager.

#include "encoder/mediamerger.h"
#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "engines/mervomencoder.h"
#include "enginetesting.h"
#include "jobs/mervojob.h"
#include "jobs/mervotask.h"
#include "jobs/mervojobmanager.h"
#include "testregistry.h"

#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
// A clip encoded as the standard AVI, with its own picture and sound settings.
QString variant(const QString &name, const QString &picture, const QString &sound,
                const QStringList &video = {"-c:v", "mpeg4", "-q:v", "5"})
{
    return TestMedia::clip(name, QStringList{"-f", "lavfi", "-i", "testsrc=" + picture + ":duration=2", "-f",
                                             "lavfi", "-i", "sine=" + sound + ":duration=2"}
                                     + video + QStringList{"-c:a", "libmp3lame", "-b:a", "128k"});
}
const char kPicture[] = "size=320x240:rate=25";
const char kSound[] = "frequency=880";

// A Matroska clip of `seconds` with a subtitle and an attached file (of that name) besides its
// picture and sound.
QString matroskaWithExtras(const QString &name, int seconds, const QString &attached = "extras.txt")
{
    const QString subtitles = TestMedia::folder() + "/extras.srt";
    const QString note = TestMedia::folder() + '/' + attached;
    for (const auto &[path, text] : {std::pair{subtitles, QByteArray("1\n00:00:00,500 --> 00:00:01,500\nHello\n")},
                                     std::pair{note, QByteArray("attached")}}) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            return QString();
    }
    const QString length = QString(":duration=%1").arg(seconds);
    return TestMedia::clip(name, {"-f", "lavfi", "-i", QString("testsrc=") + kPicture + length, "-f", "lavfi", "-i",
                                  QString("sine=") + kSound + length, "-i", subtitles, "-map", "0", "-map", "1", "-map",
                                  "2", "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac",
                                  "-c:s", "srt", "-attach", note, "-metadata:s:t", "mimetype=text/plain"});
}

// The names of the files attached to a file, in order.
QString attachedNames(const QString &path)
{
    QString names;
    TestMedia::run("ffprobe", {"-v", "error", "-select_streams", "t", "-show_entries", "stream_tags=filename", "-of",
                               "csv=p=0", path}, &names);
    return names.trimmed().split('\n').join(',');
}

// The kinds of a file's streams in their order, as FFprobe names them ("video,audio").
QString streamKinds(const QString &path)
{
    QString kinds;
    TestMedia::run("ffprobe", {"-v", "error", "-show_entries", "stream=codec_type", "-of", "csv=p=0", path}, &kinds);
    return kinds.trimmed().split('\n').join(',');
}
}

class MediaMergerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_engineConsole = std::make_unique<ConsoleCapture>();
        m_ffprobe = std::make_unique<FFprobe>();
        QVERIFY(m_ffprobe->startInterface(QStandardPaths::findExecutable("ffprobe"), QString()));
        m_mencoder = std::make_unique<MervoMEncoder>();
        QVERIFY(m_mencoder->startInterface(QStandardPaths::findExecutable("mencoder"), QString()));
        EngineObjects::setEngines(nullptr, m_ffprobe.get(), m_mencoder.get());
    }

    void cleanupTestCase()
    {
        EngineObjects::setEngines(nullptr, nullptr, nullptr);
        m_ffprobe.reset();
        m_mencoder.reset();
        m_engineConsole.reset();
    }

    void container_data()
    {
        QTest::addColumn<QString>("formatName");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("container");
        QTest::newRow("list holding the suffix") << "mov,mp4,m4a,3gp,3g2,mj2" << "mp4" << "mp4";
        QTest::newRow("list without the suffix") << "matroska,webm" << "mkv" << "matroska";
        QTest::newRow("suffix in another case") << "mov,mp4,m4a" << "MP4" << "mov";
        QTest::newRow("one name") << "avi" << "divx" << "avi";
    }

    void container()
    {
        QFETCH(QString, formatName);
        QFETCH(QString, suffix);
        QFETCH(QString, container);
        QCOMPARE(MediaMerger::containerOf(formatName, suffix), container);
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("reference"); // empty: the standard AVI
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("message"); // %1: the file
        const QString video = "Couldn't add file to merge list: video must be transcoded for file %1";
        QTest::newRow("picture size") << QString() << variant("size.avi", "size=352x288:rate=25", kSound) << 1 << video;
        // Today's FFprobe has no codec time base: the real frame rate tells the difference.
        QTest::newRow("frame rate") << QString() << variant("rate.avi", "size=320x240:rate=30", kSound) << 1 << video;
        QTest::newRow("sampling rate") << QString() << variant("srate.avi", kPicture, "frequency=880:sample_rate=48000")
                                       << 2 << "Couldn't add file to merge list: audio must be transcoded for file %1";
        QTest::newRow("picture size and sampling rate")
            << QString() << variant("both.avi", "size=352x288:rate=25", "frequency=880:sample_rate=48000") << 0
            << "Couldn't add file to merge list: audio and video must be transcoded for file %1";
        // The same codec in another pixel format (full-range 4:2:2 against 4:2:0).
        const QStringList mjpeg{"-c:v", "mjpeg", "-q:v", "5", "-pix_fmt"};
        QTest::newRow("pixel format") << variant("mjpeg420.avi", kPicture, kSound, mjpeg + QStringList{"yuvj420p"})
                                      << variant("mjpeg422.avi", kPicture, kSound, mjpeg + QStringList{"yuvj422p"})
                                      << 1 << video;
        QTest::newRow("no media") << QString() << writeBadMedia("text") << 4
                                  << "Couldn't analyze file to merge: FFprobe could not load file %1";
    }

    void refusals()
    {
        QFETCH(QString, reference);
        QFETCH(QString, file);
        QFETCH(int, result);
        QFETCH(QString, message);
        if (reference.isEmpty())
            reference = TestMedia::standardAvi();
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MediaMerger merger(&host);
        QString error;
        QVERIFY(merger.setReference(reference, error));
        const double duration = merger.duration();
        QVERIFY(qAbs(duration - TestMedia::probeDuration(reference)) < 0.2);
        QCOMPARE(merger.referenceFormat(), QString("avi"));

        QCOMPARE(merger.addFile(file, error), result);
        QCOMPARE(error, message.arg(file));
        QCOMPARE(merger.files(), QStringList{reference});
        QCOMPARE(merger.duration(), duration);
        QVERIFY(!merger.startMerge(error));
        QCOMPARE(error, QString("Failed to start merge: no file to merge with %1").arg(reference));
        QVERIFY(host.jobs().isEmpty());
    }

    // Quotes, a comma and a leading "-" in the names, given relative to the working folder
    // while the job runs in the output's: exactly the two files are merged, by the engine
    // that copies their streams (MEncoder into AVI; FFmpeg's concat for what MEncoder writes
    // through libavformat, such as AAC sound in MP4, which it refuses to copy).
    void mergeOfDifficultNames_data()
    {
        QTest::addColumn<QString>("reference");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("outputName"); // empty: the automatic one
        QTest::addColumn<QString>("streams");    // the merge's, in order
        QTest::addColumn<QString>("attached");   // the names of the merge's attached files
        QTest::newRow("AVI") << TestMedia::standardAvi() << variant("same.avi", kPicture, kSound) << "mencoder" << ""
                             << "video,audio" << "";
        QTest::newRow("MP4 with AAC")
            << TestMedia::standardMp4()
            << TestMedia::clip("same.mp4", {"-f", "lavfi", "-i", QString("testsrc=%1:duration=2").arg(kPicture), "-f",
                                            "lavfi", "-i", QString("sine=%1:duration=2").arg(kSound), "-c:v", "libx264",
                                            "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "128k"})
            << "ffmpeg" << "" << "video,audio" << "";
        // Parts with a subtitle and an attached file each give a merge with both: the
        // attached file of the first part.
        QTest::newRow("Matroska with subtitles and attachments")
            << matroskaWithExtras("extras3.mkv", 3, "first.txt") << matroskaWithExtras("extras2.mkv", 2, "second.txt")
            << "ffmpeg" << "" << "video,audio,subtitle,attachment" << "first.txt";
        // The dialog gives a name typed without a suffix as "joined.": the container is the
        // reference's all the same.
        QTest::newRow("MP4 with AAC, named without a suffix")
            << TestMedia::standardMp4() << TestMedia::folder() + "/same.mp4" << "ffmpeg" << "joined." << "video,audio" << "";
    }

    void mergeOfDifficultNames()
    {
        QFETCH(QString, reference);
        QFETCH(QString, second);
        QFETCH(QString, engine);
        QFETCH(QString, outputName);
        QFETCH(QString, streams);
        QFETCH(QString, attached);
        const QString suffix = QFileInfo(reference).suffix();
        FFmpeg ffmpeg;
        QVERIFY(ffmpeg.startInterface(QStandardPaths::findExecutable("ffmpeg"), {}));
        EngineObjects::setEngines(&ffmpeg, m_ffprobe.get(), m_mencoder.get());
        const auto restore = qScopeGuard([this] { EngineObjects::setEngines(nullptr, m_ffprobe.get(), m_mencoder.get()); });
        QTemporaryDir folder;
        const QString first = "l'\"un\", a." + suffix;
        const QString other = "-b, \"deux\"." + suffix;
        QVERIFY(QFile::copy(reference, folder.filePath(first)));
        QVERIFY(QFile::copy(second, folder.filePath(other)));
        const QString home = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder.path()));

        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        auto *merger = new MediaMerger(&host);
        merger->setAutoDelete(true);
        QPointer<MediaMerger> alive(merger);
        QSignalSpy started(merger, &MediaMerger::started);
        QSignalSpy finished(merger, &MediaMerger::finished);
        QString error;
        const bool set = merger->setReference(first, error);
        const int added = merger->addFile(other, error);
        QDir::setCurrent(home); // the job starts elsewhere
        QVERIFY2(set && added == MediaMerger::Accepted, qPrintable(error));
        QVERIFY(qAbs(merger->duration() - 5.0) < 0.2);
        if (!outputName.isEmpty())
            merger->setOutput(folder.path(), outputName);
        QVERIFY2(merger->startMerge(error), qPrintable(error));
        QCOMPARE(started.count(), 1);
        QVERIFY(finished.count() == 1 || finished.wait(30000));
        QCOMPARE(merger->failure(), QString());
        QTRY_VERIFY_WITH_TIMEOUT(alive.isNull(), 30000); // auto-delete after the end

        const QString automatic = "l'\"un\", a.merge." + suffix;
        const QString output = folder.filePath(outputName.isEmpty() ? automatic : outputName);
        QCOMPARE(host.jobs().size(), 1);
        QCOMPARE(host.jobs().first()->title(), QString("Merge l'\"un\", a + -b, \"deux\""));
        const auto *job = qobject_cast<MervoJob *>(host.jobs().first());
        QVERIFY(job && job->tasks().size() == 1);
        const MervoTask *task = job->tasks().first();
        QVERIFY(task->program().endsWith(engine));
        QVERIFY(task->state == Task::Terminated || task->state == Task::Completed);
        QCOMPARE(task->sources(), QStringList({folder.filePath(first), folder.filePath(other)}));
        QCOMPARE(TestMedia::countVideoFrames(output), 75 + 50);
        QVERIFY(qAbs(TestMedia::probeDuration(output) - 5.0) < 0.2);
        QCOMPARE(TestMedia::decodeErrors(output), QString());
        QCOMPARE(streamKinds(output), streams);
        QCOMPARE(attachedNames(output), attached);
        // FFmpeg's list of files goes with its job.
        for (const QString &argument : task->arguments())
            QVERIFY2(!argument.endsWith(".ffconcat") || !QFile::exists(argument), qPrintable(argument));

        // The merged file is there now: a second merge to it is refused before any command.
        if (!outputName.isEmpty())
            return;
        MediaMerger again(&host);
        QVERIFY(again.setReference(folder.filePath(first), error));
        QCOMPARE(again.addFile(folder.filePath(other), error), int(MediaMerger::Accepted));
        QVERIFY(!again.startMerge(error));
        QCOMPARE(error, QString("Failed to start merge: output file %1 already exists in folder %2")
                            .arg(automatic, QFileInfo(folder.path()).canonicalFilePath()));
        QCOMPARE(host.jobs().size(), 1);
    }

    // A file given the output's name after the merge was checked, before FFmpeg opens it (here
    // as the merger logs the command it queues), is not overwritten: the merge fails and the
    // file stays as it was written.
    void mergeOntoAFileWrittenMeanwhile()
    {
        QTemporaryDir folder;
        const QString output = folder.filePath("merged.mp4");
        FFmpeg ffmpeg;
        QVERIFY(ffmpeg.startInterface(QStandardPaths::findExecutable("ffmpeg"), {}));
        EngineObjects::setEngines(&ffmpeg, m_ffprobe.get(), m_mencoder.get());
        const auto restore = qScopeGuard([this] { EngineObjects::setEngines(nullptr, m_ffprobe.get(), m_mencoder.get()); });
        QTextEdit &log = m_engineConsole->logView();
        log.clear();
        const QMetaObject::Connection writer = connect(&log, &QTextEdit::textChanged, &log, [&] {
            QFile file(output);
            if (log.toPlainText().contains(" job with ") && !file.exists() && file.open(QIODevice::WriteOnly))
                file.write("meanwhile");
        });
        const auto disconnect = qScopeGuard([writer] { QObject::disconnect(writer); });
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        MediaMerger merger(&host);
        QSignalSpy finished(&merger, &MediaMerger::finished);
        QString error;
        QVERIFY(merger.setReference(TestMedia::standardMp4(), error));
        QCOMPARE(merger.addFile(TestMedia::standardMp4(), error), int(MediaMerger::Accepted));
        merger.setOutput(folder.path(), "merged.mp4");
        QVERIFY2(merger.startMerge(error), qPrintable(error));
        QVERIFY(finished.count() == 1 || finished.wait(30000));
        const MervoTask *task = qobject_cast<MervoJob *>(host.jobs().first())->tasks().first();
        QCOMPARE(task->state, Task::Aborted);
        QFile written(output);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), QByteArray("meanwhile"));
    }

    // A merge that ends as soon as it starts still says it finished: an output folder that
    // cannot be made (no job), an engine that is gone by then (the job fails at once, and
    // the merger deletes itself).
    void mergeEndingAtOnce_data()
    {
        QTest::addColumn<bool>("folderMade");
        QTest::newRow("no output folder") << false;
        QTest::newRow("engine gone") << true;
    }
    void mergeEndingAtOnce()
    {
        QFETCH(bool, folderMade);
        const QString engine = writeEngineScript("mencoder-soon-gone", "exec /usr/bin/mencoder \"$@\"");
        MervoMEncoder gone;
        QVERIFY(gone.startInterface(engine, QString()));
        EngineObjects::setEngines(nullptr, m_ffprobe.get(), &gone);
        MervoJobManager host(nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0);
        auto *merger = new MediaMerger(&host);
        merger->setAutoDelete(true);
        QPointer<MediaMerger> alive(merger);
        QSignalSpy finished(merger, &MediaMerger::finished);
        QString error;
        QVERIFY(merger->setReference(TestMedia::standardAvi(), error));
        QCOMPARE(merger->addFile(variant("same.avi", kPicture, kSound), error), int(MediaMerger::Accepted));
        QTemporaryDir folder;
        merger->setOutput(folderMade ? folder.path() : "/proc/vexo-no-folder", "merged.avi");
        QVERIFY(QFile::remove(engine));
        QCOMPARE(merger->startMerge(error), folderMade);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        if (folderMade) {
            QCOMPARE(host.jobs().size(), 1);
            QTRY_VERIFY_WITH_TIMEOUT(alive.isNull(), 10000);
        } else {
            QCOMPARE(error, QString("Failed to start merge"));
            delete alive.data();
        }
        EngineObjects::setEngines(nullptr, m_ffprobe.get(), m_mencoder.get());
    }

    // MEncoder exits with code 0 when the disk fills: the merge, cut short, fails with the
    // lengths said and stays on disk for the user to look at, under a name that says it is
    // incomplete.
    void mergeOnAFullDisk()
    {
        QTemporaryDir folder;
        const QString second = variant("same.avi", kPicture, kSound);
        const qint64 room = (QFileInfo(TestMedia::standardAvi()).size() + QFileInfo(second).size()) * 2 / 5 / 512 * 512;
        MervoMEncoder smallDisk;
        FFmpeg ffmpeg;
        QVERIFY(smallDisk.startInterface(writeEngineScript("mencoder-small-disk", QString("exec '%1' fsize-limit %2 mencoder \"$@\"")
                                                                                      .arg(TestMedia::fakeEngine()).arg(room)), {})
                && ffmpeg.startInterface(QStandardPaths::findExecutable("ffmpeg"), {}));
        EngineObjects::setEngines(&ffmpeg, m_ffprobe.get(), &smallDisk);
        const auto restore = qScopeGuard([this] { EngineObjects::setEngines(nullptr, m_ffprobe.get(), m_mencoder.get()); });
        QTextEdit log;
        MervoJobManager host(nullptr, nullptr, nullptr, &log, 1, 0, 0, 0);
        MediaMerger merger(&host);
        QSignalSpy finished(&merger, &MediaMerger::finished);
        QString error;
        QVERIFY(merger.setReference(TestMedia::standardAvi(), error) && merger.addFile(second, error) == MediaMerger::Accepted);
        merger.setOutput(folder.path(), "merged.avi");
        QVERIFY2(merger.startMerge(error), qPrintable(error));
        QVERIFY(finished.count() == 1 || finished.wait(30000));

        const MervoTask *task = qobject_cast<MervoJob *>(host.jobs().first())->tasks().first();
        QCOMPARE(task->state, Task::Aborted);
        QVERIFY(!QFile::exists(folder.filePath("merged.avi")));
        const QString output = folder.filePath("merged (incomplete).avi");
        QVERIFY(QFileInfo(output).size() > 0 && QFileInfo(output).size() <= room);
        // The pictures a player finds; the sound interleaved with them may reach a little further.
        const double pictures = TestMedia::countVideoFrames(output) / 25.0;
        const QRegularExpressionMatch said = QRegularExpression("^its output lasts (\\d+\\.\\d) s of the (\\d+\\.\\d) s asked for$")
                                                 .match(task->failure());
        QVERIFY2(said.hasMatch() && said.captured(1).toDouble() >= pictures - 0.1 && said.captured(1).toDouble() < 4.0,
                 qPrintable(QString("%1 (%2 s of pictures)").arg(task->failure()).arg(pictures)));
        QCOMPARE(said.captured(2), QString::number(merger.duration(), 'f', 1));
        QVERIFY(log.toPlainText().contains(QString("failed [%1]: %2.").arg(task->jobId(), task->failure())));
    }

private:
    std::unique_ptr<ConsoleCapture> m_engineConsole;
    std::unique_ptr<FFprobe> m_ffprobe;
    std::unique_ptr<MervoMEncoder> m_mencoder;
};


VEXO_TEST_CLASS(MediaMergerTest)
#include "tst_mediamerger.moc"
