// How long opening a media file takes in the player panel (MediaInfo, FFprobe, the MPlayer
// identify run and FFprobe's sample runs), against the three probes made directly one after
// another and side by side; the bytes each run reads of the file and its processor time; also
// the longest time the window could not handle events meanwhile.
//
//   bench_fileload [runs] [--film FOLDER] [--rate MB/s]
//
// runs: at least 5, paired (raw and program alternate). --film adds a 1 GB film of an hour
// (H.264 and AC-3 in Matroska), made once into FOLDER and kept there: opened from the disk,
// and read through a stand-in for a network share of that many MB a second (4.7 by default):
// every engine is given bench/readthrottle.cpp's library, which holds each read of the
// film until the rate allows it, the rate shared by the engines as one link is.
//
// Prints FAIL and exits 1 when a goal is missed.

#include "engines/ffprobedata.h"
#include "engines/interfaceffprobe.h"
#include "engines/interfacemediainfo.h"
#include "engines/interfacestatus.h"
#include "engines/mediainfodata.h"
#include "engines/player.h"

#include "panelbench.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// The most an open may read of the film for its facts, and the longest it may take through
// the share: a tenth of what it took when each sample run read on to its points.
constexpr double kFilmBytesGoalMB = 40.0;
constexpr double kShareOpenGoalSeconds = 10.0;
constexpr double kDefaultShareRate = 4.7;
constexpr int kShareRounds = 3;

bool make(const QStringList &arguments)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), QStringList{"-v", "error", "-y"} + arguments);
    return ffmpeg.waitForFinished(600000) && ffmpeg.exitCode() == 0;
}

// An hour at 2.3 Mbit/s: a minute of a noisy picture at a constant rate, joined 60 times
// without encoding again.
QString makeFilm(const QString &folder)
{
    const QString film = folder + QStringLiteral("/film.mkv");
    if (QFileInfo(film).size() > 1000 * 1000 * 1000)
        return film;
    const QString minute = folder + QStringLiteral("/minute.mkv");
    const QString list = folder + QStringLiteral("/minutes.txt");
    QFile text(list);
    if (!make({"-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=25:duration=60", "-f", "lavfi", "-i",
               "sine=frequency=440:sample_rate=48000:duration=60", "-vf", "noise=alls=12:allf=t", "-c:v", "libx264",
               "-preset", "ultrafast", "-b:v", "2100k", "-minrate", "2100k", "-maxrate", "2100k", "-bufsize", "2100k",
               "-x264-params", "nal-hrd=cbr", "-c:a", "ac3", "-ac", "2", "-b:a", "192k", minute})
        || !text.open(QIODevice::WriteOnly))
        return QString();
    for (int i = 0; i < 60; ++i)
        text.write(QStringLiteral("file '%1'\n").arg(minute).toUtf8());
    text.close();
    if (!make({"-f", "concat", "-safe", "0", "-i", list, "-map", "0", "-c", "copy", film}))
        return QString();
    QFile::remove(minute);
    QFile::remove(list);
    return film;
}

// One engine process as the preloaded library saw it.
struct EngineRun
{
    double startMs = 0.0; // since boot
    double endMs = 0.0;
    double cpuMs = 0.0;
    double bytes = 0.0; // of the watched files
    QString label;
};

// The run's program and what tells it from the other runs of that program.
QString runLabel(const QStringList &command)
{
    QString label = QFileInfo(command.value(0)).fileName();
    for (int i = 1; i < command.size(); ++i) {
        const QString &word = command.at(i);
        if (word == QLatin1String("-show_format") || word == QLatin1String("-count_packets"))
            return label + QLatin1Char(' ') + word;
        if (word == QLatin1String("-msglevel"))
            return label + QLatin1String(" identify");
        if (word == QLatin1String("-show_entries"))
            return label + QLatin1Char(' ') + command.value(i + 1).section(QLatin1Char(','), 0, 1);
    }
    return label;
}

