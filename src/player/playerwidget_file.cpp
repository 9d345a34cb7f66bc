// Loading a movie or audio file: MediaInfo and FFprobe decide whether it is media, one
// MPlayer identify run gives the first values, and the two analyses correct them.

#include "player/playerwidget.h"
#include "player/playerlogging.h"

#include "engines/clipinfo.h"
#include "engines/ffprobedata.h"
#include "engines/mediainfodata.h"
#include "engines/picturebounds.h"
#include "engines/player.h"
#include "engines/playeroutputcode.h"
#include "engines/sourcefacts.h"
#include "engines/syncrunner.h"
#include "jobs/console.h"
#include "jobs/valuetext.h"
#include "player/loadprocess.h"
#include "player/progresswidget.h"
#include "player/rendererframe.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>

#include <algorithm>
#include <memory>

namespace {

constexpr int kFileKind = 1;
// Steps of the progress window that a file load takes after its first one.
constexpr int kFileLoadSteps = 9;
// Lengths of one file that differ by less than this are the same.
constexpr double kSameLength = 0.5;

QString simplifiedText(const QByteArray &line)
{
    return QString::fromUtf8(line).simplified();
}

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

// A MediaInfo size "1 920 pixels" as a number; false for a size in any other unit.
bool pixels(const QString &text, int *value)
{
    static const QLatin1String unit(" pixels");
    if (!text.endsWith(unit))
        return false;
    QString number = text.left(text.size() - unit.size());
    number.remove(QLatin1Char(' '));
    *value = number.toInt();
    return true;
}

// The channel count in front of MediaInfo's "Channel(s)" text: "2 channels" and today's
// "1 channel" alike; 0 when the text does not start with a number.
int channelCount(const QString &text)
{
    static const QRegularExpression leading(QStringLiteral("^\\s*(\\d+)"));
    const QRegularExpressionMatch m = leading.match(text);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

// A file that is a bare video stream, which no container times: MediaInfo names the file's
// format as the stream's.
bool isBareStream(const MediaInfoData &report)
{
    const QString format = report.videoFields.value(QStringLiteral("Format"));
    return !format.isEmpty() && format == report.generalFields.value(QStringLiteral("Format"));
}

// A bare stream is timed by its own header. MediaInfo and MPlayer's reader take the timing
// of an H.264 stream for its frame rate, which counts fields: 100 for a stream of 50 frames
// a second, whose 200 frames decode to 4 s at 50. FFprobe's parser reads the frame rate.
// MEncoder reads such a stream at the player's rate unless told the stream's own; where the
// identify run names no rate (the player's bare H.264 reader prints none), the player's is
// MediaInfo's, read from the same header.
void takeBareStreamRate(double probedRate, double identifiedRate, MovieInfo &movie)
{
    movie.frameRate = probedRate;
    if (identifiedRate > 0.0 && qAbs(identifiedRate / probedRate - 1.0) > 0.001)
        movie.playerFrameRate = identifiedRate;
}

// What FFprobe read of an audio stream's own header; a figure it did not find stays as
// the identify run gave it.
void describeAudio(const FFprobeAudioStream &probed, AudioInfo &stream)
{
    if (!probed.codec_name.isEmpty())
        stream.codec = probed.codec_name;
    if (probed.sample_rate > 0)
        stream.samplingRate = probed.sample_rate;
    if (probed.channels > 0)
        stream.channelCount = probed.channels;
    if (probed.bit_rate > 0.0)
        stream.bitrate = probed.bit_rate / 1000.0;
    if (stream.language.isEmpty())
        stream.language = probed.language;
}

// The place among the video streams of the first one that moves, -1 for none: a cover
// picture stored with the sound is none.
int movingPicture(const FFprobeData &probe)
{
    for (int i = 0; i < probe.videoStreams.size(); ++i)
        if (!probe.videoStreams.at(i).attached_pic)
            return i;
    return -1;
}

// A cover picture stored before the moving picture (an MP4 whose tags stand before its
// tracks) is FFmpeg's first video stream: the moving picture's figures are FFprobe's, and
// FFmpeg is told to take it by its place among the video streams in the file's order.
void describeMovingPicture(const FFprobeVideoStream &stream, int place, MovieInfo &movie)
{
    movie.videoId = place;
    movie.width = stream.size.width();
    movie.height = stream.size.height();
    movie.scaledWidth = movie.scaledHeight = 0;
    movie.aspect = stream.display_aspect_ratio;
    movie.frameRate = stream.avg_frame_rate;
    movie.videoBitrate = stream.bit_rate / 1000.0;
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
    identify->setSourceFile(path, kFileKind, false);
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
    // progress window comes on screen; each is read in its turn below, which takes the run
    // already going.
    const SyncRunner::LoadScope scope;
    player->prefetchMediaInfoData(path);
    player->prefetchFFprobeData(path);
    auto run = std::make_unique<LoadProcess>();
    {
        // A facade that logs nothing: the one below logs its set-up where it always did.
        const std::unique_ptr<Player> early = identifyFacade(path, 0);
        QString program;
        QStringList arguments;
        early->cliCmdIdentify(&program, &arguments);
        run->begin(program, arguments, early->cliGetDeinterlace().toUtf8(), preferences.latencyStart,
                   preferences.latencyFinished);
    }
    if (progressWidget) {
        progressWidget->step();
        progressWidget->showPainted();
        progressWidget->extendMaximum(kFileLoadSteps);
    }
    log(tr("Start loading movie."), LogLevel::Normal);

    player->readMediaInfoData(path);
    stepProgress();
    if (mediaInfoDataRecord->videoFields.isEmpty() && mediaInfoDataRecord->audioStreams.isEmpty()) {
        showLoadFailure(failureText, tr("This isn't a valid media file (MediaInfo)."));
        return false;
    }
    player->readFFprobeData(path);
    stepProgress();
    if (ffprobeDataRecord->format_name.isEmpty()) {
        showLoadFailure(failureText, tr("This isn't a valid media file (FFprobe)."));
        return false;
    }

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
    if (!run->runs(program, arguments)) {
        run = std::make_unique<LoadProcess>();
        run->begin(program, arguments, identify.cliGetDeinterlace().toUtf8(), preferences.latencyStart,
                   preferences.latencyFinished);
    }
    if (!run->waitStarted()) {
        showStartFailure(*run, program, failureText, tr("Failed to load movie (process start timed-out)."));
        return false;
    }
    stepProgress();
    if (!run->waitEnded()) {
        log(tr("Failed to stop movie file loading process softly in %1 milliseconds.")
                .arg(preferences.latencyFinished),
            LogLevel::Quiet);
        log(tr("Try to increase player latency (finished) in timing preferences."), LogLevel::Quiet);
        log(tr("Kill movie file loading process."), LogLevel::Verbose);
        log(tr("Send a kill command to movie file loading process."), LogLevel::Verbose);
    }

    stepProgress();
    int errorCount = 0;
    QByteArray line;
    while (run->readLine(QProcess::StandardError, &line)) {
        logStdErr(simplifiedText(line), LogLevel::Normal);
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
    mediaKind = kFileKind;
    movieInfo.reset();
    noVideo = false;
    sourceName = info.completeBaseName();
    titleCount = 0;
    titles.clear();
    AudioInfo currentAudio;
    currentAudio.streamNumber = 1;
    QList<int> soundIds; // every audio id the player named, ascending

    while (run->readLine(QProcess::StandardOutput, &line)) {
        logStdOut(simplifiedText(line), LogLevel::Normal);
        ClipInfo clip;
        clip.kind = kFileKind;
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
    movieInfo.audioCount = int(movieInfo.audioStreams.size());
    movieInfo.subtitleCount = int(movieInfo.subtitleStreams.size());
    correctMovieInfo();

    stepProgress();
    audioPicture->setVisible(movieInfo.audioOnly);
    log(tr("Movie loaded, ready to play [%1].").arg(sourceName), LogLevel::Quiet);
    return true;
}

void PlayerWidget::correctMovieInfo()
{
    MovieInfo &movie = movieInfo;
    const FFprobeData &probe = *ffprobeDataRecord;
    const double identifiedRate = movie.frameRate;
    const int place = movingPicture(probe);
    const FFprobeVideoStream *picture = place >= 0 ? &probe.videoStreams.at(place) : nullptr;
    if (!picture && !probe.videoStreams.isEmpty())
        dropCoverPicture(movie);
    if (picture) {
        const FFprobeVideoStream &stream = *picture;
        if (place > 0)
            describeMovingPicture(stream, place, movie);
        // MPlayer's own reader of an MPEG transport stream of H.264 describes no picture:
        // its size is FFprobe's.
        if ((movie.width <= 0 || movie.height <= 0) && stream.size.width() > 0 && stream.size.height() > 0) {
            movie.width = stream.size.width();
            movie.height = stream.size.height();
        }
        if (stream.codec_name == QLatin1String("mpeg1video")) {
            movie.scaledHeight = movie.height;
            movie.scaledWidth = int(movie.height * 1.33);
        } else if (PictureBounds::displayWidth(movie.height, stream.display_aspect_ratio) > 0) {
            movie.scaledHeight = movie.height;
            movie.scaledWidth = PictureBounds::displayWidth(movie.height, stream.display_aspect_ratio);
        }
        movie.videoFormat = probe.format_name == QLatin1String("avi") && !stream.codec_tag_string.isEmpty()
            ? stream.codec_tag_string
            : stream.codec_name;
    }
    videoSize = movie.displaySize();

    const MediaInfoData &report = *mediaInfoDataRecord;
    const MediaInfoData::Fields &video = report.videoFields;
    if (report.generalFields.contains(QStringLiteral("Format")))
        movie.containerFormat = report.generalFields.value(QStringLiteral("Format"));
    if (!movie.audioOnly && movie.videoBitrate == 0.0) {
        // Read in every unit MediaInfo writes ("1 500 Kbps", today's "213 kb/s", "1.2 Mb/s").
        const double nominal = MediaInfoData::bitRateKbps(video.value(QStringLiteral("Nominal bit rate")));
        movie.videoBitrate = nominal > 0 ? nominal
                                         : MediaInfoData::bitRateKbps(video.value(QStringLiteral("Bit rate")));
    }
    if (!movie.audioOnly && movie.length == 0.0 && video.contains(QStringLiteral("Duration")))
        movie.length = MediaInfoData::durationSeconds(video.value(QStringLiteral("Duration")));
    if (!movie.audioOnly && movie.scaledWidth == 0 && movie.scaledHeight == 0
        && video.contains(QStringLiteral("Width")) && video.contains(QStringLiteral("Height"))) {
        int width = 0;
        int height = 0;
        if (pixels(video.value(QStringLiteral("Width")), &width)
            && pixels(video.value(QStringLiteral("Height")), &height)) {
            movie.width = width;
            movie.height = height;
        } else {
            log(tr("Info: can't parse video rez (width and height not given in pixels)."), LogLevel::Verbose);
        }
    }
    if (video.contains(QStringLiteral("Frame rate"))) {
        static const QRegularExpression rate(QStringLiteral("(\\d+.?\\d*)"),
                                             QRegularExpression::DotMatchesEverythingOption);
        const double value = rate.match(video.value(QStringLiteral("Frame rate"))).captured(1).toDouble();
        if (value > 0)
            movie.frameRate = value;
    }
    // MediaInfo gives no rate where it finds the rate variable (an MPEG transport stream),
    // and MPlayer's own reader of one gives none or twice the true rate: FFprobe's rate of the
    // stream, so that no unknown rate reaches a command as 0.
    // The mean rate: the base rate ("r_frame_rate") of a stream is any rate its times fit.
    if (picture && movie.frameRate <= 0.0)
        movie.frameRate = picture->avg_frame_rate;
    if (picture && picture->avg_frame_rate > 0.0 && isBareStream(report))
        takeBareStreamRate(picture->avg_frame_rate, identifiedRate > 0.0 ? identifiedRate : movie.frameRate, movie);
    if (video.contains(QStringLiteral("Original display aspect ratio")))
        movie.aspectText = video.value(QStringLiteral("Original display aspect ratio"));
    else if (video.contains(QStringLiteral("Display aspect ratio")))
        movie.aspectText = video.value(QStringLiteral("Display aspect ratio"));

    // MPlayer describes only the stream it plays, the first, and that one as decoded (a 5.1
    // stream as two channels): each stream's own rate, channels, bit rate and codec are
    // FFprobe's, its channels MediaInfo's, wherever their lists are the player's.
    const int streams = int(movie.audioStreams.size());
    const bool probed = streams > 0 && streams == probe.audioStreams.size();
    const bool reported = streams > 0 && streams == report.audioStreams.size();
    for (int i = 0; i < streams; ++i) {
        AudioInfo &stream = movie.audioStreams[i];
        if (probed)
            describeAudio(probe.audioStreams.at(i), stream);
        if (!reported)
            continue;
        const MediaInfoData::Fields &section = report.audioStreams.at(i);
        if (section.contains(QStringLiteral("Channel(s)")))
            stream.channelCount = channelCount(section.value(QStringLiteral("Channel(s)")));
        if (section.contains(QStringLiteral("Channel positions")))
            stream.channelPositions = section.value(QStringLiteral("Channel positions"));
    }

    if (!movie.audioOnly && movie.scaledWidth == 0 && movie.scaledHeight == 0) {
        // MPlayer's aspect is read from the file as FFprobe's is: only a sane one counts.
        if (PictureBounds::displayWidth(movie.height, movie.aspect) > 0) {
            movie.scaledHeight = movie.height;
            movie.scaledWidth = PictureBounds::displayWidth(movie.height, movie.aspect);
        } else {
            movie.scaledWidth = movie.width;
            movie.scaledHeight = movie.height;
        }
        videoSize = movie.displaySize();
    }
    applyFacts(movie, place);
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
    // The container's length, as the player's own stands for it; a few hundredths of an
    // encoder's delay apart are the same length.
    const double measured = facts.length > 0.0 ? facts.length : facts.pictureLength;
    if (measured > 0.0 && qAbs(measured - movie.length) > kSameLength) {
        log(tr("Info: the movie lasts %1 as measured.").arg(durationText(measured)), LogLevel::Verbose);
        movie.length = measured;
    }
}

// A file whose only video streams are pictures stored with the sound (an album's cover) is a
// sound file, also where MPlayer reports the picture as video (an M4A's or FLAC's cover, at
// 90000 frames a second): encoded as video it became one frame beside the whole sound.
void PlayerWidget::dropCoverPicture(MovieInfo &movie)
{
    log(tr("Info: the video stream is a picture stored with the sound, the file is played as sound."),
        LogLevel::Verbose);
    movie.audioOnly = true;
    noVideo = true;
    movie.videoFormat.clear();
    movie.colorDepth = 0;
    movie.width = movie.height = 0;
    movie.scaledWidth = movie.scaledHeight = 0;
    movie.aspect = 0.0;
    movie.frameRate = 0.0;
    movie.videoBitrate = 0.0;
}
