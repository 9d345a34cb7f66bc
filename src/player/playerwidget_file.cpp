// Loading a movie or audio file: MediaInfo and FFprobe decide whether it is media, one
// MPlayer identify run gives the first values, and the two analyses correct them.

#include "player/playerwidget.h"
#include "player/playerlogging.h"

#include "engines/clipinfo.h"
#include "engines/ffprobedata.h"
#include "engines/interfaceffprobe.h"
#include "engines/mediainfodata.h"
#include "engines/picturebounds.h"
#include "engines/player.h"
#include "engines/playeroutputcode.h"
#include "engines/sourcefacts.h"
#include "engines/syncrunner.h"
#include "engines/videoinfo.h"
#include "jobs/console.h"
#include "jobs/valuetext.h"
#include "player/loadprocess.h"
#include "player/moviecorrection.h"
#include "player/progresswidget.h"
#include "player/rendererframe.h"
#include "player/slowreadwatch.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>

#include <algorithm>
#include <memory>

namespace {

// Steps of the progress window that a file load takes after its first one.
constexpr int kFileLoadSteps = 9;
// Lengths of one file that differ by less than this are the same.
constexpr double kSameLength = 0.5;
// What a file's analysis is completed with.
constexpr int kFileSamples =
    InterfaceFFprobe::FieldSample | InterfaceFFprobe::RateSample | InterfaceFFprobe::SoundRateSample;

// The identify answers that describe the whole movie, applied to the record as they come.
void applyMovieAnswer(int code, const ClipInfo &clip, MovieInfo &movie)
{
    switch (code) {
    case PlayerOutputCode::VideoCodec:
        movie.videoFormat = clip.videoFormat;
        break;
    case PlayerOutputCode::Length:
        movie.length = clip.length;
        break;
    case PlayerOutputCode::MovieAspect:
        movie.aspect = clip.aspect;
        break;
    case PlayerOutputCode::ScaledResolution:
        movie.scaledWidth = clip.scaledWidth;
        movie.scaledHeight = clip.scaledHeight;
        break;
    case PlayerOutputCode::VideoStream:
        movie.videoFormat = clip.videoFormat;
        movie.colorDepth = clip.colorDepth;
        movie.width = clip.width;
        movie.height = clip.height;
        movie.aspect = clip.aspect;
        movie.frameRate = clip.frameRate;
        movie.videoBitrate = clip.videoBitrate;
        break;
    default:
        break;
    }
}

AudioInfo streamOf(const AudioInfo &answer)
{
    AudioInfo stream;
    stream.streamNumber = answer.streamNumber;
    stream.aid = answer.aid;
    stream.format = answer.format;
    stream.channels = answer.channels;
    stream.language = answer.language;
    stream.description = answer.description;
    return stream;
}

// The common shapes' names and the names of the same shapes turned a quarter.
struct TurnedShape
{
    const char *name, *turned;
};
const TurnedShape kTurnedShapes[] = {{"4:3", "3:4"}, {"16:9", "9:16"}, {"3:4", "4:3"}, {"9:16", "16:9"}};

// A picture that a player turns a quarter (a phone's portrait video stored in landscape) is
// described, played and encoded as it is shown: its sides and its shape turn with it.
void turnQuarter(MovieInfo &movie)
{
    std::swap(movie.width, movie.height);
    std::swap(movie.scaledWidth, movie.scaledHeight);
    if (movie.aspect > 0.0)
        movie.aspect = 1.0 / movie.aspect;
    QString turned;
    for (const TurnedShape &shape : kTurnedShapes) {
        if (movie.aspectText == QLatin1String(shape.name))
            turned = QLatin1String(shape.turned);
    }
    movie.aspectText = turned;
}

} // namespace

