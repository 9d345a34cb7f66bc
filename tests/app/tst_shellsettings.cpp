// The shell's settings checks, engine defaults and readiness texts, without a window.

#include "app/enginepaths.h"
#include "app/enginereadiness.h"
#include "app/shellsettings.h"
#include "engines/interfacestatus.h"
#include "jobs/preferences.h"
#include "testregistry.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

class TestShellSettings : public QObject
{
    Q_OBJECT

private slots:
    void engineDefaults_data()
    {
        QTest::addColumn<bool>("beside");
        QTest::addColumn<bool>("onPath");
        QTest::addColumn<QString>("expected"); // "beside", "path"
        QTest::newRow("beside the program wins") << true << true << "beside";
        QTest::newRow("else on PATH") << false << true << "path";
        QTest::newRow("nowhere: where it looked beside") << false << false << "beside";
    }
    void engineDefaults()
    {
        QFETCH(bool, beside);
        QFETCH(bool, onPath);
        QFETCH(QString, expected);
        QTemporaryDir program, path;
        const auto makeProgram = [](const QString &file) {
            QDir().mkpath(QFileInfo(file).path());
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write("#!/bin/sh\n");
            out.close();
            out.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        };
        const QString besidePath = program.path() + "/mplayer/mencoder";
        const QString pathPath = path.path() + "/mencoder";
        if (beside)
            makeProgram(besidePath);
        if (onPath)
            makeProgram(pathPath);
        // A file beside the program that is not executable is not taken.
        if (!beside)
            QFile(program.path() + "/ffmpeg").open(QIODevice::WriteOnly);
        const QString found = EnginePaths::defaultPath(EnginePaths::MEncoder, program.path(), {path.path()});
        QCOMPARE(found, expected == "beside" ? besidePath : pathPath);
        QVERIFY(!found.endsWith(".exe"));
    }

    void linuxProgramNames()
    {
        // Every engine has a Linux name that the real Debian engines answer to.
        for (int engine = 0; engine < EnginePaths::EngineCount; ++engine) {
            const QString name = QLatin1String(EnginePaths::location(EnginePaths::Engine(engine)).program);
            QVERIFY2(!QStandardPaths::findExecutable(name).isEmpty(), qPrintable(name));
        }
        const QString filter = EnginePaths::executableFilter();
        for (const char *name : {"ffmpeg", "mkvmerge", "mencoder.sh", "x264"})
            QVERIFY2(EnginePaths::filterAccepts(filter, name), name);
        // The filter form the check reads: the patterns of the first filter only.
        QVERIFY(!EnginePaths::filterAccepts("Executable (*.exe);;All files (*.*)", "ffmpeg"));
    }

