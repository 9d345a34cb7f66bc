// Opening inputs in the main window (a media file, a DVD folder, a recent entry), the recent
// list and the target name, and the split and merge jobs of the Job menu, on the real
// engines under X.

#include "app/applicationshell.h"
#include "app/mervomainwindow.h"
#include "app/recentlist.h"
#include "app/targetname.h"
#include "encoder/records/encodingsource.h"
#include "encoder/mervoconfigurator.h"
#include "encoding/activecombobox.h"
#include "encoding/advancedmonitorwidget.h"
#include "encoding/encoderwidget.h"
#include "encoding/mediainfodatadialog.h"
#include "encoding/mervoencoderwidget.h"
#include "enginetesting.h"
#include "gui4/gui4resources.h"
#include "jobs/mervojobmanager.h"
#include "jobs/rawnamealiases.h"
#include "player/playerwidget.h"
#include "player/rendererframe.h"
#include "rawnamedfiles.h"
#include "testmedia.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <memory>

VEXO_TEST_NEEDS_DISPLAY

using namespace WindowTesting;

namespace {
MervoMainWindow *openWindow()
{
    auto *window = new MervoMainWindow;
    window->initialize();
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        qWarning("window not exposed");
    return window;
}

void closeWindow(MervoMainWindow *window)
{
    QPointer<MervoMainWindow> guard(window);
    window->close();
    QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), kScreenWait);
}

QString status(MervoMainWindow *window)
{
    return window->statusBar()->currentMessage();
}

QString copyOf(const QString &source, const QString &target)
{
    QDir().mkpath(QFileInfo(target).path());
    QFile::remove(target);
    return QFile::copy(source, target) ? target : QString();
}

// Whether a view shows markup: a bold or an image fragment anywhere in its text.
bool showsMarkup(const QTextEdit *view)
{
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextCharFormat format = fragment.fragment().charFormat();
            if (format.isImageFormat() || format.fontWeight() > QFont::Normal)
                return true;
        }
    }
    return false;
}

QAbstractButton *buttonIn(QWidget *parent, const QString &text)
{
    for (QAbstractButton *button : parent->findChildren<QAbstractButton *>())
        if (button->text() == text)
            return button;
    return nullptr;
}

// The file lines of the merge dialog that name a file.
int mergeListSize(QWidget *dialog)
{
    int named = 0;
    for (QLineEdit *line : dialog->findChildren<QLineEdit *>())
        if (line->objectName() != "outputName" && !line->text().isEmpty())
            ++named;
    return named;
}

MervoJobManager *jobManager(MervoMainWindow *window)
{
    return qobject_cast<MervoJobManager *>(window->jobManager());
}

// The volumes of an input split in two beside it: each plays, and together they cover the
// input (a stream copy restarts at the whole second the first part ended in, so they
// overlap by less than a second).
bool splitCoversInput(const QString &input)
{
    const QFileInfo info(input);
    QStringList parts = info.dir().entryList({info.completeBaseName() + ".*"}, QDir::Files, QDir::Name);
    parts.removeAll(info.fileName());
    double total = 0.0;
    for (const QString &part : std::as_const(parts)) {
        const double length = TestMedia::probeDuration(info.dir().filePath(part));
        if (!(length > 0.5)) {
            qWarning() << "part" << part << "lasts" << length;
            return false;
        }
        total += length;
    }
    const double length = TestMedia::probeDuration(input);
    if (parts.size() != 2 || total <= length - 0.1 || total >= length + 1.0) {
        qWarning() << "parts" << parts << "last" << total << "of" << length;
        return false;
    }
    return true;
}

bool jobsDone(MervoMainWindow *window, int count)
{
    return jobManager(window)->jobs().size() == count && jobManager(window)->isIdle();
}
} // namespace

// The recent list's entries and the proposed target names.
class TestOpeningNames : public QObject
{
    Q_OBJECT

private slots:
    void recentEntries_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("menuText");
        QTest::newRow("file") << "/clips/trip.avi;1" << "/clips/trip.avi" << 1 << "trip.avi";
        QTest::newRow("DVD shows its path") << "/m/MOVIE/VIDEO_TS;2" << "/m/MOVIE/VIDEO_TS" << 2
                                            << "/m/MOVIE/VIDEO_TS";
        // Linux names may hold ";": only the last one separates the kind.
        QTest::newRow("';' in the path") << "/a;b/c;d.avi;1" << "/a;b/c;d.avi" << 1 << "c;d.avi";
        QTest::newRow("'&' shown as written") << "/x/Tom & Jerry.avi;1" << "/x/Tom & Jerry.avi" << 1
                                              << "Tom && Jerry.avi";
        QTest::newRow("no kind") << "/x/old.avi" << "/x/old.avi" << 0 << "/x/old.avi";
    }
    void recentEntries()
    {
        QFETCH(QString, entry);
        QFETCH(QString, path);
        QFETCH(int, kind);
        QFETCH(QString, menuText);
        const RecentList::Entry parsed = RecentList::parse(entry);
        QCOMPARE(parsed.path, path);
        QCOMPARE(parsed.kind, kind);
        QCOMPARE(RecentList::menuText(entry), menuText);
        if (kind > 0)
            QCOMPARE(RecentList::entry(path, kind), entry);
    }

    void recentListKeepsFiveNewest()
    {
        QStringList list;
        for (int i = 1; i <= 6; ++i)
            RecentList::add(list, RecentList::entry(QString("/m/%1.avi").arg(i), 1));
        QCOMPARE(list, QStringList({"/m/6.avi;1", "/m/5.avi;1", "/m/4.avi;1", "/m/3.avi;1", "/m/2.avi;1"}));
        RecentList::add(list, "/m/4.avi;1");
        QCOMPARE(list, QStringList({"/m/4.avi;1", "/m/6.avi;1", "/m/5.avi;1", "/m/3.avi;1", "/m/2.avi;1"}));
        RecentList::add(list, "/m/4.avi;2"); // the same path as a DVD is another entry
        QCOMPARE(list.size(), 5);
        QCOMPARE(list.first(), QString("/m/4.avi;2"));
        QCOMPARE(list.last(), QString("/m/3.avi;1"));
    }

    void targetNames_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("force");
        QTest::addColumn<QString>("forced");
        QTest::addColumn<QString>("name");
        QTest::newRow("DVD folder") << "E:/HOLIDAY_2010/VIDEO_TS" << 2 << false << "" << "HOLIDAY_2010";
        QTest::newRow("DVD at the root") << "E:/VIDEO_TS" << 2 << false << "" << "DVD_VIDEO";
        QTest::newRow("one letter above") << "/m/a/VIDEO_TS" << 2 << false << "" << "DVD_VIDEO";
        QTest::newRow("path of a file kind") << "/m/clips" << 1 << false << "" << "Ouput";
        QTest::newRow("file") << "trip" << 1 << false << "" << "trip";
        QTest::newRow("volume name") << "MOVIE_DISC" << 2 << false << "" << "MOVIE_DISC";
        // Letters of any script are kept as they are.
        QTest::newRow("accented DVD folder") << "/media/Été_2010/VIDEO_TS" << 2 << false << "" << "Été_2010";
        QTest::newRow("accented file") << "café été" << 1 << false << "" << "café été";
        QTest::newRow("forced") << "trip" << 1 << true << "movie" << "movie";
        QTest::newRow("forced empty, DVD") << "E:/HOLIDAY_2010/VIDEO_TS" << 2 << true << "" << "DVD_VIDEO";
        QTest::newRow("forced empty, file") << "trip" << 1 << true << "" << "Ouput";
        QTest::newRow("no source") << "" << 1 << false << "movie" << "Ouput";
    }
    void targetNames()
    {
        QFETCH(QString, source);
        QFETCH(int, kind);
        QFETCH(bool, force);
        QFETCH(QString, forced);
        QFETCH(QString, name);
        QCOMPARE(TargetName::fromSource(source, kind, force, forced), name);
    }
};

