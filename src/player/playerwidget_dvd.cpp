// Loading a DVD folder: one MPlayer identify run for the disc, one per title long enough to
// offer, one playback run per audio stream of a title, and MediaInfo on the folder.

#include "player/playerwidget.h"
#include "jobs/nestedloop.h"
#include "player/playerlogging.h"

#include "engines/clipinfo.h"
#include "engines/diskinfo.h"
#include "engines/dvdtitlesets.h"
#include "engines/ffprobedata.h"
#include "engines/interfaceffprobe.h"
#include "engines/sourcefacts.h"
#include "engines/player.h"
#include "engines/playeroutputcode.h"
#include "engines/syncrunner.h"
#include "engines/videoinfo.h"
#include "jobs/console.h"
#include "jobs/valuetext.h"
#include "player/dvdtitleload.h"
#include "player/loadprocess.h"
#include "player/loadscheduler.h"
#include "player/progresswidget.h"
#include "player/rendererframe.h"
#include "player/slowreadwatch.h"

#include <QCoreApplication>
#include <QHash>
#include <QScopedValueRollback>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

// The disc run may take this much longer than the finish latency.
constexpr int kDiscRunExtraMs = 2000;
// The frame-rate codes of a title (23.976 to 60), and how near a film's rate is to a code's.
constexpr int kFrameRateCodes = 8;
constexpr double kSameFilmRate = 0.002;

} // namespace

void PlayerWidget::logDvdStdErr(const QByteArray &line)
{
    logStdErr(DvdTitleLoad::stdErrText(line, verbosity), LogLevel::Normal);
}