    void storedValuesAreBounded_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<double>("expected");
        QTest::newRow("poll ticks 0") << "Player/poll ticks" << QVariant(0) << 500.0;
        QTest::newRow("poll ticks huge") << "Player/poll ticks" << QVariant(99999) << 2000.0;
        QTest::newRow("poll ticks kept") << "Player/poll ticks" << QVariant(700) << 700.0;
        QTest::newRow("poll ticks text") << "Player/poll ticks" << QVariant("fast") << 500.0;
        QTest::newRow("chapter 0") << "Encoder/test chapter" << QVariant(0) << 1.0;
        QTest::newRow("chapter 150") << "Encoder/test chapter" << QVariant(150) << 99.0;
        QTest::newRow("test frames no upper bound") << "Encoder/test frames" << QVariant(1000000) << 1000000.0;
        QTest::newRow("test frames low") << "Encoder/test frames" << QVariant(5) << 100.0;
        QTest::newRow("position -5") << "Encoder/test position" << QVariant(-5) << 0.0;
        QTest::newRow("validation frames 80") << "Encoder/validation frames" << QVariant(80) << 80.0;
        QTest::newRow("validation frames 101") << "Encoder/validation frames" << QVariant(101) << 100.0;
        QTest::newRow("validation size 20000") << "Encoder/validation size" << QVariant(20000) << 500000.0;
        QTest::newRow("validation size overflow") << "Encoder/validation size" << QVariant("99999999999") << 2000000.0;
        QTest::newRow("encoder kill 1000") << "Encoder/latency kill" << QVariant(1000) << 3000.0;
        QTest::newRow("encoder start 6000") << "Encoder/latency start" << QVariant(6000) << 5000.0;
        QTest::newRow("encoder finished 999") << "Encoder/latency finished" << QVariant(999) << 1000.0;
        QTest::newRow("encoder finished 6000") << "Encoder/latency finished" << QVariant(6000) << 5000.0;
        QTest::newRow("encoder kill 9000") << "Encoder/latency kill" << QVariant(9000) << 5000.0;
        QTest::newRow("player kill 1000") << "Player/latency kill" << QVariant(1000) << 3000.0;
        QTest::newRow("player start 0") << "Player/latency start" << QVariant(0) << 1000.0;
        QTest::newRow("player start 6000") << "Player/latency start" << QVariant(6000) << 5000.0;
        QTest::newRow("player kill 9000") << "Player/latency kill" << QVariant(9000) << 5000.0;
        QTest::newRow("player finished 9000") << "Player/latency finished" << QVariant(9000) << 5000.0;
        QTest::newRow("encoder finished 6000") << "Encoder/latency finished" << QVariant(6000) << 5000.0;
        QTest::newRow("encoder finished 5000") << "Encoder/latency finished" << QVariant(5000) << 5000.0;
        QTest::newRow("encoder kill 9000") << "Encoder/latency kill" << QVariant(9000) << 5000.0;
        QTest::newRow("player start 9000") << "Player/latency start" << QVariant(9000) << 5000.0;
        QTest::newRow("player kill 9000") << "Player/latency kill" << QVariant(9000) << 5000.0;
        QTest::newRow("force output name as 1") << "Encoder/force output name" << QVariant("1") << 1.0;
        QTest::newRow("force output name as true") << "Encoder/force output name" << QVariant("True") << 1.0;
        QTest::newRow("short titles ignored as 0") << "Player/DVD/ignore short titles" << QVariant("0") << 0.0;
        QTest::newRow("short titles ignored as false") << "Player/DVD/ignore short titles" << QVariant("false") << 0.0;
        QTest::newRow("short titles flag of text") << "Player/DVD/ignore short titles" << QVariant("maybe") << 1.0;
        QTest::newRow("volume 200") << "Encoder/volume correction" << QVariant(200) << 48.0;
        QTest::newRow("volume -200") << "Encoder/volume correction" << QVariant(-200) << -48.0;
        QTest::newRow("title 10") << "Player/DVD/title minimum length" << QVariant(10) << 60.0;
        QTest::newRow("title 9000") << "Player/DVD/title minimum length" << QVariant(9000.5) << 7200.0;
        QTest::newRow("title text") << "Player/DVD/title minimum length" << QVariant("long") << 600.0;
        QTest::newRow("title nan") << "Player/DVD/title minimum length" << QVariant("nan") << 600.0;
        QTest::newRow("title infinite") << "Player/DVD/title minimum length" << QVariant("inf") << 600.0;
    }
    void storedValuesAreBounded()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(double, expected);
        QTemporaryDir folder;
        QSettings settings(folder.path() + "/s.ini", QSettings::IniFormat);
        settings.setValue("Preferences/" + key, stored);
        Preferences preferences;
        preferences.reset();
        ShellSettings::readPreferences(settings, preferences);
        const EncoderPreferences &e = preferences.encoder;
        const PlayerPreferences &p = preferences.player;
        const QMap<QString, double> values{
            {"Player/poll ticks", p.pollTicks}, {"Encoder/test chapter", e.testChapter},
            {"Encoder/test frames", e.testFrames}, {"Encoder/test position", e.testPosition},
            {"Encoder/validation frames", e.validationFrames},
            {"Encoder/validation size", e.validationSize}, {"Encoder/latency kill", e.latencyKill},
            {"Encoder/latency start", e.latencyStart}, {"Encoder/latency finished", e.latencyFinished},
            {"Player/latency kill", p.latencyKill}, {"Player/latency start", p.latencyStart},
            {"Player/latency finished", p.latencyFinished},
            {"Encoder/volume correction", e.volumeCorrection},
            {"Player/DVD/title minimum length", p.titleMinimumLength},
            {"Encoder/force output name", e.forceOutputName}, {"Player/DVD/ignore short titles", p.ignoreShortTitles}};
        QCOMPARE(values.value(key), expected);
    }

    void preferencesRoundTrip()
    {
        QTemporaryDir folder;
        QSettings settings(folder.path() + "/s.ini", QSettings::IniFormat);
        Preferences written;
        written.reset();
        written.encoder.validationFrames = 80;
        written.encoder.outputName = "my film";
        written.encoder.forceOutputName = true;
        written.player.ignoreShortTitles = false;
        written.player.titleMinimumLength = 900.5;
        written.player.pollTicks = 1500;
        ShellSettings::writePreferences(settings, written);
        QCOMPARE(settings.allKeys().size(), 17);
        Preferences read;
        read.reset();
        ShellSettings::readPreferences(settings, read);
        QCOMPARE(read.encoder.validationFrames, 80);
        QCOMPARE(read.encoder.outputName, QString("my film"));
        QVERIFY(read.encoder.forceOutputName);
        QVERIFY(!read.player.ignoreShortTitles);
        QCOMPARE(read.player.titleMinimumLength, 900.5);
        QCOMPARE(read.player.pollTicks, 1500);
        const auto readBack = [&settings] {
            Preferences preferences;
            preferences.reset();
            ShellSettings::readPreferences(settings, preferences);
            return preferences;
        };
        // A damaged flag keeps its default; a damaged name is cleaned.
        settings.setValue("Preferences/Player/DVD/ignore short titles", "maybe");
        settings.setValue("Preferences/Encoder/output name", " a/b*c ");
        const Preferences damaged = readBack();
        QVERIFY(damaged.player.ignoreShortTitles);
        QCOMPARE(damaged.encoder.outputName, QString("abc"));
        // Flags written as numbers (by hand, or by another program) read as they mean.
        settings.setValue("Preferences/Encoder/force output name", "1");
        settings.setValue("Preferences/Player/DVD/ignore short titles", " 0 ");
        const Preferences numbers = readBack();
        QVERIFY(numbers.encoder.forceOutputName);
        QVERIFY(!numbers.player.ignoreShortTitles);
    }

    void outputNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("kept") << "movie" << "movie";
        QTest::newRow("spaces") << "  my   movie " << "my movie";
        QTest::newRow("forbidden") << "a\\b/c?d*e|f" << "abcdef";
        QTest::newRow("nothing left") << " /?* " << "output";
        QTest::newRow("10 MB from a settings file") << QString(10 << 20, 'n') << QString(200, 'n');
        QTest::newRow("cut, then trimmed") << QString(199, 'n') + "  x" << QString(199, 'n');
    }
    void outputNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(ShellSettings::cleanOutputName(name), expected);
    }

    void screenPlaces_data()
    {
        QTest::addColumn<QPoint>("position");
        QTest::addColumn<bool>("used");
        QTest::newRow("inside") << QPoint(100, 100) << true;
        QTest::newRow("top left corner") << QPoint(0, 0) << true;
        QTest::newRow("off to the right") << QPoint(5000, 100) << false;
        QTest::newRow("above the screen") << QPoint(100, -200) << false;
        QTest::newRow("last pixels") << QPoint(1275, 1019) << false;
        QTest::newRow("hand-edited, near the largest int") << QPoint(2147483600, 0) << false;
        QTest::newRow("near the smallest int") << QPoint(-2147483600, -2147483600) << false;
    }
    void screenPlaces()
    {
        QFETCH(QPoint, position);
        QFETCH(bool, used);
        const QRect screen(0, 0, 1280, 1024);
        QCOMPARE(ShellSettings::placeOnScreen(position, screen), used);
        QCOMPARE(ShellSettings::fitToScreen(QSize(3000, 500), screen), QSize(1280, 500));
        QCOMPARE(ShellSettings::fitToScreen(QSize(800, 600), screen), QSize(800, 600));
    }

    // A file whose keys the store does not all read back is damaged: the next save would
    // write defaults over the keys it lost. Lines the store itself takes for keys ("#", "=")
    // hide nothing. Cut at the damage, a damaged file keeps the lines before it and reads
    // back whole.
    void damagedFilesFound_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<QByteArray>("kept"); // of a damaged file, once cut
        const QByteArray end = "[Output]\ntarget%20name=holiday\n[Preferences]\nEncoder\\test%20frames=777\n";
        QTest::newRow("as the store writes it") << "[Input]\nfile=/movies/a.avi\n" + end << true << QByteArray();
        QTest::newRow("quoted value with ; and =") << "[Input]\nfile=\"/a;b=c.avi\"\n" + end << true << QByteArray();
        QTest::newRow("lines the store takes for keys")
            << "[Input]\n#x=1\n=y\n;comment\nbare\r\nfile=/a.avi\r\n" + end << true << QByteArray();
        QTest::newRow("no file content") << QByteArray() << true << QByteArray();
        QTest::newRow("unterminated quote") << "[Input]\nfile=\"/movies/a.avi\n" + end << false << QByteArray("[Input]\n");
        // The line the store reads as a key makes up for the one key the quote hides.
        const QByteArray oneLost = "file=\"/movies/a.avi\n[Output]\ntarget%20name=holiday\n";
        QTest::newRow("unterminated quote beside a # line") << "[Input]\n#x=1\n" + oneLost << false
                                                            << QByteArray("[Input]\n#x=1\n");
        QTest::newRow("unterminated quote beside an = line") << "[Input]\n=x\n" + oneLost << false
                                                             << QByteArray("[Input]\n=x\n");
        QTest::newRow("quote in a key") << "[Input]\nfi\"le=1\n" + end << false << QByteArray("[Input]\n");
        QTest::newRow("quote in a group name") << "[In\"put]\nfile=1\n" + end << false << QByteArray();
        QTest::newRow("line-end backslash after a value") << "[Input]\nfile=a\\\n" + end << false << QByteArray("[Input]\n");
        QTest::newRow("one key lost to a line-end backslash") << QByteArray("[Input]\nbare\\\nfile=1\n") << false
                                                              << QByteArray("[Input]\n");
        QTest::newRow("last key cut by its quote") << QByteArray("[Input]\nfile=1\nname=\"a\nlast=2\n") << false
                                                   << QByteArray("[Input]\nfile=1\n");
        QTest::newRow("group header left open") << QByteArray("[Input\nfile=1\n") << false << QByteArray();
        QTest::newRow("group header cut by a ;") << "[Input]\nfile=1\n[In;put]\nkey=1\n" + end << false
                                                 << QByteArray("[Input]\nfile=1\n");
        QTest::newRow("quotes around a key") << "[Input]\nfile=1\n\"key\"=1\n" + end << false
                                             << QByteArray("[Input]\nfile=1\n");
        // A hand edit in another editor: tabs are text, and a CR ends a line as LF does.
        QTest::newRow("tabs and CR line ends before a quote left open")
            << QByteArray("[Input]\r\nfile=/movies/a\tb.avi\r\n\tdvd=/media\r\nname=\"a\r\n") + end << false
            << QByteArray("[Input]\r\nfile=/movies/a\tb.avi\r\n\tdvd=/media\r\n");
        QTest::newRow("CR line ends alone, a line-end backslash")
            << QByteArray("[Input]\rfile=a\\\r[Output]\rtarget%20name=holiday\r") << false << QByteArray("[Input]\r");
        // A disk that gave back a megabyte of noise after the keys: the store reads it as
        // keys of its own.
        QByteArray noise(1 << 20, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        QTest::newRow("keys followed by junk") << end + noise << false << end;
        QTest::newRow("junk after a key without its line end") << end + "last=1" + noise << false << end;
        // Noise that is UTF-8 text: its control characters mark it, before the quote it opens.
        QTest::newRow("control characters before a quote left open") << end + "x\x01y=1\nname=\"a\nlast=2\n" << false << end;
    }
    void damagedFilesFound()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, whole);
        QFETCH(QByteArray, kept);
        QTemporaryDir folder;
        const QString fileName = folder.path() + "/s.conf";
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        QCOMPARE(ShellSettings::readsBackWhole(fileName), whole);
        QVERIFY(ShellSettings::readsBackWhole(folder.path() + "/missing.conf"));
        if (whole)
            return;
        QVERIFY(ShellSettings::cutAtDamage(fileName));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), kept);
        QVERIFY(ShellSettings::readsBackWhole(fileName));
        QCOMPARE(QSettings(fileName, QSettings::IniFormat).status(), QSettings::NoError);
    }

    // Each damage keeps a copy of its own, under the first name nothing holds.
    void damagedCopiesKept()
    {
        QTemporaryDir folder;
        const QString fileName = folder.path() + "/s.conf";
        QStringList copies;
        for (const QByteArray text : {"first", "second"}) {
            QFile file(fileName);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
            file.close();
            copies << ShellSettings::keepCopy(fileName);
        }
        // A dangling link holds the next name.
        QVERIFY(QFile::link(folder.path() + "/gone", fileName + ".damaged.2"));
        copies << ShellSettings::keepCopy(fileName);
        QCOMPARE(copies, QStringList({fileName + ".damaged", fileName + ".damaged.1", fileName + ".damaged.3"}));
        QFile first(copies.first());
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.readAll(), QByteArray("first"));
    }

    // Which settings files cannot be read, and which have other names that must see what is
    // saved. A file its user may not read is judged by a user who is not root (nobody, where
    // the tests run as root, who reads every file).
    void settingsFileKinds_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("unreadable");
        QTest::addColumn<bool>("shared");
        QTest::newRow("a file") << "file" << false << false;
        QTest::newRow("none") << "none" << false << false;
        QTest::newRow("a folder") << "folder" << true << false;
        QTest::newRow("a file its user may not read") << "locked" << true << false;
        QTest::newRow("a link to a file") << "link" << false << true;
        QTest::newRow("a file of two names") << "two names" << false << true;
    }
    void settingsFileKinds()
    {
        QFETCH(QString, kind);
        QFETCH(bool, shared);
        QTemporaryDir folder;
        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                         | QFile::ReadOther | QFile::ExeOther));
        const QString file = folder.path() + "/s.conf";
        const QString other = folder.path() + "/other name";
        QFile written(kind == "link" ? other : file);
        QVERIFY(kind == "none" || kind == "folder" ? true : written.open(QIODevice::WriteOnly) && written.write("old") == 3);
        written.close();
        QVERIFY(kind != "folder" || QDir().mkpath(file));
        QVERIFY(kind != "locked" || written.setPermissions(QFileDevice::Permissions()));
        QVERIFY(kind != "link" || QFile::link(other, file));
        QVERIFY(kind != "two names" || ::link(QFile::encodeName(file).constData(), QFile::encodeName(other).constData()) == 0);
        QTEST(unreadableToAUser(file), "unreadable");
        QCOMPARE(ShellSettings::isShared(file), shared);
    }

    void readinessTexts()
    {
        const QList<EngineReadiness::Item> items{{"FFmpeg", true, "6.0", "/usr/bin/ffmpeg"},
                                                 {"MPlayer", false, "", "/bin/true"},
                                                 {"MediaInfo", true, "23.04", "/usr/bin/mediainfo"}};
        QVERIFY(!EngineReadiness::allReady(items));
        QVERIFY(EngineReadiness::allReady(items.mid(0, 1)));
        QCOMPARE(EngineReadiness::informativeText(items, "Vexo 4.0"),
                 QString("You must check encoder engine paths and status.<br><br>Eventually you "
                         "will have to re-install Vexo 4.0<br><br> - FFmpeg is ready<br> - "
                         "<b>MPlayer</b> is NOT ready<br> - MediaInfo is ready<br>"));
        QCOMPARE(EngineReadiness::logLines(items),
                 QStringList({"FFmpeg is ready [version: 6.0]", "MPlayer is NOT ready [path: /bin/true]",
                              "MediaInfo is ready [version: 23.04]"}));
        QCOMPARE(EngineReadiness::summaryLine(false), QString("Application is NOT ready [check your installation]."));
        QCOMPARE(EngineReadiness::rule().size(), 76);
        // What the box told is not told again; another path or lack, or a failure after the
        // item was ready, is. A check of fewer items (the base one) leaves the others told.
        QSet<QString> told;
        QList<EngineReadiness::Item> later = items;
        using Lack = EngineReadiness::Lack;
        const struct { const char *path; Lack lack; bool box; } steps[] = {
            {"/bin/true", Lack::Unknown, true}, {"/bin/true", Lack::Unknown, false},
            {"/bin/true", Lack::NoAnswerInTime, true}, {"/bin/false", Lack::NoAnswerInTime, true},
            {"ready", Lack::Unknown, false}, {"/bin/false", Lack::NoAnswerInTime, true}};
        for (const auto &[path, lack, box] : steps) {
            later[1].ready = QString(path) == "ready";
            later[1].path = path;
            later[1].lack = lack;
            QCOMPARE(EngineReadiness::untold(later, told), box);
            QVERIFY(!EngineReadiness::untold(later.mid(1, 1), told));
        }
        QCOMPARE(EngineReadiness::notReadyNames(items), QString("MPlayer"));
    }

    // Why an engine is not ready, from its last status run, as the box and the log tell it.
    void readinessLacks_data()
    {
        QTest::addColumn<int>("state"); // of the status run; -1: none
        QTest::addColumn<bool>("late");
        QTest::addColumn<QString>("lack"); // empty: nothing told
        QTest::newRow("no status") << -1 << false << "";
        QTest::newRow("could not be started") << int(InterfaceStatus::Reset) << false << "not installed";
        QTest::newRow("no answer in time") << int(InterfaceStatus::Reset) << true << "did not answer in time";
        QTest::newRow("no banner in its answer") << int(InterfaceStatus::ParseFailed) << false << "";
    }

    void readinessLacks()
    {
        QFETCH(int, state);
        QFETCH(bool, late);
        QFETCH(QString, lack);
        InterfaceStatus status;
        status.state = state;
        status.late = late;
        const EngineReadiness::Item item{"x264", false, "", "/bin/x264", EngineReadiness::lackOf(state < 0 ? nullptr : &status)};
        QCOMPARE(EngineReadiness::boxLine(item), " - <b>x264</b> is NOT ready" + (lack.isEmpty() ? "" : " (" + lack + ")") + "<br>");
        QCOMPARE(EngineReadiness::logLines({item}),
                 QStringList{"x264 is NOT ready [path: /bin/x264]" + (lack.isEmpty() ? "" : ": " + lack + ".")});
    }

private:
    // Whether a user who is not root finds the file unreadable: this process where it is not
    // root, else a child that is nobody.
    static bool unreadableToAUser(const QString &file)
    {
        if (::geteuid() != 0)
            return ShellSettings::unreadableFile({file}) == file;
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(2);
            ::_exit(ShellSettings::unreadableFile({file}) == file ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        [&status] { QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) < 2); }();
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
};

VEXO_TEST_CLASS(TestShellSettings)
#include "tst_shellsettings.moc"