// The private facade of an identify run of the file, set up for that run.
std::unique_ptr<Player> PlayerWidget::identifyFacade(const QString &path, int logLevel) const
{
    auto identify = std::make_unique<Player>(player->backendType(), mplayerBinPath, mediaInfoBinPath,
                                             ffprobeBinPath, stdInConsole, stdOutConsole, stdErrConsole,
                                             logConsole, logLevel, preferences.latencyStart,
                                             preferences.latencyFinished, preferences.latencyKill);
    identify->setBackendBinary(mplayerBinPath);
    identify->setSourceFile(path, VideoInfo::MediaFile, false);
    identify->disableAudio();
    identify->disableVideo();
    identify->disableSubtitle();
    const WId windowId = renderer->winId();
    qCDebug(lcPlayer) << "PlayerWidget: set Player Wid" << windowId;
    identify->setWid(QString::number(windowId));
    return identify;
}

bool PlayerWidget::loadFile(const QString &path)
{
    const QString failureText = tr("Failed to load movie from:\n%1").arg(path);
    const QFileInfo info(path);
    if (!info.exists()) {
        showLoadFailure(failureText, tr("This path doesn't exist."));
        return false;
    }
    if (!info.isFile()) {
        showLoadFailure(failureText, tr("This isn't a valid file."));
        return false;
    }
    // MediaInfo, FFprobe and the identify run go side by side from here, also while the
    // progress window comes on screen, and FFprobe's sample runs from the moment its answer is
    // in; each is read in its turn below, which takes the run already going.
    const SyncRunner::LoadScope scope;
    player->prefetchMediaInfoData(path);
    player->prefetchFFprobeData(path, kFileSamples);
    auto run = std::make_unique<LoadProcess>();
    {
        // A facade that logs nothing: the one below logs its set-up where it always did.
        const std::unique_ptr<Player> early = identifyFacade(path, 0);
        QString program;
        QStringList arguments;
        early->cliCmdIdentify(&program, &arguments);
        run->begin(program, arguments, early->cliGetDeinterlace().toUtf8(), preferences.latencyStart,
                   preferences.latencyFinished, true);
    }
    // The load's engines: those the facade runs, and the identify run (asked again, it is another).
    SlowReadWatch storage([&run] {
        QList<qint64> engines = SyncRunner::LoadScope::runningProcessIds();
        if (run && run->processId() > 0)
            engines << run->processId();
        return engines;
    });
    connect(&storage, &SlowReadWatch::waitingChanged, this, &PlayerWidget::storageWaitChanged);
    if (progressWidget) {
        progressWidget->step();
        progressWidget->showPainted();
        progressWidget->extendMaximum(kFileLoadSteps);
    }
    log(tr("Start loading movie."), LogLevel::Normal);

    // An analysis that did not answer in time (asked twice, on a busy machine, a cold disk or
    // a network share) says nothing of the file: the other one judges it, and the load says
    // what could not be learnt.
    player->readMediaInfoData(path);
    stepProgress();
    // An analysis that was stopped from outside (a user's "kill") did not answer either.
    const QString mediaInfoStop = player->analysisStoppedBy(Player::MediaInfoUtility);
    const bool mediaInfoLate = player->analysisLate(Player::MediaInfoUtility) || !mediaInfoStop.isEmpty();
    const bool mediaInfoEmpty = mediaInfoDataRecord->videoFields.isEmpty() && mediaInfoDataRecord->audioStreams.isEmpty();
    if (mediaInfoEmpty && !mediaInfoLate) {
        showLoadFailure(failureText, tr("This isn't a valid media file (MediaInfo)."));
        return false;
    }
    player->readFFprobeData(path);
    stepProgress();
    const QString ffprobeStop = player->analysisStoppedBy(Player::FFprobeUtility);
    const bool ffprobeLate = player->analysisLate(Player::FFprobeUtility) || !ffprobeStop.isEmpty();
    if (ffprobeDataRecord->format_name.isEmpty() && (!ffprobeLate || mediaInfoEmpty)) {
        showLoadFailure(failureText, ffprobeLate ? tr("Neither MediaInfo nor FFprobe answered in time: try again, or "
                                                      "increase player latency (finished) in timing preferences.")
                                                 : tr("This isn't a valid media file (FFprobe)."));
        return false;
    }
    // What kept an analysis from answering: "MediaInfo did not answer in time", or that it was stopped.
    const auto unanswered = [this](const char *name, const QString &stop) {
        return stop.isEmpty() ? tr("%1 did not answer in time").arg(QLatin1String(name))
                              : tr("%1 was stopped from outside (%2)").arg(QLatin1String(name), stop);
    };
    if (mediaInfoLate)
        noteLoad(tr("%1: what it tells of the file is missing.").arg(unanswered("MediaInfo", mediaInfoStop)));
    if (ffprobeDataRecord->format_name.isEmpty())
        noteLoad(tr("%1: the picture's turn, fields and frame rate and the streams' start times are unknown, and "
                    "MEncoder is not used for this file.").arg(unanswered("FFprobe", ffprobeStop)));
    // What the analysis leaves unsaid of the picture (its fields, its rate after the first
    // seconds) is read side by side with the identify run: started already where the analysis
    // ended before this.
    player->prefetchFFprobeSamples(path, kFileSamples);

    // The identify run, through a facade of its own so that the panel's playback settings
    // stay as they are.
    stepProgress();
    const std::unique_ptr<Player> identifyPlayer = identifyFacade(path, verbosity);
    Player &identify = *identifyPlayer;
    QString program;
    QStringList arguments;
    identify.cliCmdIdentify(&program, &arguments);
    echoCommand(program, arguments);
    stepProgress();
    qCDebug(lcPlayer) << "Start movie file loading process" << program << arguments;
    const QByteArray input = identify.cliGetDeinterlace().toUtf8();
    if (!run->runs(program, arguments)) {
        run = std::make_unique<LoadProcess>();
        run->begin(program, arguments, input, preferences.latencyStart, preferences.latencyFinished, true);
    }
    // A run that did not start or end in time is asked once more with longer time-outs: its
    // answer, cut or missing, would leave the file undescribed.
    if (!run->waitStarted() && !run->couldNotStart()) {
        run = askIdentifyAgain(program, arguments, input);
        run->waitStarted();
    }
    if (!run->hasStarted()) {
        showStartFailure(*run, program, failureText, tr("Failed to load movie (process start timed-out)."));
        return false;
    }
    stepProgress();
    if (!run->waitEnded()) {
        run = askIdentifyAgain(program, arguments, input);
        if (run->waitStarted() && !run->waitEnded()) {
            log(tr("Failed to stop movie file loading process softly in %1 milliseconds.")
                    .arg(preferences.latencyFinished * SyncRunner::AgainFactor),
                LogLevel::Quiet);
            log(tr("Try to increase player latency (finished) in timing preferences."), LogLevel::Quiet);
            log(tr("Kill movie file loading process."), LogLevel::Verbose);
            log(tr("Send a kill command to movie file loading process."), LogLevel::Verbose);
            noteLoad(tr("MPlayer did not answer in time: the file's description may be incomplete."));
        }
    }

    stepProgress();
    int errorCount = 0;
    QByteArray line;
    while (run->readLine(QProcess::StandardError, &line)) {
        logStdErr(QString::fromUtf8(line).simplified(), LogLevel::Normal);
        int code = PlayerOutputCode::Ignored;
        QString text;
        identify.parseStderr(line, &code, &text);
        if (code == PlayerOutputCode::FileNotFound) {
            qCDebug(lcPlayer) << "PlayerWidget: detected movie file not found";
            log(tr("Movie not loaded, file not found."), LogLevel::Quiet);
            showLoadFailure(failureText, tr("File not found by player engine."));
            return false;
        }
        // The warnings every run of the Linux build prints are no errors of this file.
        if (code == PlayerOutputCode::PlatformNoise)
            continue;
        if (errorCount > preferences.maxLoadErrorLines) {
            qCDebug(lcPlayer) << "PlayerWidget: too many errors while loading file";
            log(tr("Movie not loaded, too many player backend errors."), LogLevel::Quiet);
            showLoadFailure(failureText, tr("Too many player backend errors."));
            return false;
        }
        ++errorCount;
    }
    qCDebug(lcPlayer) << "PlayerWidget::loadFile() error count:" << errorCount;

    stepProgress();
    qCDebug(lcPlayer) << "PlayerWidget::loadFile() reset movie and DVD info data";
    mediaKind = VideoInfo::MediaFile;
    movieInfo.reset();
    noVideo = false;
    sourceName = info.completeBaseName();
    titleCount = 0;
    titles.clear();
    AudioInfo currentAudio;
    currentAudio.streamNumber = 1;
    QList<int> soundIds; // every audio id the player named, ascending
    QList<SubtitleInfo> namedSubtitles; // and the subtitles it named by id and format alone

    while (run->readLine(QProcess::StandardOutput, &line)) {
        logStdOut(QString::fromUtf8(line).simplified(), LogLevel::Normal);
        ClipInfo clip;
        clip.kind = VideoInfo::MediaFile;
        int code = PlayerOutputCode::Ignored;
        if (!identify.parseStdoutClip(line, &code, &clip)) {
            qCDebug(lcPlayer) << "PlayerWidget: failed to parse player output" << line;
            log(tr("Failed to parse player output [%1]").arg(QString::fromUtf8(line)), LogLevel::Normal);
            continue;
        }
        applyMovieAnswer(code, clip, movieInfo);
        const AudioInfo &answer = clip.audio;
        switch (code) {
        case PlayerOutputCode::VideoCodec:
            log(tr("Info: detected video codec [%1].").arg(clip.videoFormat), LogLevel::Verbose);
            break;
        case PlayerOutputCode::Length:
            log(tr("Info: detected movie length [%1].").arg(durationText(clip.length)), LogLevel::Verbose);
            break;
        case PlayerOutputCode::MovieAspect:
            log(tr("Info: detected movie aspect ratio [%1].").arg(twoDecimalsText(clip.aspect)),
                LogLevel::Verbose);
            break;
        case PlayerOutputCode::ScaledResolution:
            log(tr("Info: detected movie scaled resolution [%1x%2].")
                    .arg(clip.scaledWidth)
                    .arg(clip.scaledHeight),
                LogLevel::Verbose);
            break;
        case PlayerOutputCode::AudioStream:
            movieInfo.audioStreams.append(streamOf(answer));
            log(tr("Info: detected audio stream %1 in this movie - id #%2 language %3 \"%4\" format %5 channels \"%6\".")
                    .arg(answer.streamNumber)
                    .arg(answer.aid)
                    .arg(answer.language, answer.description, answer.format, answer.channels),
                LogLevel::Verbose);
            break;
        case PlayerOutputCode::AudioDetails:
            if (movieInfo.audioStreams.isEmpty())
                break;
            movieInfo.audioStreams.first().samplingRate = answer.samplingRate;
            movieInfo.audioStreams.first().bitrate = answer.bitrate;
            movieInfo.audioStreams.first().channelCount = answer.channelCount;
            log(tr("Info: detected audio main stream details - %1 Hz %2 kbps %3 ch.")
                    .arg(answer.samplingRate)
                    .arg(answer.bitrate)
                    .arg(answer.channelCount),
                LogLevel::Verbose);
            break;
        case PlayerOutputCode::SubtitleStream: {
            SubtitleInfo subtitle;
            subtitle.streamNumber = clip.subtitle.streamNumber;
            subtitle.sid = clip.subtitle.sid;
            subtitle.format = clip.subtitle.format;
            subtitle.language = clip.subtitle.language;
            subtitle.description = clip.subtitle.description;
            movieInfo.subtitleStreams.append(subtitle);
            log(tr("Info: detected subtitle %1 in this movie - language %2.")
                    .arg(subtitle.sid)
                    .arg(subtitle.language),
                LogLevel::Verbose);
            break;
        }
        case PlayerOutputCode::AudioOnlyFile:
            movieInfo.audioOnly = clip.audioOnly;
            noVideo = clip.audioOnly;
            log(tr("Info: detected audio file."), LogLevel::Verbose);
            break;
        case PlayerOutputCode::AudioBitrate:
            currentAudio.bitrate = answer.bitrate;
            log(tr("Info: detected audio bitrate [%1].").arg(oneDecimalText(answer.bitrate)),
                LogLevel::Verbose);
            break;
        case PlayerOutputCode::AudioId:
            currentAudio.aid = answer.aid;
            if (answer.aid >= 0 && !soundIds.contains(answer.aid))
                soundIds.insert(std::lower_bound(soundIds.begin(), soundIds.end(), answer.aid), answer.aid);
            log(tr("Info: detected audio ID [%1].").arg(answer.aid), LogLevel::Verbose);
            break;
        case PlayerOutputCode::SubtitleId:
            namedSubtitles << clip.subtitle;
            namedSubtitles.last().streamNumber = int(namedSubtitles.size());
            break;
        case PlayerOutputCode::AudioSamplingRate:
            currentAudio.samplingRate = answer.samplingRate;
            log(tr("Info: detected audio sampling [%1 Hz].").arg(answer.samplingRate), LogLevel::Verbose);
            break;
        case PlayerOutputCode::AudioChannelCount:
            currentAudio.channelCount = answer.channelCount;
            log(tr("Info: detected audio channel number [%1].").arg(answer.channelCount),
                LogLevel::Verbose);
            break;
        case PlayerOutputCode::AudioFormat: {
            // A bare number is a format tag no name was found for: it names nothing.
            static const QRegularExpression digits(QStringLiteral("^\\d+$"));
            if (digits.match(answer.format).hasMatch())
                break;
            currentAudio.format = answer.format;
            if (!movieInfo.audioStreams.isEmpty())
                movieInfo.audioStreams.first().format = answer.format;
            log(tr("Info: detected audio format [%1].").arg(answer.format), LogLevel::Verbose);
            break;
        }
        case PlayerOutputCode::AudioCodec:
            currentAudio.codec = answer.codec;
            if (!movieInfo.audioStreams.isEmpty())
                movieInfo.audioStreams.first().codec = answer.codec;
            log(tr("Info: detected audio codec [%1].").arg(answer.codec), LogLevel::Verbose);
            break;
        case PlayerOutputCode::VideoStream: {
            QString format = clip.videoFormat;
            if (clip.colorDepth > 0)
                format += tr(" %1bpp").arg(clip.colorDepth);
            if (clip.aspect > 0)
                log(tr("Info: detected video format %1 [%2x%3 (%4) %5 fps %6 kbps].")
                        .arg(format)
                        .arg(clip.width)
                        .arg(clip.height)
                        .arg(twoDecimalsText(clip.aspect), frameRateNumberText(clip.frameRate),
                             oneDecimalText(clip.videoBitrate)),
                    LogLevel::Verbose);
            else
                log(tr("Info: detected video format %1 [%2x%3 %4 fps %5 kbps].")
                        .arg(format)
                        .arg(clip.width)
                        .arg(clip.height)
                        .arg(frameRateNumberText(clip.frameRate), oneDecimalText(clip.videoBitrate)),
                    LogLevel::Verbose);
            break;
        }
        default:
            break;
        }
    }
    run.reset();
    stepProgress();

    // The player may describe its sound without listing it as a stream; a file it found no
    // sound in has none.
    // Its own transport stream reader names each track's id (the one it plays first, out of
    // order) without listing them: each is a track, in the order of their ids, which is the
    // order of the other engines' lists; FFprobe describes each below.
    const bool sound = currentAudio.aid >= 0 || currentAudio.samplingRate > 0 || !currentAudio.codec.isEmpty();
    if (movieInfo.audioStreams.isEmpty() && soundIds.size() > 1) {
        for (int i = 0; i < soundIds.size(); ++i) {
            AudioInfo track;
            track.streamNumber = i + 1;
            track.aid = soundIds.at(i);
            movieInfo.audioStreams.append(track);
        }
    }
    if (movieInfo.audioStreams.isEmpty() && sound)
        movieInfo.audioStreams.append(currentAudio);
    // So it names a transport stream's subtitle (a DVB recording's), before any of its packets.
    if (movieInfo.subtitleStreams.isEmpty())
        movieInfo.subtitleStreams = namedSubtitles;
    movieInfo.audioCount = int(movieInfo.audioStreams.size());
    movieInfo.subtitleCount = int(movieInfo.subtitleStreams.size());
    player->readFFprobeSamples(path, kFileSamples);
    correctMovieInfo();

    stepProgress();
    audioPicture->setVisible(movieInfo.audioOnly);
    log(tr("Movie loaded, ready to play [%1].").arg(sourceName), LogLevel::Quiet);
    return true;
}