// What the engines read of the files of one folder, through bench/readthrottle.cpp's library.
class ReadMeter
{
public:
    ReadMeter(const QString &folder)
        : m_log(m_state.filePath(QStringLiteral("runs")))
        , m_link(m_state.filePath(QStringLiteral("link")))
    {
        qputenv("VEXO_READ_WATCH", (QFileInfo(folder).canonicalFilePath() + QLatin1Char('/')).toUtf8());
        qputenv("VEXO_READ_STATE", m_link.toUtf8());
        qputenv("VEXO_READ_LOG", m_log.toUtf8());
        qputenv("LD_PRELOAD", VEXO_READ_THROTTLE);
        setRate(0.0);
    }
    // MB a second through the link from the next process on; 0: only counted.
    void setRate(double megabytes) { qputenv("VEXO_READ_RATE", QByteArray::number(megabytes * 1e6, 'f', 0)); }
    void clear()
    {
        QFile::remove(m_log);
        QFile::remove(m_link);
    }
    // Every byte read since clear(), the killed processes' too, in MB.
    double megabytes() const
    {
        QFile link(m_link);
        qint64 state[2] = {0, 0};
        if (!link.open(QIODevice::ReadOnly) || link.read(reinterpret_cast<char *>(state), sizeof state) != sizeof state)
            return 0.0;
        return state[1] / 1e6;
    }
    // The processes that ended by themselves since clear(), in the order they began.
    QList<EngineRun> runs() const
    {
        QList<EngineRun> runs;
        QFile log(m_log);
        if (!log.open(QIODevice::ReadOnly))
            return runs;
        for (const QByteArray &line : log.readAll().split('\n')) {
            const QStringList fields = QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (fields.size() < 7)
                continue;
            runs.append({fields.at(1).toDouble(), fields.at(2).toDouble(), fields.at(3).toDouble(),
                         fields.at(4).toDouble() / 1e6, runLabel(fields.mid(6))});
        }
        std::sort(runs.begin(), runs.end(), [](const EngineRun &a, const EngineRun &b) { return a.startMs < b.startMs; });
        return runs;
    }

private:
    QTemporaryDir m_state;
    QString m_log;
    QString m_link;
};

double sinceBootMs()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

// Each run of what was measured, on the clock from `originMs`, and their sums.
void printRuns(const char *what, const QList<EngineRun> &runs, double originMs, double megabytes)
{
    std::printf("%s:\n", what);
    double cpu = 0.0;
    for (const EngineRun &run : runs) {
        std::printf("  %6.0f to %6.0f ms  %7.0f ms processor  %8.2f MB  %s\n", run.startMs - originMs,
                    run.endMs - originMs, run.cpuMs, run.bytes, qPrintable(run.label));
        cpu += run.cpuMs;
    }
    std::printf("  %-30s %7.0f ms processor  %8.2f MB read in all\n", "", cpu, megabytes);
}

// The three probes the panel makes, in its order.
QList<Bench::RawRun> probes(const QString &file, const Bench::PanelLoad &subject)
{
    QList<Bench::RawRun> raw(3);
    MediaInfoData mediaInfoData;
    InterfaceStatus status;
    InterfaceMediaInfo mediaInfo;
    mediaInfo.init(QStringLiteral("mediainfo"), &mediaInfoData, &status);
    mediaInfo.cliCmdGetInfo(file, raw[0].program, raw[0].arguments);
    FFprobeData ffprobeData;
    InterfaceFFprobe ffprobe;
    ffprobe.init(QStringLiteral("ffprobe"), &ffprobeData, &status);
    ffprobe.cliCmdGetInfo(file, raw[1].program, raw[1].arguments);
    Player facade(Player::MplayerBackend, QStringLiteral("mplayer"), QStringLiteral("mediainfo"),
                  QStringLiteral("ffprobe"), nullptr, nullptr, nullptr, nullptr, 0, 0, 0, 0);
    facade.setBackendBinary(QStringLiteral("mplayer"));
    facade.setSourceFile(file, 1, false);
    facade.disableAudio();
    facade.disableVideo();
    facade.disableSubtitle();
    facade.setWid(subject.windowId());
    facade.cliCmdIdentify(&raw[2].program, &raw[2].arguments);
    raw[2].input = facade.cliGetDeinterlace().toUtf8();
    return raw;
}

