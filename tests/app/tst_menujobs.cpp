// The Job menu's jobs as a user runs them: a loaded file or DVD title encoded to a fixed
// target, the two-pass Xvid encode for one CD, the re-mux, and what is refused before
// anything is queued; checked on the real engines' output with ffprobe.

#include "app/mervomainwindow.h"
#include "encoder/records/encodingsource.h"
#include "encoding/consoledialog.h"
#include "encoding/encoderwidget.h"
#include "encoding/jobmanagerdialog.h"
#include "encoding/mervoconsoledialog.h"
#include "encoding/mervominiconsolewidget.h"
#include "gui4/gui4resources.h"
#include "jobs/mervojobmanager.h"
#include "player/playerwidget.h"
#include "testmedia.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProgressBar>
#include <QSet>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

VEXO_TEST_NEEDS_DISPLAY

using namespace WindowTesting;

namespace {
constexpr int kJobWait = 180000;

// ffprobe's streams of a file: one object per stream.
QJsonArray probeStreams(const QString &path)
{
    QString out;
    TestMedia::run("ffprobe", {"-v", "error", "-show_streams", "-of", "json", path}, &out);
    return QJsonDocument::fromJson(out.toUtf8()).object().value("streams").toArray();
}

QJsonObject firstStream(const QString &path, const QString &type)
{
    for (const QJsonValue &stream : probeStreams(path))
        if (stream.toObject().value("codec_type").toString() == type)
            return stream.toObject();
    return QJsonObject();
}

// The mean level in dB of a file's sound through one filter: a tone above the high-pass
// corner keeps its level, one below it loses most of it.
double meanVolume(const QString &path, const QString &filter)
{
    QString err;
    TestMedia::run("ffmpeg", {"-nostdin", "-i", path, "-vn", "-af", filter + ",volumedetect", "-f", "null", "-"},
                   nullptr, &err);
    const qsizetype at = err.indexOf("mean_volume: ");
    return at < 0 ? 0.0 : err.mid(at + 13).section(' ', 0, 0).toDouble();
}

// What the job views showed while the jobs ran: fed by the consoles' own signals.
struct ProgressSeen
{
    int percent = -1;
    double fps = 0.0;
    int remaining = -1;
};

struct Fixture
{
    QTemporaryDir target;
    MervoMainWindow *window = nullptr;
    QPointer<MervoMainWindow> guard;
    QMap<QString, ProgressSeen> progress; // by task name
    QSet<ConsoleDialog *> watched;

    explicit Fixture(const QString &targetName = "output", const QString &folder = QString())
    {
        QSettings settings;
        settings.clear();
        settings.setValue("Output/target folder", folder.isEmpty() ? target.path() : folder);
        settings.setValue("Output/target name", targetName);
        settings.sync();
        window = new MervoMainWindow;
        guard = window;
        window->initialize();
        window->show();
        // After the window's own connection, which builds the consoles.
        QObject::connect(manager(), &MervoJobManager::jobStarted, [this](MervoJob *job) {
            for (MervoTask *task : job->tasks())
                watch(task);
        });
    }
    ~Fixture()
    {
        if (guard)
            guard->close();
        QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), kScreenWait);
    }
    MervoJobManager *manager() const { return qobject_cast<MervoJobManager *>(window->jobManager()); }
    void watch(MervoTask *task)
    {
        auto *console = qobject_cast<MervoConsoleDialog *>(task->console());
        if (!console || watched.contains(console))
            return;
        watched.insert(console);
        const QString name = task->name();
        QObject::connect(console, qOverload<int, double, int, int, double, double, int>(
                                      &MervoConsoleDialog::progressUpdated),
                         [this, name](int, double, int percent, int remaining, double fps, double, int) {
                             ProgressSeen &seen = progress[name];
                             seen.percent = qMax(seen.percent, percent);
                             seen.fps = qMax(seen.fps, fps);
                             seen.remaining = qMax(seen.remaining, remaining);
                         });
    }
    // Opens a file or a DVD folder as the user does, through the chooser.
    bool open(const QString &path, bool dvd)
    {
        FileChooserScript chooser;
        chooser.answer(path);
        (dvd ? window->openDvdAction : window->openFileAction)->trigger();
        return waitFor([this, dvd] {
            return window->encoderWidget()->encodingSource().kind == (dvd ? 2 : 1);
        }, kJobWait);
    }
    bool jobsDone()
    {
        return waitFor([this] {
            if (!manager()->isIdle() || manager()->jobs().isEmpty())
                return false;
            for (MervoJob *job : manager()->jobs())
                if (!job->isFinished())
                    return false;
            return true;
        }, kJobWait);
    }
    QString status() const { return window->statusBar()->currentMessage(); }
};
} // namespace

class TestMenuJobs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        initGui4Resources();
    }

    // A job that cannot even get its output folder names the job in its box as written.
    void unwritableFolderRefusesWithEscapedNames_data()
    {
        QTest::addColumn<QString>("slot");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("informative");
        QTest::newRow("VideoCD") << "jobEncodeVcd" << "Job "
                                 << "Encode a&lt;b&gt;c to VideoCD (VCD/MPEG-1) as failed to start.";
        QTest::newRow("Xvid 1 CD") << "jobEncodeXvid1CD" << "<u>Job "
                                   << "Job <b><i>Encode a&lt;b&gt;c to Xvid (2-pass)</i></b> as failed to start.";
    }
    void unwritableFolderRefusesWithEscapedNames()
    {
        QFETCH(QString, slot);
        QFETCH(QString, text);
        QFETCH(QString, informative);
        Fixture fixture("a<b>c", "/proc/vexo-no-folder");
        ModalAnswerer answerer;
        QVERIFY(QMetaObject::invokeMethod(fixture.window, qPrintable(slot)));
        QCOMPARE(answerer.seen().size(), 1);
        QVERIFY(answerer.seen().at(0).text.startsWith(text));
        QCOMPARE(answerer.seen().at(0).informativeText, informative);
        QCOMPARE(fixture.status(), QString("Encoding job has been cancelled (output directory not valid)"));
        QVERIFY(fixture.manager()->jobs().isEmpty());
    }

    // An engine that cannot run the job refuses it with the reason before anything is queued.
    void missingEngineRefusesUpFront()
    {
        Fixture fixture;
        {
            FileChooserScript chooser;
            chooser.answer("/bin/true");
            ModalAnswerer readiness;
            fixture.window->mencoderPathAction->trigger();
        }
        QString detailed;
        ModalAnswerer answerer;
        answerer.answerWith([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            detailed = box ? box->detailedText() : QString();
            modal->close();
            return true;
        });
        QVERIFY(QMetaObject::invokeMethod(fixture.window, "jobEncodeXvid"));
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().at(0).informativeText,
                 QString("<b>Encode output to Xvid/DivX (MPEG-4 Part 2)</b> as failed to start."));
        QVERIFY2(detailed.contains("The MEncoder engine is not ready."), qPrintable(detailed));
        QCOMPARE(fixture.status(), QString("Encoding job has been cancelled (command not valid)"));
        QVERIFY(fixture.manager()->jobs().isEmpty());
    }
};

VEXO_TEST_CLASS(TestMenuJobs)
#include "tst_menujobs.moc"
