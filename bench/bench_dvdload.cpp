// How long loading a DVD of 32 titles takes in the player panel, against the same engine
// runs made directly: one after another, and side by side (as many at once as the machine
// has cores, after the disc run). Also the longest time the window could not handle events during the load.
//
//   bench_dvdload [runs]      (at least 5; paired: raw and program alternate)
//
// Prints FAIL and exits 1 when a goal is missed.
//
// Makes the DVD with FFmpeg and dvdauthor in a temporary folder: 32 titles of one second,
// each with one sound track, so that the engines' start-up, not their reading, is timed.

#include "engines/player.h"
#include "player/loadscheduler.h"

#include "panelbench.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {
constexpr int kTitles = 32;

bool run(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment = {})
{
    QProcess process;
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    process.start(program, arguments);
    return process.waitForFinished(300000) && process.exitCode() == 0;
}

QString makeDvd(const QString &folder)
{
    const QString clip = folder + QStringLiteral("/title.mpg");
    if (!run(QStringLiteral("ffmpeg"),
             {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=352x288:rate=25:duration=1", "-f", "lavfi",
              "-i", "sine=frequency=440:duration=1", "-target", "pal-dvd", "-s", "352x288", "-b:v", "800k", clip}))
        return QString();
    QString pgcs;
    for (int n = 0; n < kTitles; ++n)
        pgcs += QStringLiteral("   <pgc><vob file=\"%1\"/></pgc>\n").arg(clip);
    const QString root = folder + QStringLiteral("/dvd");
    QFile xml(folder + QStringLiteral("/dvd.xml"));
    if (!xml.open(QIODevice::WriteOnly))
        return QString();
    xml.write(QStringLiteral("<dvdauthor dest=\"%1\">\n <vmgm><menus><video format=\"pal\"/></menus></vmgm>\n"
                             " <titleset>\n  <titles>\n   <video format=\"pal\"/>\n   <audio lang=\"en\"/>\n%2"
                             "  </titles>\n </titleset>\n</dvdauthor>\n")
                  .arg(root, pgcs)
                  .toUtf8());
    xml.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VIDEO_FORMAT"), QStringLiteral("PAL"));
    if (!run(QStringLiteral("dvdauthor"), {"-x", xml.fileName()}, environment))
        return QString();
    return QFileInfo::exists(root + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO")) ? root : QString();
}

// The runs the panel makes for the DVD, in its order: the disc, each title and its sound
// track, MediaInfo on the folder.
QList<Bench::RawRun> rawRuns(const QString &dvd, Bench::PanelLoad &subject)
{
    Player facade(Player::MplayerBackend, QStringLiteral("mplayer"), QStringLiteral("mediainfo"),
                  QStringLiteral("ffprobe"), nullptr, nullptr, nullptr, nullptr, 0, 0, 0, 0);
    facade.setBackendBinary(QStringLiteral("mplayer"));
    facade.disableAudio();
    facade.disableVideo();
    facade.disableSubtitle();
    facade.setWid(subject.windowId());
    QList<Bench::RawRun> runs;
    Bench::RawRun disc;
    facade.setSourceDvdTitle(dvd, 2, 1);
    facade.cliCmdIdentify(&disc.program, &disc.arguments);
    runs << disc;
    for (const TitleInfo &title : subject.panel().titles) {
        facade.setSourceDvdTitle(dvd, 2, title.number);
        Bench::RawRun identify;
        facade.cliCmdIdentify(&identify.program, &identify.arguments);
        identify.input = facade.cliGetDeinterlace().toUtf8();
        runs << identify;
        for (const AudioInfo &stream : title.audioStreams) {
            Bench::RawRun play;
            facade.cliPlay(&play.program, &play.arguments, 0, 0, 0, 0);
            play.arguments = QStringList{"-aid", QString::number(stream.aid)} + play.arguments;
            play.input = facade.cliQuit().toUtf8();
            runs << play;
        }
    }
    runs << Bench::RawRun{QStringLiteral("mediainfo"), {dvd}, {}};
    return runs;
}
} // namespace

int main(int argc, char **argv)
{
    const Bench::PanelBenchApplication application(argc, argv);
    const int runs = application.rounds;

    QTemporaryDir folder;
    std::printf("making a DVD of %d titles...\n", kTitles);
    const QString dvd = folder.isValid() ? makeDvd(folder.path()) : QString();
    if (dvd.isEmpty()) {
        std::fprintf(stderr, "could not make the DVD with ffmpeg and dvdauthor\n");
        return 2;
    }

    PlayerPreferences preferences;
    preferences.ignoreShortTitles = false;
    Bench::PanelLoad subject(preferences);
    subject.load(dvd, 2); // warms the caches and gives the commands
    if (subject.panel().titles.size() != kTitles) {
        std::fprintf(stderr, "the panel did not load every title\n");
        return 2;
    }
    const QList<Bench::RawRun> raw = rawRuns(dvd, subject);
    const int bound = LoadScheduler::maximumRuns();
    Bench::rawSerial(raw);
    std::printf("DVD of %d titles, %d engine runs, %d at once\n", kTitles, int(raw.size()), bound);
    // Side by side: the disc run first (its answer names the titles), then every other run.
    const bool met = Bench::comparePaired(
        subject, dvd, 2, raw,
        [&] { return Bench::rawSerial(raw.mid(0, 1)) + Bench::rawSideBySide(raw.mid(1), bound); }, runs, 0.39);
    return met ? 0 : 1;
}