std::unique_ptr<LoadProcess> PlayerWidget::askIdentifyAgain(const QString &program, const QStringList &arguments,
                                                            const QByteArray &input)
{
    log(tr("MPlayer did not answer in time; it is asked again with longer time-outs."), LogLevel::Normal);
    auto again = std::make_unique<LoadProcess>();
    again->begin(program, arguments, input, preferences.latencyStart * SyncRunner::AgainFactor,
                 preferences.latencyFinished * SyncRunner::AgainFactor, true);
    return again;
}

void PlayerWidget::noteLoad(const QString &note)
{
    log(note, LogLevel::Quiet);
    m_loadNotes << note;
}

void PlayerWidget::correctMovieInfo()
{
    const MovieCorrection::Notes notes =
        MovieCorrection::apply(movieInfo, *ffprobeDataRecord, *mediaInfoDataRecord);
    if (notes.coverDropped) {
        log(tr("Info: the video stream is a picture stored with the sound, the file is played as sound."),
            LogLevel::Verbose);
        noVideo = true;
    }
    if (notes.sizeUnread)
        log(tr("Info: can't parse video rez (width and height not given in pixels)."), LogLevel::Verbose);
    videoSize = movieInfo.displaySize();
    applyFacts(movieInfo, notes.picture);
}