bool PlayerWidget::loadDvd(const QString &path)
{
    const QString failureText = tr("Failed to access DVD from:\n%1").arg(path);
    log(tr("Start loading DVD."), LogLevel::Normal);
    qCDebug(lcPlayer) << "PlayerWidget::loadDvd() access DVD and get title number";
    Player dvdPlayer(player->backendType(), mplayerBinPath, mediaInfoBinPath, ffprobeBinPath,
                     stdInConsole, stdOutConsole, stdErrConsole, logConsole, verbosity,
                     preferences.latencyStart, preferences.latencyFinished, preferences.latencyKill);
    dvdPlayer.setBackendBinary(mplayerBinPath);
    dvdPlayer.setSourceDvdTitle(path, VideoInfo::DvdTitle, 1);
    dvdPlayer.disableAudio();
    dvdPlayer.disableVideo();
    dvdPlayer.disableSubtitle();
    DiskInfo disk;
    disk.kind = VideoInfo::DvdTitle;
    disk.titleCount = 0;
    qCDebug(lcPlayer) << "PlayerWidget::loadDvd() reset disk info data";

    const QString windowId = QString::number(renderer->winId());
    QString program;
    QStringList arguments;
    dvdPlayer.setWid(windowId);
    dvdPlayer.cliCmdIdentify(&program, &arguments);
    echoCommand(program, arguments);
    qCDebug(lcPlayer) << "Start DVD loading process" << program << arguments;
    // MediaInfo reads the folder meanwhile; the facade's run at the end takes its answer.
    const SyncRunner::LoadScope scope;
    player->prefetchMediaInfoData(path);
    // The load's engines: the facade's, the disc run and then the title runs going.
    const LoadProcess *disc = nullptr;
    const LoadScheduler *titleRuns = nullptr;
    SlowReadWatch storage([&disc, &titleRuns] {
        QList<qint64> engines = SyncRunner::LoadScope::runningProcessIds();
        if (disc)
            engines << disc->processId();
        if (titleRuns)
            engines << titleRuns->runningProcessIds();
        return engines;
    });
    connect(&storage, &SlowReadWatch::waitingChanged, this, &PlayerWidget::storageWaitChanged);
    {
        LoadProcess run;
        const QScopedValueRollback<const LoadProcess *> watched(disc, &run);
        run.begin(program, arguments, QByteArray(), preferences.latencyStart,
                  preferences.latencyFinished + kDiscRunExtraMs);
        if (!run.waitStarted()) {
            qCDebug(lcPlayer) << "Failed to open DVD [process did not start]";
            showStartFailure(run, program, failureText, tr("Failed to open DVD (process start timed-out)."));
            return false;
        }
        if (!run.waitEnded()) {
            log(tr("Failed to stop open DVD process softly in %1 milliseconds.").arg(preferences.latencyFinished),
                LogLevel::Quiet);
            log(tr("Try to increase player latency (finished) in timing preferences."), LogLevel::Quiet);
            log(tr("Kill open DVD process."), LogLevel::Verbose);
            log(tr("Send a kill command to open DVD process."), LogLevel::Verbose);
        }
        QByteArray line;
        while (run.readLine(QProcess::StandardError, &line))
            logDvdStdErr(line);
        while (run.readLine(QProcess::StandardOutput, &line)) {
            NestedLoop::processEvents("PlayerWidget::loadDvd");
            logStdOut(QString::fromUtf8(line).simplified(), LogLevel::Normal);
            int code = PlayerOutputCode::Ignored;
            if (!dvdPlayer.parseStdoutDisk(line, &code, &disk)) {
                qCDebug(lcPlayer) << "PlayerWidget: failed to parse player output" << line;
                log(tr("Failed to parse player output [%1]").arg(QString::fromUtf8(line)), LogLevel::Normal);
                continue;
            }
            const int current = disk.currentTitle;
            DiskTitle *entry = disk.title(current);
            switch (code) {
            case PlayerOutputCode::DvdTitleCount:
                log(tr("Info: detected %1 titles in the DVD.").arg(disk.titleCount), LogLevel::Quiet);
                break;
            case PlayerOutputCode::DvdVolumeId:
                log(tr("Info: detected DVD volume identifier (%1).").arg(disk.volumeId), LogLevel::Verbose);
                break;
            case PlayerOutputCode::ChapterCount:
                if (entry)
                    log(tr("Info: detected %1 chapters in title %2.").arg(entry->chapters).arg(current),
                        LogLevel::Verbose);
                break;
            case PlayerOutputCode::AngleCount:
                if (entry)
                    log(tr("Info: detected %1 angle(s) in title %2.").arg(entry->angles).arg(current),
                        LogLevel::Verbose);
                break;
            case PlayerOutputCode::Length: {
                if (!entry)
                    break;
                stepProgress();
                entry->ignored = preferences.ignoreShortTitles && preferences.titleMinimumLength > entry->length;
                const DiskTitle *main = disk.title(disk.mainTitle);
                if (!main || entry->length > main->length)
                    disk.mainTitle = current;
                if (entry->ignored)
                    log(tr("Info: title %1 will be ignored because too short [%2].")
                            .arg(current)
                            .arg(durationText(entry->length)),
                        LogLevel::Quiet);
                else
                    log(tr("Info: detected DVD title %1 [%2].").arg(current).arg(durationText(entry->length)),
                        LogLevel::Quiet);
                break;
            }
            default:
                break;
            }
        }
    }

    if (disk.titleCount < 1) {
        log(tr("Can't get DVD title number."), LogLevel::Quiet);
        showLoadFailure(failureText, tr("Player engine couldn't get DVD title number."));
        return false;
    }

    // A count beyond what a DVD can hold names titles no answer can describe: only the
    // titles the disc record holds are loaded.
    titleCount = qMin(disk.titleCount, int(DiskInfo::MaxTitles));
    mediaKind = disk.kind;
    mainTitle = disk.mainTitle;
    sourceName = disk.volumeId;
    titles.clear();
    movieInfo.reset();
    noVideo = false;
    // A DVD folder authored on disk has no volume identifier: it is known by its path.
    if (sourceName.isEmpty())
        sourceName = path;
    log(tr("Start loading all DVD titles."), LogLevel::Verbose);
    if (progressWidget)
        progressWidget->extendMaximum(titleCount + 2);

    // Every title is read side by side with the others; each is shown in title order. The
    // scheduler goes first, so that the runs that end with the loads start no others.
    std::vector<std::unique_ptr<DvdTitleLoad>> titleLoads(titleCount + 1);
    LoadScheduler scheduler;
    const QScopedValueRollback<const LoadScheduler *> watchedTitles(titleRuns, &scheduler);
    startDvdTitleLoads(dvdPlayer, path, disk, windowId, scheduler, titleLoads);
    for (int n = 1; n <= titleCount; ++n) {
        if (dvdLoadAborted) {
            log(tr("Loading DVD aborted by user."), LogLevel::Quiet);
            delete progressWidget;
            progressWidget = nullptr;
            return false;
        }
        stepProgress();
        if (!showDvdTitle(*disk.title(n), n, titleLoads[n].get()))
            return false;
        titleLoads[n].reset();
    }

    stepProgress();
    measureDvdFields(path);
    if (mainTitle >= 1 && mainTitle <= titles.size())
        videoSize = titles.at(mainTitle - 1).displaySize();
    player->readMediaInfoData(path);
    stepProgress();

    const bool anyTitle = std::any_of(titles.cbegin(), titles.cend(),
                                      [](const TitleInfo &title) { return !title.ignored; });
    if (!anyTitle) {
        log(tr("Failed to load DVD (try slower timing preferences or rip on hard-drive first)"), LogLevel::Quiet);
        showNoTitleFailure(path, disk);
        return false;
    }
    log(tr("DVD loaded, ready to play [%1].").arg(sourceName), LogLevel::Quiet);
    stepProgress();
    return true;
}