// The paired rounds of one file from the disk, then one load and the probes with their runs
// shown. Returns whether the goals are met; the MB the load read in `megabytes`.
bool openFromDisk(Bench::PanelLoad &subject, ReadMeter &meter, const QString &file, int rounds, double *megabytes)
{
    const QList<Bench::RawRun> raw = probes(file, subject);
    subject.load(file, 1); // warms the caches
    Bench::rawSerial(raw);
    const bool met = Bench::comparePaired(
        subject, file, 1, raw, [&] { return Bench::rawSideBySide(raw, 3); }, rounds, 1.0);
    meter.clear();
    double origin = sinceBootMs();
    Bench::rawSerial(raw);
    printRuns("the probes one after another", meter.runs(), origin, meter.megabytes());
    meter.clear();
    origin = sinceBootMs();
    subject.load(file, 1);
    *megabytes = meter.megabytes();
    printRuns("the panel's load", meter.runs(), origin, *megabytes);
    return met;
}

// Opens through the stand-in for a share: the probes one after another once, then the load.
bool openFromShare(Bench::PanelLoad &subject, ReadMeter &meter, const QString &file, double rate)
{
    meter.setRate(rate);
    meter.clear();
    double origin = sinceBootMs();
    const double serial = Bench::rawSerial(probes(file, subject));
    printRuns("the probes one after another", meter.runs(), origin, meter.megabytes());
    std::vector<double> loads, ratios, said;
    double saidMs = -1.0;
    const QMetaObject::Connection waits =
        QObject::connect(&subject.panel(), &PlayerWidget::storageWaitChanged, [&](bool waiting) {
            if (waiting && saidMs < 0.0)
                saidMs = sinceBootMs() - origin;
        });
    for (int i = 0; i < kShareRounds; ++i) {
        meter.clear();
        saidMs = -1.0;
        origin = sinceBootMs();
        loads.push_back(subject.load(file, 1));
        ratios.push_back(loads.back() / serial);
        said.push_back(saidMs / 1000.0);
    }
    QObject::disconnect(waits);
    printRuns("the panel's last load", meter.runs(), origin, meter.megabytes());
    meter.setRate(0.0);
    std::printf("engine runs one after another                %8.3f s\n", serial);
    Bench::printFigure("said it waits on the storage after (-1: not)", said);
    Bench::printFigure("ratio panel / runs one after another", ratios, "");
    return Bench::printGoal("panel load", loads, kShareOpenGoalSeconds, true, " s");
}

} // namespace

int main(int argc, char **argv)
{
    const Bench::PanelBenchApplication application(argc, argv);
    const int runs = application.rounds;
    const QString filmFolder = Bench::optionArgument(argc, argv, "--film");
    const double rate = Bench::optionArgument(argc, argv, "--rate", QString::number(kDefaultShareRate)).toDouble();

    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("movie.avi"));
    if (!make({"-f", "lavfi", "-i", "testsrc=size=640x360:rate=25:duration=10", "-f", "lavfi", "-i",
               "sine=frequency=440:duration=10", "-c:v", "mpeg4", "-c:a", "libmp3lame", file})) {
        std::fprintf(stderr, "could not make the movie with ffmpeg\n");
        return 2;
    }
    QString film;
    if (!filmFolder.isEmpty()) {
        QDir().mkpath(filmFolder);
        film = makeFilm(filmFolder);
        if (film.isEmpty()) {
            std::fprintf(stderr, "could not make the film with ffmpeg in %s\n", qPrintable(filmFolder));
            return 2;
        }
    }

    Bench::PanelLoad subject{PlayerPreferences()};
    ReadMeter aviMeter(folder.path());
    std::printf("a 10 s AVI (MPEG-4 and MP3), three probes\n");
    double megabytes = 0.0;
    bool met = openFromDisk(subject, aviMeter, file, runs, &megabytes);
    if (!film.isEmpty()) {
        ReadMeter filmMeter(QFileInfo(film).path());
        std::printf("\na 1 GB film of an hour (H.264 and AC-3 in Matroska) from the disk, three probes\n");
        met &= openFromDisk(subject, filmMeter, film, runs, &megabytes);
        met &= Bench::printGoal("MB the load read of the film", {megabytes}, kFilmBytesGoalMB, true, " MB");
        std::printf("\nthe same film through a share of %.1f MB/s\n", rate);
        met &= openFromShare(subject, filmMeter, film, rate);
    }
    std::printf("%s\n", met ? "all goals met" : "FAIL: a goal is missed");
    return met ? 0 : 1;
}