// What FFprobe measured corrects what the identify run gave: a picture turned for display,
// a rate that varies, and a length the player only estimates (a transport stream's, read
// from its first packets' bit rate).
void PlayerWidget::applyFacts(MovieInfo &movie, int picture)
{
    movie.facts = SourceFacts::measure(*ffprobeDataRecord, movie.audioOnly ? -1 : picture);
    const SourceFacts &facts = movie.facts;
    if (!facts.measured)
        return;
    if (!movie.audioOnly && facts.sideways()) {
        log(tr("Info: the picture is shown turned by %1 degrees.").arg(facts.rotation), LogLevel::Verbose);
        turnQuarter(movie);
        videoSize = movie.displaySize();
    }
    if (!movie.audioOnly && facts.variableRate && facts.frameRate > 0.0) {
        log(tr("Info: the frame rate varies, %1 fps on average.").arg(frameRateNumberText(facts.frameRate)),
            LogLevel::Verbose);
        movie.frameRate = facts.frameRate;
    }
    // The player names the rate its repeated fields are shown at (29.97), and MediaInfo times
    // its pictures so (4.8 s of 6).
    if (!movie.audioOnly && facts.repeatFields) {
        log(tr("Info: film at %1 fps, its pictures flagged to repeat fields.").arg(frameRateNumberText(facts.frameRate)),
            LogLevel::Verbose);
        movie.frameRate = facts.frameRate;
    }
    // A file that stops short of the length its header declares is described, played and
    // encoded as far as it goes; the user learns why it is shorter than it says.
    if (facts.cutShort())
        noteLoad(tr("The file stops at %1 s of the %2 s its header declares: it was cut short (a recording that "
                    "stopped, a download that did not finish).")
                     .arg(secondsText(facts.length), secondsText(facts.declaredLength)));
    // The container's length, as the player's own stands for it; a few hundredths of an
    // encoder's delay apart are the same length.
    const double measured = facts.length > 0.0 ? facts.length : facts.pictureLength;
    if (measured > 0.0 && (qAbs(measured - movie.length) > kSameLength || (facts.repeatFields && measured != movie.length))) {
        log(tr("Info: the movie lasts %1 as measured.").arg(durationText(measured)), LogLevel::Verbose);
        movie.length = measured;
    }
}