// Each offered title's field order and shapes, as FFprobe finds them in the first video object
// file of the title's set (the identify run tells neither, nor where a recorder's title turns
// from 4:3 to 16:9): a TV recording's interlaced fields are kept when its frame is, and made
// whole otherwise. Film whose pictures repeat fields (an NTSC film disc's) is encoded at the
// film's rate, where the identify run names the rate its fields are shown at. A set is read once, however many titles share it.
void PlayerWidget::measureDvdFields(const QString &path)
{
    const QString folder = DvdTitleSets::videoFolder(path);
    const QByteArray manager = DvdTitleSets::managerBytes(folder);
    QHash<int, SourceFacts> measured; // title set to what its first file shows
    for (TitleInfo &title : titles) {
        const int set = title.ignored ? 0 : DvdTitleSets::titleSetOf(manager, title.number);
        if (set < 1)
            continue;
        if (!measured.contains(set)) {
            const QString first = DvdTitleSets::firstVideoObject(folder, set);
            player->readFFprobeData(first);
            player->readFFprobeSamples(first, InterfaceFFprobe::FieldSample);
            measured.insert(set, SourceFacts::measure(*ffprobeDataRecord, 0));
        }
        const SourceFacts &facts = measured.value(set);
        title.facts.fieldOrder = facts.fieldOrder;
        title.facts.shapes = facts.shapes;
        if (title.facts.interlaced())
            log(tr("Info: the pictures of title %1 are interlaced (field order %2).")
                    .arg(title.number)
                    .arg(title.facts.fieldOrder),
                LogLevel::Verbose);
        if (facts.repeatFields)
            takeFilmRate(title, facts.frameRate);
    }
}

void PlayerWidget::takeFilmRate(TitleInfo &title, double filmRate)
{
    log(tr("Info: title %1 is film at %2 fps whose pictures repeat fields to be shown at %3 fps.")
            .arg(title.number)
            .arg(frameRateNumberText(filmRate), frameRateText(title.frameRateCode)),
        LogLevel::Verbose);
    title.facts.repeatFields = true;
    title.facts.frameRate = filmRate;
    // The code of the nearest rate: 24 lies a thousandth from 23.976.
    double nearest = kSameFilmRate;
    for (int code = 1; code <= kFrameRateCodes; ++code) {
        const double apart = std::abs(frameRateValue(code) / filmRate - 1.0);
        if (apart < nearest) {
            nearest = apart;
            title.frameRateCode = code;
        }
    }
}