class TestOpening : public QObject
{
    Q_OBJECT

    QTemporaryDir m_target;
    // The engine objects the media editors use, as start-up makes them.
    std::unique_ptr<ApplicationShell> m_shell;

private slots:
    void initTestCase()
    {
        initGui4Resources();
        m_shell = std::make_unique<ApplicationShell>();
        m_shell->initEngines();
    }
    void cleanupTestCase() { m_shell.reset(); }
    void init()
    {
        QSettings().clear();
        QSettings().setValue("Output/target folder", m_target.path());
    }

    // The recent list as a settings file holds it, in the File menu of the next start: the
    // five newest entries that name a path; an entry longer than any path (a hand edit, a
    // damaged disk) is left out rather than laid out at every start.
    void storedRecentList_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("shown"); // the entries' texts, newest first
        const auto files = [](int count) {
            QStringList entries;
            for (int i = 1; i <= count; ++i)
                entries << QString("/m/%1.avi;1").arg(i);
            return entries;
        };
        QTest::newRow("five of six") << files(6) << QStringList{"1.avi", "2.avi", "3.avi", "4.avi", "5.avi"};
        QTest::newRow("a megabyte of & between two paths")
            << QStringList{"/m/a.avi;1", "/m/" + QString(1 << 20, '&') + ".avi;1", "/m/DVD;2"}
            << QStringList{"a.avi", "/m/DVD"};
        QTest::newRow("the longest path, and a byte more")
            << QStringList{"/" + QString(4094, 'a') + ";2", "/" + QString(4095, 'b') + ";2"}
            << QStringList{"/" + QString(4094, 'a')};
        // Counted in bytes as the file system spells the name: 2048 letters of two bytes.
        QTest::newRow("a path of two-byte letters one byte too long")
            << QStringList{"/" + QString(2047, u'\u00e9') + ".;1", "/m/b.avi;1"} << QStringList{"b.avi"};
        QTest::newRow("six after a long one") << QStringList{"/" + QString(5000, 'x') + ";1"} + files(6)
                                              << QStringList{"1.avi", "2.avi", "3.avi", "4.avi", "5.avi"};
    }
    void storedRecentList()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, shown);
        QSettings().setValue("Input/recent", stored);
        QSettings().sync();
        QPointer<MervoMainWindow> window = new MervoMainWindow;
        QStringList texts;
        QStringList entries;
        for (QAction *action : window->recentActions) {
            if (action->isVisible())
                texts << action->text();
            if (action->isVisible())
                entries << action->data().toString();
        }
        QCOMPARE(texts, shown);
        // What the menu shows is all the window keeps, and saves when it closes.
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
        QCOMPARE(QSettings().value("Input/recent").toStringList(), entries);
    }

    // A file whose path holds blanks, quotes, ";" and accented letters goes the whole way:
    // chooser, title, target, recent entry, playback, the stored list after a restart, and
    // the entry's removal once the file is gone.
    void openMediaFile()
    {
        const QString file = copyOf(TestMedia::standardAvi(),
                                    TestMedia::folder() + "/road ;é 'x\"/It's \"our\" trip; été.avi");
        QVERIFY(!file.isEmpty());
        MervoMainWindow *window = openWindow();
        QVERIFY(!window->clearRecentAction->isEnabled());
        FileChooserScript chooser;
        window->openFileAction->trigger();
        QCOMPARE(status(window), QString("Movie file not loaded"));
        QCOMPARE(chooser.requests().at(0).caption, QString("Open media file"));
        QVERIFY(QFileInfo(chooser.requests().at(0).start).isDir());

        chooser.answer(file);
        QSignalSpy loaded(window, &MainWindow::movieLoaded);
        window->logView()->append("from before the load");
        window->openFileAction->trigger();
        QVERIFY(!window->logView()->toPlainText().contains("from before the load"));
        QVERIFY(window->encoderWidget()->previewBox()->isEnabled());
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(loaded.at(0).at(0).toInt(), 1);
        QCOMPARE(status(window), "Movie file loaded [" + file + "]");
        QCOMPARE(window->windowTitle(), QString("Vexo 4.0 - It's \"our\" trip; été.avi"));
        QCOMPARE(window->targetName(), QString("It's \"our\" trip; été"));
        QVERIFY(window->encoderWidget()->fileEdit()->text().startsWith("It's \"our\" trip; été."));
        QAction *recent = window->recentActions[0];
        QVERIFY(recent->isVisible() && !window->recentActions[1]->isVisible());
        QCOMPARE(recent->text(), QString("It's \"our\" trip; été.avi"));
        QCOMPARE(recent->statusTip(), file);
        QCOMPARE(recent->data().toString(), file + ";1");
        QVERIFY(window->clearRecentAction->isEnabled());
        QVERIFY(window->mediaInfoAction->isEnabled() && window->ffprobeInfoAction->isEnabled());
        QVERIFY(window->encoderWidget()->startButton()->isEnabled());
        // The extended panel has built its option tree for the loaded file.
        QVERIFY(!window->mervoEncoderWidget()->mervoConfigurator()->optionRoot().children.empty());
        {
            // MediaInfo's report of the loaded file, escaped (the name holds quotes); Escape
            // closes it.
            ModalAnswerer answerer;
            QString report;
            bool closed = false;
            answerer.answerWith([&](QWidget *modal) {
                auto *dialog = qobject_cast<MediaInfoDataDialog *>(modal);
                report = dialog ? dialog->reportView()->toPlainText() : QString();
                QTest::keyClick(modal, Qt::Key_Escape);
                closed = !modal->isVisible();
                return true;
            });
            window->mediaInfoAction->trigger();
            QCOMPARE(answerer.seen().size(), 1);
            QCOMPARE(answerer.seen().at(0).title, QString("Media informations"));
            QVERIFY2(report.contains("It's \"our\" trip; été.avi") && report.contains("MPEG-4 Visual"),
                     qPrintable(report.left(400)));
            QVERIFY(closed);
        }
        // The next chooser starts in the file's folder; cancelled, it leaves the file loaded
        // and says so.
        window->openFileAction->trigger();
        QCOMPARE(chooser.requests().last().start, QFileInfo(file).canonicalPath());
        QCOMPARE(status(window), "Input unchanged [" + file + "]");
        QVERIFY(window->encoderWidget()->startButton()->isEnabled());

        // Playing locks the opening entries and the fixed zooms.
        auto *play = window->playerWidget()->findChild<QPushButton *>("playButton");
        QVERIFY(play && play->isEnabled());
        play->click();
        auto *renderer = window->playerWidget()->findChild<RendererFrame *>();
        QImage frame;
        QVERIFY(waitFor([&] {
            frame = grabNative(renderer);
            return nonBlackShare(frame) > 0.5;
        }));
        saveScreenshot(grabNative(window), "opening-file-playing");
        QVERIFY(distinctColours(frame) > 8);
        QVERIFY(!window->openFileAction->isEnabled() && !window->openDvdAction->isEnabled());
        QVERIFY(!window->mplayerPathAction->isEnabled() && !window->zoomActions[2]->isEnabled());
        QVERIFY(window->zoomActions[0]->isEnabled() && window->zoomActions[1]->isEnabled());
        QVERIFY(!window->encoderWidget()->previewBox()->isEnabled());
        play->click();
        QTRY_VERIFY_WITH_TIMEOUT(!window->playerWidget()->playing, kScreenWait);
        QVERIFY(window->openFileAction->isEnabled() && window->mplayerPathAction->isEnabled());
        QVERIFY(window->zoomActions[6]->isEnabled() && window->encoderWidget()->previewBox()->isEnabled());

        {
            UrlInterceptor links;
            window->openTargetAction->trigger();
            QCOMPARE(links.urls(), QList<QUrl>({QUrl::fromLocalFile(m_target.path())}));
            QCOMPARE(status(window), QString("Done"));
        }
        // A file that does not load: no input any more, and the list keeps only what loaded.
        const QString text = TestMedia::scratch("opening", "not a movie.avi");
        QFile bogus(text);
        QVERIFY(bogus.open(QIODevice::WriteOnly) && bogus.write("text") == 4);
        bogus.close();
        chooser.answer(text);
        {
            ModalAnswerer answerer;
            window->openFileAction->trigger();
        }
        QCOMPARE(status(window), "Failed to set player input [" + text + "]");
        QCOMPARE(window->windowTitle(), QString("Vexo 4.0"));
        QVERIFY(!window->mediaInfoAction->isEnabled() && !window->encoderWidget()->previewBox()->isEnabled());
        QVERIFY(!window->recentActions[1]->isVisible());
        // The end of an input that comes without an opening command (the readiness check).
        chooser.answer(file);
        window->openFileAction->trigger();
        QVERIFY(window->encoderWidget()->previewBox()->isEnabled());
        emit window->movieLoaded(-1);
        QVERIFY(!window->encoderWidget()->previewBox()->isEnabled() && !window->ffprobeInfoAction->isEnabled());
        QCOMPARE(window->windowTitle(), QString("Vexo 4.0"));
        closeWindow(window);
        QCOMPARE(QSettings().value("Input/recent").toStringList(), QStringList({file + ";1"}));

        // After a restart the entry is back; once the file is gone it fails and leaves.
        window = openWindow();
        recent = window->recentActions[0];
        QCOMPARE(recent->data().toString(), file + ";1");
        QVERIFY(QFile::remove(file));
        QSignalSpy failed(window, &MainWindow::movieLoaded);
        {
            ModalAnswerer answerer;
            recent->trigger();
        }
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(0).toInt(), -1);
        QCOMPARE(status(window), "Failed to set player input [" + file + "]");
        QVERIFY(!recent->isVisible() && !window->clearRecentAction->isEnabled());
        QCOMPARE(window->windowTitle(), QString("Vexo 4.0"));
        QVERIFY(!window->mediaInfoAction->isEnabled());
        closeWindow(window);
    }

    // A file or a DVD on storage that reads slowly (a network share): the status bar says that
    // the load waits on it, and the source loads with the facts it has from the disk.
    void openFromSlowShare_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("dvd");
        QTest::newRow("file") << TestMedia::clip("opening-share.avi", {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=10",
                                                                       "-f", "lavfi", "-i", "sine=duration=10", "-c:v", "mpeg4",
                                                                       "-b:v", "2000k", "-c:a", "libmp3lame"})
                              << false;
        QTest::newRow("DVD") << TestMedia::languagesDvdFolder() << true;
    }
    void openFromSlowShare()
    {
#ifndef VEXO_READ_THROTTLE
        QSKIP("the read throttle is built with the benchmarks");
#else
        QFETCH(QString, path);
        QFETCH(bool, dvd);
        QSettings().setValue("Preferences/Player/DVD/ignore short titles", false);
        MervoMainWindow *window = openWindow();
        FileChooserScript chooser;
        const auto open = [&] {
            chooser.answer(path);
            (dvd ? window->openDvdAction : window->openFileAction)->trigger();
            return window->encoderWidget()->encodingSource();
        };
        const EncodingSource fromDisk = open();
        // What the status bar shows each time the load is found waiting.
        QStringList said;
        connect(window->playerWidget(), &PlayerWidget::storageWaitChanged, [&](bool waiting) {
            if (waiting)
                said << status(window);
        });
        // The engines read it at 1 MB/s, as from a network share (the benchmarks' read throttle).
        QTemporaryDir link;
        qputenv("VEXO_READ_WATCH", QFileInfo(path).canonicalFilePath().toUtf8());
        qputenv("VEXO_READ_STATE", link.filePath("link").toUtf8());
        qputenv("VEXO_READ_RATE", "1000000");
        qputenv("LD_PRELOAD", VEXO_READ_THROTTLE);
        const EncodingSource fromShare = open();
        qunsetenv("LD_PRELOAD");
        QCOMPARE(status(window), (dvd ? "DVD loaded [" : "Movie file loaded [") + path + "]");
        QVERIFY(!said.isEmpty());
        for (const QString &text : std::as_const(said))
            QCOMPARE(text, (dvd ? "Loading DVD from " : "Loading movie from ") + path
                               + ": waiting for the disk or network share it is on, which reads slowly...");
        QVERIFY(fromDisk.video.length > 0.0);
        QVERIFY(fromShare.facts == fromDisk.facts && fromShare.video == fromDisk.video);
        closeWindow(window);
#endif
    }

    // The window handles its events while a file loads: opening another source is not
    // offered meanwhile, and closing waits for the load to end, then closes the window.
    void closeDuringLoad()
    {
        const QString file = TestMedia::standardAvi();
        MervoMainWindow *window = openWindow();
        QPointer<MervoMainWindow> guard(window);
        FileChooserScript chooser;
        chooser.answer(file);
        bool asked = false;
        QTimer during;
        QObject::connect(&during, &QTimer::timeout, [&] {
            if (asked || PlayerWidget::loadsInProgress() == 0)
                return;
            asked = true;
            window->openDvdAction->trigger();
            window->close();
        });
        during.start(0);
        window->openFileAction->trigger();
        QVERIFY(asked);
        QVERIFY(guard);
        QCOMPARE(chooser.requests().size(), 1);
        QCOMPARE(status(window), "Movie file loaded [" + file + "]");
        QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), kScreenWait);
    }

    // A name holding markup is shown as written in every log and console view.
    void markupInNamesShownAsText()
    {
        const QString file = copyOf(TestMedia::standardAvi(), TestMedia::folder() + "/markup/clip <b>bold <img src=x>.avi");
        QVERIFY(!file.isEmpty());
        MervoMainWindow *window = openWindow();
        window->verboseAction->trigger();
        FileChooserScript chooser;
        chooser.answer(file);
        window->openFileAction->trigger();
        QCOMPARE(status(window), "Movie file loaded [" + file + "]");
        const QList<QTextEdit *> views = window->findChildren<QTextEdit *>()
                + window->advancedMonitor()->findChildren<QTextEdit *>();
        int naming = 0;
        for (const QTextEdit *view : views) {
            QVERIFY2(!showsMarkup(view), qPrintable(view->toPlainText().left(300)));
            naming += view->toPlainText().contains("clip <b>bold <img src=x>.avi");
        }
        QVERIFY(naming > 0);
        closeWindow(window);
    }

    // A Matroska whose display width is 20 million pixels (one stock mkvmerge command) loads
    // through the File menu like any other: the panel and the window stay within the screen.
    void hugeDisplayWidth()
    {
        const QString small = TestMedia::clip("display-small.mkv", {"-f", "lavfi", "-i", "testsrc=duration=2:size=320x240:rate=25",
                                                                     "-c:v", "mpeg4"});
        const QString huge = TestMedia::scratch("opening", "huge display.mkv");
        QCOMPARE(TestMedia::run("mkvmerge", {"-q", "-o", huge, "--display-dimensions", "0:20000000x240", small}), 0);
        MervoMainWindow *window = openWindow();
        window->zoomActions[3]->trigger(); // 1:1, where the file's size is the panel's
        QVERIFY(window->zoomActions[3]->isChecked());
        FileChooserScript chooser;
        chooser.answer(huge);
        window->openFileAction->trigger();
        QCOMPARE(status(window), "Movie file loaded [" + huge + "]");
        const QSize screen = window->screen()->availableGeometry().size();
        auto *renderer = window->playerWidget()->findChild<RendererFrame *>();
        QVERIFY2(renderer->width() <= screen.width() && renderer->height() <= screen.height(),
                 qPrintable(QString("%1x%2").arg(renderer->width()).arg(renderer->height())));
        QTRY_VERIFY_WITH_TIMEOUT(window->width() <= screen.width() && window->height() <= screen.height(), kScreenWait);
        const QImage shot = grabWidget(window);
        saveScreenshot(shot, "opening-huge-display-width");
        QVERIFY(nonBlackShare(shot) > 0.3);
        closeWindow(window);
    }

    void openDvdFolder()
    {
        // The generated titles last seconds, not minutes.
        QSettings().setValue("Preferences/Player/DVD/ignore short titles", false);
        QTemporaryDir root;
        const QString dvd = root.path() + "/Été_2010/VIDEO_TS";
        QDir().mkpath(dvd);
        const QDir source(TestMedia::languagesDvdFolder() + "/VIDEO_TS");
        for (const QString &name : source.entryList(QDir::Files))
            QVERIFY(QFile::copy(source.filePath(name), dvd + "/" + name));
        MervoMainWindow *window = openWindow();
        FileChooserScript chooser;
        chooser.answer(dvd);
        QSignalSpy loaded(window, &MainWindow::movieLoaded);
        // The extended panel's load starts from empty consoles.
        window->logView()->append("from before the load");
        window->openDvdAction->trigger();
        QVERIFY(!window->logView()->toPlainText().contains("from before the load"));
        QCOMPARE(chooser.requests().at(0).caption, QString("Open DVD VIDEO_TS Folder"));
        QCOMPARE(chooser.requests().at(0).start, QDir::rootPath());
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(loaded.at(0).at(0).toInt(), 2);
        QCOMPARE(status(window), "DVD loaded [" + dvd + "]");
        QCOMPARE(window->windowTitle(), "Vexo 4.0 - " + dvd);
        QCOMPARE(window->targetName(), QString("Été_2010"));
        QCOMPARE(window->recentActions[0]->text(), dvd);
        QCOMPARE(window->recentActions[0]->statusTip(), dvd);
        QVERIFY(window->mediaInfoAction->isEnabled());

        // The encoder follows the track choice: first the English track, then the French one.
        const auto sourceLanguage = [window] { return window->encoderWidget()->encodingSource().audio.language; };
        QCOMPARE(sourceLanguage(), QString("en"));
        auto *audio = window->playerWidget()->findChild<QComboBox *>("audioCombo");
        for (int i = 0; i < audio->count() && sourceLanguage() != "fr"; ++i)
            audio->setCurrentIndex(i);
        QCOMPARE(sourceLanguage(), QString("fr"));
        QVERIFY(!window->encoderWidget()->encodingSource().noAudio);
        QCOMPARE(window->playerWidget()->currentAudioInfo().language, QString("fr"));
        QCOMPARE(window->encoderWidget()->encodingSource().path, dvd);

        QMetaObject::invokeMethod(window, "jobSplitMovie");
        QCOMPARE(status(window), QString("Split only possible for file input"));

        // The same DVD again: one entry, and the chooser starts there.
        chooser.answer(dvd);
        window->openDvdAction->trigger();
        QCOMPARE(chooser.requests().at(1).start, dvd);
        QVERIFY(!window->recentActions[1]->isVisible());

        window->clearRecentAction->trigger();
        QVERIFY(!window->recentActions[0]->isVisible() && !window->clearRecentAction->isEnabled());
        window->openDvdAction->trigger();
        QCOMPARE(chooser.requests().at(2).start, QDir::rootPath());
        QCOMPARE(status(window), "Input unchanged [" + dvd + "]");
        closeWindow(window);
    }

    // The DVD road of a new user on the two-title disc: cancelled choosers change nothing;
    // the default short-title limit is named in a box; unticked in the preferences, the
    // disc opens from its IFO file, both titles offered; after a sound file the next video
    // file gets a video target again.
    void dvdRoad()
    {
        const QString dvd = TestMedia::twoTitleDvdFolder();
        const QString sound = TestMedia::clip("road-tone.mp3", {"-f", "lavfi", "-i", "sine=frequency=440:duration=2",
                                                                "-c:a", "libmp3lame"});
        QVERIFY(!dvd.isEmpty() && !sound.isEmpty());
        const QString ifo = dvd + "/VIDEO_TS/VTS_01_0.IFO";
        MervoMainWindow *window = openWindow();
        FileChooserScript chooser;
        chooser.answer(TestMedia::standardAvi());
        window->openFileAction->trigger();
        EncoderWidget *encoder = window->encoderWidget();
        QVERIFY(encoder->previewBox()->isEnabled() && encoder->startButton()->isEnabled());

        // Cancelled: the file stays loaded and ready to encode.
        for (QAction *open : {window->openDvdAction, window->openFileAction}) {
            open->trigger();
            QVERIFY(encoder->previewBox()->isEnabled() && encoder->startButton()->isEnabled());
            QCOMPARE(status(window), "Input unchanged [" + TestMedia::standardAvi() + "]");
        }
        const FileChooser::Request &dvdRequest = chooser.requests().at(1);
        QCOMPARE(dvdRequest.kind, FileChooser::ExistingFolderOrFile);
        QVERIFY(dvdRequest.filter.contains("*.IFO"));

        // Every title shorter than the default limit: the box says which limit and where.
        chooser.answer(ifo);
        {
            ModalAnswerer answerer;
            answerer.screenshotAs("opening-dvd-too-short-");
            window->openDvdAction->trigger();
            QCOMPARE(answerer.seen().size(), 1);
            QVERIFY(answerer.seen().at(0).informativeText.contains("short-title limit of 600 seconds"));
            QVERIFY(answerer.seen().at(0).informativeText.contains("Options > Preferences"));
        }
        QCOMPARE(status(window), "Failed to set player input [" + dvd + "/VIDEO_TS]");

        // The limit off in the preferences: the disc opens from the IFO file.
        {
            ModalAnswerer answerer;
            answerer.answerWith([](QWidget *dialog) {
                dialog->findChild<QCheckBox *>("ignoreShortTitles")->setChecked(false);
                QTimer::singleShot(0, buttonIn(dialog, "OK"), &QAbstractButton::click);
                return true;
            });
            window->preferencesAction->trigger();
            QCOMPARE(answerer.seen().size(), 1);
        }
        chooser.answer(ifo);
        window->openDvdAction->trigger();
        QCOMPARE(status(window), "DVD loaded [" + dvd + "/VIDEO_TS]");
        QCOMPARE(window->recentActions[0]->data().toString(), dvd + "/VIDEO_TS;2");
        auto *titles = window->playerWidget()->findChild<QComboBox *>("titleCombo");
        QCOMPARE(titles->count(), 2);
        QVERIFY(titles->itemText(1).startsWith("Title 2 - 00:00:08"));
        QVERIFY(encoder->startButton()->isEnabled());
        const QImage shown = grabWidget(window);
        saveScreenshot(shown, "opening-dvd-two-titles");
        QVERIFY(nonBlackShare(shown) > 0.5);

        // A sound file, then a video file: the video gets a video codec again.
        QCOMPARE(encoder->formatCombo()->currentData().toString(), QString("avi"));
        chooser.answer(sound);
        window->openFileAction->trigger();
        QCOMPARE(encoder->videoCombo()->currentData().toString(), QString("novideo"));
        QVERIFY(encoder->formatCombo()->currentData().toString() != "avi"); // a sound container
        chooser.answer(TestMedia::standardAvi());
        window->openFileAction->trigger();
        QVERIFY(!window->playerWidget()->noVideo);
        QCOMPARE(encoder->formatCombo()->currentData().toString(), QString("avi"));
        QVERIFY2(encoder->videoCombo()->currentData().toString() != "novideo",
                 qPrintable(encoder->videoCombo()->currentText()));
        QVERIFY(!encoder->encodingSource().noVideo);
        // A container chosen now stays with the next video file.
        ActiveComboBox *formats = encoder->formatCombo();
        formats->setCurrentIndex(formats->findData("mp4"));
        emit formats->activated(formats->currentIndex());
        chooser.answer(TestMedia::standardMp4());
        window->openFileAction->trigger();
        QCOMPARE(status(window), QString("Movie file loaded [%1]").arg(TestMedia::standardMp4()));
        QCOMPARE(formats->currentData().toString(), QString("mp4"));
        closeWindow(window);
    }

    // A file named in Windows-1252 bytes, as a copy from Windows leaves it: the chooser that
    // starts in its folder offers its alias, the player panel loads it, the encoder panel
    // writes beside it under its readable name, the next chooser starts in its folder, and the
    // list kept for the next run holds no alias.
    void openNonUtf8Name()
    {
        RawNamedFiles inputs;
        const QByteArray raw = "caf\xe9 \x93x\x94.avi";
        QVERIFY(inputs.moveIn(copyOf(TestMedia::standardAvi(), inputs.path() + "/copy.avi"), raw));
        const QString readable = QString::fromUtf8("café “x”");
        const QString folder = QFileInfo(inputs.path()).canonicalFilePath();
        QSettings().setValue("Input/file", inputs.path() + "/earlier.avi");
        QSettings().setValue("Output/target folder", inputs.path());
        MervoMainWindow *window = openWindow();
        FileChooserScript chooser;
        const QString alias = RawNameAliases::aliasFolder(inputs.path()) + "/" + readable + ".avi";
        chooser.answer(alias);
        ModalAnswerer failure; // a failed load's box would otherwise wait for a click
        window->openFileAction->trigger();
        QCOMPARE(failure.seen().size(), 0);
        QCOMPARE(chooser.requests().at(0).start, folder);
        QCOMPARE(chooser.requests().at(0).aliasFolder + "/" + readable + ".avi", alias);
        QCOMPARE(status(window), "Movie file loaded [" + alias + "]");
        const VideoInfo video = window->playerWidget()->currentVideoInfo();
        QVERIFY2(qAbs(video.length - 3.0) < 0.2, qPrintable(QString::number(video.length)));
        QCOMPARE(video.width, 320);
        QVERIFY(!window->encoderWidget()->encodingSource().noAudio);
        QCOMPARE(window->windowTitle(), "Vexo 4.0 - " + readable + ".avi");
        QCOMPARE(window->targetName(), readable);

        window->encoderWidget()->startButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(jobsDone(window, 1), 60000);
        // Qt lists the output only: the source's name is one it cannot spell.
        const QStringList written = QDir(inputs.path()).entryList(QDir::Files);
        QCOMPARE(written.size(), 1);
        QVERIFY2(written.at(0).startsWith(readable + "."), qPrintable(written.at(0)));
        const QString output = inputs.path() + "/" + written.at(0);
        QVERIFY(qAbs(TestMedia::probeDuration(output) - 3.0) < 0.5);
        QCOMPARE(TestMedia::decodeErrors(output), QString());
        QCOMPARE(QFileInfo(alias).size(), QFileInfo(TestMedia::standardAvi()).size());

        window->openFileAction->trigger();
        QCOMPARE(chooser.requests().at(1).start, folder);
        closeWindow(window);
        QCOMPARE(QSettings().value("Input/recent").toStringList(), QStringList());
    }

    void splitFromJobMenu()
    {
        QTemporaryDir inputs;
        // Noise keeps the clip above the dialog's 1 MB granularity (a few MB for 4 s). With its
        // sound, each key frame lies a frame after its second: the first volume (under 2 s)
        // once ended the split, as the copy from its last second began where it did.
        const QString input = copyOf(TestMedia::clip("split-noise-1s-gop-mp3.avi",
            {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=4", "-f", "lavfi", "-i",
             "sine=frequency=440:duration=4", "-vf", "noise=alls=60:allf=t", "-c:v", "mpeg4", "-g", "25",
             "-q:v", "3", "-c:a", "libmp3lame", "-b:a", "128k"}), inputs.path() + "/split me.avi");
        QVERIFY(!input.isEmpty());
        MervoMainWindow *window = openWindow();
        FileChooserScript chooser;
        chooser.answer(input);
        window->openFileAction->trigger();
        {
            ModalAnswerer cancel; // a dialog without an answer is cancelled
            QMetaObject::invokeMethod(window, "jobSplitMovie");
            QCOMPARE(cancel.seen().size(), 1);
            QCOMPARE(cancel.seen().at(0).title, QString("Movie split options"));
        }
        QVERIFY(jobManager(window)->jobs().isEmpty());
        QCOMPARE(status(window), QString("Preparing a new split job..."));

        // The input's analysis starts while the dialog is open, and the split takes its answer.
        const QString calls = TestMedia::folder() + "/engines/window ffprobe calls.txt";
        QFile::remove(calls);
        FFprobe logging;
        QVERIFY(logging.startInterface(
            writeEngineScript("window-logging-ffprobe", QString("printf '%s\\n' \"$*\" >> '%1'\nexec ffprobe \"$@\"").arg(calls)),
            QString()));
        const auto inputAnalyses = [&calls, &input] {
            QFile file(calls);
            return file.open(QIODevice::ReadOnly)
                       ? QString::fromUtf8(file.readAll()).split('\n').filter(input).filter("%+#32").size()
                       : 0;
        };
        FFprobe *ffprobe = EngineObjects::ffprobe();
        EngineObjects::setEngines(EngineObjects::ffmpeg(), &logging, EngineObjects::mervoMEncoder());
        bool analysedWhileOpen = false;
        QImage dialogShot;
        bool dialogShown = false;
        // The dialog's answer: two volumes beside the input.
        const auto splitInTwo = [&](QWidget *dialog) {
            analysedWhileOpen = analysedWhileOpen || QTest::qWaitFor([&] { return inputAnalyses() == 1; }, 10000);
            dialog->findChild<QRadioButton *>("divideMethod")->click();
            dialog->findChild<QSpinBox *>("partCount")->setValue(2);
            buttonIn(dialog, "Split in input folder")->click();
            if (dialogShot.isNull() && QTest::qWaitForWindowExposed(dialog)) {
                // The choices drawn, however long a busy machine takes.
                dialogShown = waitFor([&] {
                    dialogShot = grabScreen();
                    return shownAsRendered(dialog, dialogShot);
                }, 10000);
            }
            buttonIn(dialog, "Split movie")->click();
            return true;
        };
        ModalAnswerer answerer;
        answerer.answerWith(splitInTwo);
        QMetaObject::invokeMethod(window, "jobSplitMovie");
        const bool done = QTest::qWaitFor([&] { return jobsDone(window, 2); }, 60000);
        EngineObjects::setEngines(EngineObjects::ffmpeg(), ffprobe, EngineObjects::mervoMEncoder());
        QVERIFY(done);
        QVERIFY(analysedWhileOpen);
        QCOMPARE(inputAnalyses(), 1);
        saveScreenshot(dialogShot, "opening-split-dialog");
        QVERIFY(dialogShown);
        QVERIFY(splitCoversInput(input));

        // A sound file takes the same road: its volumes are cut by its sound.
        const QString sound = copyOf(TestMedia::clip("split-sound-60s.mp3", {"-f", "lavfi", "-i", "sine=frequency=440:duration=60",
                                                                             "-c:a", "libmp3lame", "-b:a", "320k"}),
                                     inputs.path() + "/split sound.mp3");
        QVERIFY(!sound.isEmpty());
        chooser.answer(sound);
        window->openFileAction->trigger();
        answerer.answerWith(splitInTwo);
        QMetaObject::invokeMethod(window, "jobSplitMovie");
        const bool soundDone = QTest::qWaitFor([&] { return jobsDone(window, 4); }, 60000);
        QVERIFY(soundDone);
        QVERIFY(splitCoversInput(sound));
        QVERIFY(QDir(m_target.path()).isEmpty());

        // Within 45 % of it, its key frames a second apart (a quarter of it) leave each volume
        // one second: the dialog says the four volumes the split makes, not the three its
        // bytes divided by the slice would.
        chooser.answer(input);
        window->openFileAction->trigger();
        QString said;
        QElapsedTimer typed;
        answerer.answerWith([&](QWidget *dialog) {
            auto *method = dialog->findChild<QRadioButton *>("volumeMethod");
            if (!typed.isValid()) {
                typed.start();
                method->click();
                auto *slice = dialog->findChild<QLineEdit *>("sliceEdit");
                slice->clear();
                QTest::keyClicks(slice, QString::number(double(QFileInfo(input).size()) * 0.45 / 1e6, 'f', 3));
            }
            // Asked again until the listing has told, or 10 s have passed.
            said = method->text();
            if (!said.startsWith("Split in 4 ") && !typed.hasExpired(10000))
                return false;
            buttonIn(dialog, "Split in input folder")->click();
            buttonIn(dialog, "Split movie")->click();
            return true;
        });
        QMetaObject::invokeMethod(window, "jobSplitMovie");
        QVERIFY(QTest::qWaitFor([&] { return jobsDone(window, 8); }, 60000));
        QVERIFY2(said.startsWith("Split in 4 volumes: 3 x "), qPrintable(said));
        // The last volume as the plan expects it: a second, within the slice.
        const double last = said.section("+ ", 1).remove("MB").toDouble();
        QVERIFY2(last > 0.0 && last < double(QFileInfo(input).size()) * 0.45 / 1e6, qPrintable(said));
        QCOMPARE(jobManager(window)->jobs().last()->title(), QString("Extract volume 4/4 from split me.avi"));
        closeWindow(window);
    }

    void mergeFromJobMenu()
    {
        QTemporaryDir inputs;
        const QString first = copyOf(TestMedia::standardAvi(), inputs.path() + "/a <x> & y.avi");
        const QString second = copyOf(TestMedia::standardAvi(), inputs.path() + "/b.avi");
        const QString other = TestMedia::standardMp4();
        QVERIFY(!first.isEmpty() && !second.isEmpty() && !other.isEmpty());
        MervoMainWindow *window = openWindow();
        FileChooserScript chooser;
        chooser.answer(first);
        window->openFileAction->trigger();

        // Cancelling queues nothing.
        {
            ModalAnswerer cancel;
            QMetaObject::invokeMethod(window, "jobMergeMedia");
            QCOMPARE(cancel.seen().size(), 1);
        }
        QVERIFY(jobManager(window)->jobs().isEmpty());
        QCOMPARE(status(window), QString("Preparing a new merge job..."));

        // An H.264 file is refused and the list stays as it was; a copy of the first is taken,
        // and the merge goes to the input folder although the target folder differs.
        chooser.answer(other);
        chooser.answer(second);
        int listBefore = -1, listAfter = -1;
        ModalAnswerer answerer;
        answerer.answerWith([&](QWidget *dialog) {
            listBefore = mergeListSize(dialog);
            QTimer::singleShot(0, buttonIn(dialog, "Load file"), &QAbstractButton::click);
            return true;
        });
        answerer.answerWith(QMessageBox::Ok);
        auto mergeSecond = [&](QWidget *dialog) {
            listAfter = mergeListSize(dialog);
            buttonIn(dialog, "Merge in input folder")->click();
            buttonIn(dialog, "Load file")->click();
            buttonIn(dialog, "Merge media files")->click();
            return true;
        };
        answerer.answerWith(mergeSecond);
        QMetaObject::invokeMethod(window, "jobMergeMedia");
        QTRY_VERIFY_WITH_TIMEOUT(jobsDone(window, 1), 60000);
        QCOMPARE(answerer.seen().size(), 3);
        QVERIFY(answerer.seen().at(1).text.startsWith("<b>Selected file can't be merged with current ones."));
        QCOMPARE(listBefore, 1);
        QCOMPARE(listAfter, 1);
        const QString merged = inputs.path() + "/a <x> & y.merge.avi";
        QVERIFY(QFile::exists(merged));
        QVERIFY(qAbs(TestMedia::probeDuration(merged) - 2 * TestMedia::probeDuration(first)) < 0.5);
        QVERIFY(QDir(m_target.path()).isEmpty());

        // The same again: the output exists in the input folder, so the merge is refused.
        chooser.answer(second);
        answerer.answerWith(mergeSecond);
        answerer.answerWith(QMessageBox::Ok);
        QMetaObject::invokeMethod(window, "jobMergeMedia");
        QCOMPARE(answerer.seen().size(), 5);
        QVERIFY(answerer.seen().at(4).text.startsWith(
            "<b>Failed to merge files.</b><br><br>You may have to recode input files to same format before merging."));
        QVERIFY(answerer.seen().at(4).informativeText.startsWith("<i>"));
        QVERIFY(answerer.seen().at(4).informativeText.contains("a &lt;x&gt; &amp; y.merge.avi"));
        QCOMPARE(status(window), QString("Merge job has been cancelled"));
        QCOMPARE(jobManager(window)->jobs().size(), 1);

        // A reference that cannot be analysed any more.
        QVERIFY(QFile::remove(first));
        answerer.answerWith(QMessageBox::Ok);
        QMetaObject::invokeMethod(window, "jobMergeMedia");
        QCOMPARE(answerer.seen().size(), 6);
        QVERIFY(answerer.seen().at(5).text.startsWith("<b>Impossible to merge files."));
        QCOMPARE(status(window), QString("Merge job has been cancelled"));
        QCOMPARE(jobManager(window)->jobs().size(), 1);
        closeWindow(window);
    }

    // Parts the program split itself, of each container a split writes, merged again through
    // the merge dialog: the job ends well, the merge holds every picture and the sound of
    // the parts, one after the other, and plays cleanly; the status bar says how it ended.
    void mergeOfSplitParts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("codecs");
        QTest::newRow("MP4 with AAC") << "parts.mp4" << QStringList{"-c:v", "libx264", "-g", "25", "-c:a", "aac"};
        QTest::newRow("Matroska") << "parts.mkv" << QStringList{"-c:v", "libx264", "-g", "25", "-c:a", "libvorbis"};
        QTest::newRow("MPEG program stream") << "parts.mpg"
                                             << QStringList{"-c:v", "mpeg2video", "-g", "12", "-q:v", "3", "-c:a", "mp2"};
        QTest::newRow("AVI") << "parts.avi" << QStringList{"-c:v", "mpeg4", "-g", "12", "-q:v", "3", "-c:a", "libmp3lame"};
    }

    void mergeOfSplitParts()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, codecs);
        QTemporaryDir inputs;
        // Noise keeps the clip above the split dialog's 1 MB granularity.
        const QString input = copyOf(TestMedia::clip("merge-" + name,
                                                     QStringList{"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=4",
                                                                 "-f", "lavfi", "-i", "sine=duration=4", "-vf",
                                                                 "noise=alls=60:allf=t"} + codecs),
                                     inputs.path() + "/" + name);
        QVERIFY(!input.isEmpty());
        MervoMainWindow *window = openWindow();
        FileChooserScript chooser;
        chooser.answer(input);
        window->openFileAction->trigger();
        ModalAnswerer answerer;
        answerer.answerWith([](QWidget *dialog) {
            dialog->findChild<QRadioButton *>("divideMethod")->click();
            dialog->findChild<QSpinBox *>("partCount")->setValue(2);
            buttonIn(dialog, "Split in input folder")->click();
            buttonIn(dialog, "Split movie")->click();
            return true;
        });
        QMetaObject::invokeMethod(window, "jobSplitMovie");
        QVERIFY(QTest::qWaitFor([&] { return jobsDone(window, 2); }, 60000));
        const QFileInfo info(input);
        QStringList parts = info.dir().entryList({info.completeBaseName() + "*.*"}, QDir::Files, QDir::Name);
        parts.removeAll(info.fileName());
        QCOMPARE(parts.size(), 2);

        chooser.answer(info.dir().filePath(parts.at(0)));
        window->openFileAction->trigger();
        QVERIFY(window->mergeAction->isEnabled());
        chooser.answer(info.dir().filePath(parts.at(1)));
        answerer.answerWith([](QWidget *dialog) {
            buttonIn(dialog, "Merge in input folder")->click();
            buttonIn(dialog, "Load file")->click();
            buttonIn(dialog, "Merge media files")->click();
            return true;
        });
        QSignalSpy said(window->statusBar(), &QStatusBar::messageChanged);
        window->mergeAction->trigger();
        QVERIFY(QTest::qWaitFor([&] { return jobsDone(window, 3); }, 60000));
        const MervoTask *task = jobManager(window)->jobs().last()->tasks().first();
        QVERIFY2(task->state == Task::Completed, qPrintable(task->failure()));
        QTRY_VERIFY_WITH_TIMEOUT(!said.isEmpty() && said.last().first().toString() == "Merge job completed", kScreenWait);
        QVERIFY(said.contains({QString("Merge job has been queued in the job manager")}));

        const QString merged = info.dir().filePath(QFileInfo(parts.at(0)).completeBaseName() + ".merge." + info.suffix());
        double partsLength = 0.0;
        int partsFrames = 0;
        for (const QString &part : std::as_const(parts)) {
            partsLength += TestMedia::probeDuration(info.dir().filePath(part));
            partsFrames += TestMedia::countVideoFrames(info.dir().filePath(part));
        }
        QCOMPARE(TestMedia::countVideoFrames(merged), partsFrames);
        QVERIFY2(partsFrames >= TestMedia::countVideoFrames(input), qPrintable(QString::number(partsFrames)));
        QVERIFY2(qAbs(TestMedia::probeDuration(merged) - partsLength) < 0.3,
                 qPrintable(QString("%1 of %2").arg(TestMedia::probeDuration(merged)).arg(partsLength)));
        // As cleanly as its parts (a program stream's second part may begin inside a sound
        // frame, which its decoder then reports). FFmpeg's complaints about the times its null
        // output is given are no decoding errors: in an MP4 merged by FFmpeg's concat, the
        // second part begins where the first one's sound ends, a few milliseconds after its
        // last picture, and its pictures' times are rounded to the merge's time base.
        const auto decodeErrors = [](const QString &file) {
            QStringList lines = TestMedia::decodeErrors(file).split('\n', Qt::SkipEmptyParts);
            lines.removeIf([](const QString &line) { return line.contains("to muxer"); });
            return lines.join('\n');
        };
        bool partsClean = true;
        for (const QString &part : std::as_const(parts))
            partsClean = partsClean && decodeErrors(info.dir().filePath(part)).isEmpty();
        if (partsClean)
            QCOMPARE(decodeErrors(merged), QString());
        closeWindow(window);
    }

    // A merge whose job fails (a part gone once the dialog took it) says so, and why, in the
    // status bar.
    void failedMergeSaysWhy()
    {
        QTemporaryDir inputs;
        const QString first = copyOf(TestMedia::standardMp4(), inputs.path() + "/a.mp4");
        const QString second = copyOf(TestMedia::standardMp4(), inputs.path() + "/b.mp4");
        MervoMainWindow *window = openWindow();
        FileChooserScript chooser;
        chooser.answer(first);
        window->openFileAction->trigger();
        chooser.answer(second);
        ModalAnswerer answerer;
        answerer.answerWith([&](QWidget *dialog) {
            buttonIn(dialog, "Merge in input folder")->click();
            buttonIn(dialog, "Load file")->click();
            QFile::remove(second);
            buttonIn(dialog, "Merge media files")->click();
            return true;
        });
        window->mergeAction->trigger();
        QVERIFY(QTest::qWaitFor([&] { return jobsDone(window, 1); }, 60000));
        const MervoTask *task = jobManager(window)->jobs().first()->tasks().first();
        QCOMPARE(task->state, Task::Aborted);
        QTRY_COMPARE_WITH_TIMEOUT(status(window),
                                  QString("Merge job failed: %1 (its console in the job manager tells more)").arg(task->failure()),
                                  kScreenWait);
        QVERIFY(!QFile::exists(inputs.path() + "/a.merge.mp4"));
        closeWindow(window);
    }
};

VEXO_TEST_CLASS(TestOpeningNames)
VEXO_TEST_CLASS(TestOpening)
#include "tst_opening.moc"