// Nothing is left to offer: the user is told why, and for titles the short-title filter
// took, which limit did it and where it is changed.
void PlayerWidget::showNoTitleFailure(const QString &path, const DiskInfo &disk)
{
    double longest = 0.0;
    bool allTooShort = titleCount > 0;
    for (int n = 1; n <= titleCount; ++n) {
        const DiskTitle *entry = disk.title(n);
        allTooShort = allTooShort && entry && entry->ignored;
        if (entry)
            longest = std::max(longest, entry->length);
    }
    const QString failure = tr("Failed to load DVD from:\n%1").arg(path);
    if (!allTooShort) {
        showLoadFailure(failure, tr("The player engine could not read any title of this DVD. Try slower "
                                    "timing preferences or rip it on hard-drive first."));
        return;
    }
    showLoadFailure(failure,
                    tr("Every title of this DVD is shorter than the short-title limit of %1 seconds (the "
                       "longest lasts %2), so none is offered. Lower the limit or untick it in Options > "
                       "Preferences, General tab, DVD preferences: \"Short titles to ignore\".")
                        .arg(QString::number(preferences.titleMinimumLength, 'g', 6), durationText(longest)));
}

// Begins the runs of every title that is long enough to offer; the scheduler starts them
// as places are free, the first titles first.
void PlayerWidget::startDvdTitleLoads(Player &dvdPlayer, const QString &path, const DiskInfo &disk,
                                      const QString &windowId, LoadScheduler &scheduler,
                                      std::vector<std::unique_ptr<DvdTitleLoad>> &loads)
{
    DvdTitleLoad::Settings settings;
    settings.verbosity = verbosity;
    settings.latencyStart = preferences.latencyStart;
    settings.latencyFinished = preferences.latencyFinished;
    settings.maxLoadErrorLines = preferences.maxLoadErrorLines;
    settings.identifyInput = dvdPlayer.cliGetDeinterlace().toUtf8();
    settings.playInput = dvdPlayer.cliQuit().toUtf8();
    for (int n = 1; n <= titleCount; ++n) {
        const TitleInfo record = dvdTitleRecord(*disk.title(n), n);
        if (record.ignored)
            continue;
        dvdPlayer.setSourceDvdTitle(path, VideoInfo::DvdTitle, n);
        dvdPlayer.setWid(windowId);
        DvdTitleLoad::Command identify;
        dvdPlayer.cliCmdIdentify(&identify.program, &identify.arguments);
        DvdTitleLoad::Command play;
        dvdPlayer.cliPlay(&play.program, &play.arguments, 0, 0, 0, 0);
        loads[n] = std::make_unique<DvdTitleLoad>(record, identify, play, settings, &dvdPlayer, &scheduler);
    }
}

TitleInfo PlayerWidget::dvdTitleRecord(const DiskTitle &entry, int n)
{
    TitleInfo record;
    record.number = n;
    record.length = entry.length;
    record.ignored = entry.ignored;
    record.chapters = entry.chapters;
    record.angles = entry.angles;
    return record;
}

// Adds title n to the panel once its runs are over, with what they wrote to the consoles.
// False when the program is told to quit meanwhile.
bool PlayerWidget::showDvdTitle(const DiskTitle &entry, int n, DvdTitleLoad *load)
{
    qCDebug(lcPlayer) << "Create title info data structure for title" << n;
    audioIndex = 0;
    titles.append(dvdTitleRecord(entry, n));
    if (!load)
        return true;
    // Told while the title's runs may still go, so that a user who stops the load meanwhile
    // sees which title ends it.
    log(tr("Load DVD title %1.").arg(n), LogLevel::Verbose);
    echoCommand(load->identifyCommand().program, load->identifyCommand().arguments);
    if (!load->waitDone())
        return false;
    for (const DvdTitleLoad::ConsoleLine &line : load->consoleLines()) {
        switch (line.channel) {
        case DvdTitleLoad::Channel::Log:
            log(line.text, line.level);
            break;
        case DvdTitleLoad::Channel::StdOut:
            logStdOut(line.text, line.level);
            break;
        case DvdTitleLoad::Channel::StdErr:
            logStdErr(line.text, line.level);
            break;
        }
    }
    titles.last() = load->title();
    audioIndex = load->lastAudioIndex();
    return true;
}
