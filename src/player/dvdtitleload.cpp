// Reading one DVD title: its identify run, then a playback run per audio stream, each
// read as the panel read them one after another; the lines for the consoles are kept for
// the panel.

#include "player/dvdtitleload.h"
#include "jobs/nestedloop.h"
#include "player/playerlogging.h"

#include "engines/clipinfo.h"
#include "engines/player.h"
#include "engines/playeroutputcode.h"
#include "engines/videoinfo.h"
#include "jobs/console.h"
#include "jobs/valuetext.h"
#include "player/loadscheduler.h"
#include "player/playerwidget.h"

#include <QEventLoop>

namespace {

// A title run is waited for this long whatever the preferences say.
constexpr int kTitleRunMs = 10000;

// What a title run must have told before its answers are complete.
struct TitleMarks
{
    bool video = false;
    bool scaledSize = false;
    bool chapters = false;
    bool audioCount = false;
    bool subtitleCount = false;

    bool complete(const TitleInfo &title) const
    {
        return video && scaledSize && chapters && audioCount && subtitleCount
               && title.audioStreams.size() == title.audioCount
               && title.subtitleStreams.size() == title.subtitleCount;
    }
};


// Applies one answer of a title run to the title and its marks; returns the line to log
// (empty for none).
QString applyTitleAnswer(int code, const ClipInfo &clip, int n, TitleInfo &title, TitleMarks &marks)
{
    switch (code) {
    case PlayerOutputCode::FileFormat:
        title.fileFormat = clip.fileFormat;
        return PlayerWidget::tr("Info: detected this DVD title file format [%1].").arg(clip.fileFormat);
    case PlayerOutputCode::VideoStream:
        title.videoFormat = clip.videoFormat;
        title.width = clip.width;
        title.height = clip.height;
        title.aspectCode = clip.aspectCode;
        title.frameRateCode = clip.frameRateCode;
        title.videoBitrate = clip.videoBitrate;
        marks.video = clip.width != 0 || clip.height != 0;
        return PlayerWidget::tr("Info: detected video stream %1 in this DVD title - resolution %2x%3 aspect %4 (%5) %6 fps %7 kbps.")
            .arg(clip.videoFormat)
            .arg(clip.width)
            .arg(clip.height)
            .arg(clip.aspectCode)
            .arg(aspectRatioText(clip.aspectCode), frameRateText(clip.frameRateCode),
                 oneDecimalText(clip.videoBitrate));
    case PlayerOutputCode::ScaledResolution:
        title.scaledWidth = clip.scaledWidth;
        title.scaledHeight = clip.scaledHeight;
        marks.scaledSize = clip.scaledWidth != 0 || clip.scaledHeight != 0;
        return PlayerWidget::tr("Info: detected %1x%2 scaled resolution in title %3.")
            .arg(clip.scaledWidth)
            .arg(clip.scaledHeight)
            .arg(n);
    case PlayerOutputCode::ChapterList:
        title.chapters = clip.chapters;
        title.chapterTimes = clip.chapterTimes;
        marks.chapters = true;
        return PlayerWidget::tr("Info: detected %1 chapters in title %2.").arg(clip.chapters).arg(n);
    case PlayerOutputCode::ChapterCount:
        // MPlayer lists no chapter starts for a title of one chapter ("ID_CHAPTERS=1"
        // alone): that chapter starts with the title. A longer count waits for its list.
        if (clip.chapters != 1 || marks.chapters)
            return QString();
        title.chapters = 1;
        title.chapterTimes = {0.0};
        marks.chapters = true;
        return PlayerWidget::tr("Info: detected %1 chapters in title %2.").arg(1).arg(n);
    case PlayerOutputCode::AudioStreamCount:
        title.audioCount = clip.audioCount;
        marks.audioCount = true;
        return QString();
    case PlayerOutputCode::AudioStream: {
        AudioInfo stream;
        stream.streamNumber = clip.audio.streamNumber;
        stream.aid = clip.audio.aid;
        stream.format = clip.audio.format;
        stream.channels = clip.audio.channels;
        stream.language = clip.audio.language;
        title.audioStreams.append(stream);
        return PlayerWidget::tr("Info: detected audio stream %1 in this DVD title - id %2 language %3 format %4 channels %5.")
            .arg(stream.streamNumber)
            .arg(stream.aid)
            .arg(stream.language, stream.format, stream.channels);
    }
    case PlayerOutputCode::SubtitleCount:
        title.subtitleCount = clip.subtitleCount;
        marks.subtitleCount = true;
        return QString();
    case PlayerOutputCode::SubtitleStream: {
        SubtitleInfo subtitle;
        subtitle.streamNumber = clip.subtitle.streamNumber;
        subtitle.sid = clip.subtitle.sid;
        subtitle.language = clip.subtitle.language;
        title.subtitleStreams.append(subtitle);
        return PlayerWidget::tr("Info: detected subtitle %1 in this DVD title - language %2.")
            .arg(subtitle.sid)
            .arg(subtitle.language);
    }
    default:
        return QString();
    }
}

} // namespace

DvdTitleLoad::DvdTitleLoad(const TitleInfo &record, const Command &identify, const Command &play,
                           const Settings &settings, const Player *parser, LoadScheduler *scheduler)
    : m_title(record)
    , m_identify(identify)
    , m_play(play)
    , m_settings(settings)
    , m_parser(parser)
    , m_scheduler(scheduler)
{
    connect(&m_identifyRun, &LoadProcess::over, this, &DvdTitleLoad::readIdentifyRun);
    m_scheduler->submit(&m_identifyRun, m_title.number, [this] {
        m_identifyRun.begin(m_identify.program, m_identify.arguments, m_settings.identifyInput,
                            m_settings.latencyStart, kTitleRunMs);
    });
}

// A run that is destroyed leaves the scheduler's line by itself.
DvdTitleLoad::~DvdTitleLoad() = default;

QString DvdTitleLoad::stdErrText(const QByteArray &line, int verbosity)
{
    QString text = QString::fromUtf8(line).simplified();
    if (verbosity != LogLevel::Verbose
        && (text.startsWith(QLatin1String("libdvdread:")) || text.startsWith(QLatin1String("libdvdnav:"))
            || text.startsWith(QLatin1String("libdvdcss:"))))
        text.clear();
    return text;
}

bool DvdTitleLoad::waitDone()
{
    QEventLoop loop;
    connect(this, &DvdTitleLoad::done, &loop, &QEventLoop::quit);
    // A loop that returns with a code was told to end by the program (it quits or restarts).
    while (!m_done) {
        if (NestedLoop::exec("DvdTitleLoad::waitDone", loop) != 0)
            return false;
    }
    return true;
}

void DvdTitleLoad::readIdentifyRun()
{
    const int n = m_title.number;
    if (!m_identifyRun.hasStarted()) {
        qCDebug(lcPlayer) << "Failed to load DVD title" << n << "[process start timed-out]";
        log(PlayerWidget::tr("Failed to load DVD title %1 (process start timed-out).").arg(n), LogLevel::Quiet);
        m_title.ignored = true;
        finish();
        return;
    }
    if (m_identifyRun.wasKilled()) {
        log(PlayerWidget::tr("Failed to stop DVD title %1 loading process softly in %2 milliseconds.")
                .arg(n)
                .arg(kTitleRunMs),
            LogLevel::Quiet);
        log(PlayerWidget::tr("Try to increase player latency (finished) in timing preferences."), LogLevel::Quiet);
        log(PlayerWidget::tr("Kill DVD title %1 loading process.").arg(n), LogLevel::Verbose);
        log(PlayerWidget::tr("Send a kill command to DVD checking process."), LogLevel::Normal);
    }
    if (!readErrors()) {
        finish();
        return;
    }
    readAnswers();
    startAudioRuns();
}

// False when the run printed more error lines than a title may.
bool DvdTitleLoad::readErrors()
{
    int errorCount = 0;
    QByteArray line;
    while (m_identifyRun.readLine(QProcess::StandardError, &line)) {
        add(Channel::StdErr, stdErrText(line, m_settings.verbosity), LogLevel::Normal);
        int code = PlayerOutputCode::Ignored;
        QString text;
        m_parser->parseStderr(line, &code, &text);
        // The warnings every run of the Linux build prints are no errors of this title.
        if (code == PlayerOutputCode::PlatformNoise)
            continue;
        if (++errorCount > m_settings.maxLoadErrorLines) {
            qCDebug(lcPlayer) << "PlayerWidget: too many errors while loading DVD title" << m_title.number;
            log(PlayerWidget::tr("DVD title %1 not loaded, too many player backend errors.").arg(m_title.number),
                LogLevel::Quiet);
            m_title.ignored = true;
            return false;
        }
    }
    return true;
}

void DvdTitleLoad::readAnswers()
{
    const int n = m_title.number;
    TitleMarks marks;
    bool complete = false;
    QByteArray line;
    while (!complete && m_identifyRun.readLine(QProcess::StandardOutput, &line)) {
        add(Channel::StdOut, QString::fromUtf8(line).simplified(), LogLevel::Normal);
        ClipInfo clip;
        clip.kind = VideoInfo::DvdTitle;
        int code = PlayerOutputCode::Ignored;
        if (!m_parser->parseStdoutClip(line, &code, &clip)) {
            qCDebug(lcPlayer) << "PlayerWidget: failed to parse player output" << line;
            log(PlayerWidget::tr("Failed to parse player output [%1]").arg(QString::fromUtf8(line).trimmed()),
                LogLevel::Normal);
            continue;
        }
        const QString info = applyTitleAnswer(code, clip, n, m_title, marks);
        if (!info.isEmpty())
            log(info, LogLevel::Verbose);
        complete = marks.complete(m_title);
        if (complete)
            log(PlayerWidget::tr("Info: DVD title %1 info is complete.").arg(n), LogLevel::Normal);
    }

    if (m_title.audioStreams.size() != m_title.audioCount) {
        log(PlayerWidget::tr("Can't parse data for all %1 audio streams").arg(m_title.audioCount), LogLevel::Normal);
        log(PlayerWidget::tr("Info: successfully loaded data for %1 audio streams").arg(m_title.audioStreams.size()),
            LogLevel::Normal);
        m_title.audioCount = int(m_title.audioStreams.size());
    }
    if (m_title.subtitleStreams.size() != m_title.subtitleCount) {
        log(PlayerWidget::tr("Can't parse data for all %1 subtitle streams").arg(m_title.subtitleCount),
            LogLevel::Normal);
        log(PlayerWidget::tr("Info: successfully loaded data for %1 subtitle streams")
                .arg(m_title.subtitleStreams.size()),
            LogLevel::Normal);
        m_title.subtitleCount = int(m_title.subtitleStreams.size());
    }
    if (!complete)
        m_title.ignored = true;
}

// One playback run per audio stream, stopped at once: its "AUDIO:" line gives the stream's
// bit rate and sampling rate. The facade leaves the stream choice out while audio output is
// off, so each run names its stream itself: otherwise every run would describe the first.
void DvdTitleLoad::startAudioRuns()
{
    if (m_title.audioCount <= 0) {
        finish();
        return;
    }
    m_lastAudioIndex = m_title.audioCount - 1;
    m_audioRuns.resize(size_t(m_title.audioCount));
    for (int a = 0; a < m_title.audioCount; ++a)
        startAudioRun(a, m_settings.latencyFinished);
}

// A run the finish latency cut short on a busy machine is made once more with a title run's
// bound: a stream read without its details would go to the encoders with a sampling rate of 0.
void DvdTitleLoad::startAudioRun(int stream, int finishTimeoutMs)
{
    std::unique_ptr<LoadProcess> &slot = m_audioRuns[size_t(stream)];
    if (slot)
        m_spentRuns.push_back(std::move(slot)); // it may be emitting: kept until the load ends
    slot = std::make_unique<LoadProcess>();
    LoadProcess *run = slot.get();
    const QStringList arguments = QStringList{QStringLiteral("-aid"), QString::number(m_title.audioStreams.at(stream).aid)}
                                  + m_play.arguments;
    connect(run, &LoadProcess::over, this, [this, run, stream, finishTimeoutMs] {
        if (run->wasKilled() && finishTimeoutMs < kTitleRunMs) {
            startAudioRun(stream, kTitleRunMs);
            return;
        }
        if (++m_audioRunsOver == int(m_audioRuns.size())) {
            readAudioRuns();
            finish();
        }
    });
    m_scheduler->submit(run, m_title.number, [this, run, arguments, finishTimeoutMs] {
        run->begin(m_play.program, arguments, m_settings.playInput, m_settings.latencyStart, finishTimeoutMs);
    });
}

void DvdTitleLoad::readAudioRuns()
{
    for (size_t a = 0; a < m_audioRuns.size(); ++a)
        readAudioRun(*m_audioRuns[a], int(a));
}

void DvdTitleLoad::readAudioRun(LoadProcess &run, int stream)
{
    QByteArray line;
    while (run.readLine(QProcess::StandardOutput, &line)) {
        ClipInfo clip;
        clip.kind = VideoInfo::DvdTitle;
        int code = PlayerOutputCode::Ignored;
        if (!m_parser->parseStdoutClip(line, &code, &clip)) {
            qCDebug(lcPlayer) << "PlayerWidget: failed to parse DVD title audio output" << line;
            log(PlayerWidget::tr("Failed to parse DVD title audio output [title %1 audio #%2]")
                    .arg(m_title.number)
                    .arg(stream),
                LogLevel::Normal);
            continue;
        }
        if (code != PlayerOutputCode::AudioDetails)
            continue;
        AudioInfo &details = m_title.audioStreams[stream];
        details.bitrate = clip.audio.bitrate;
        details.samplingRate = clip.audio.samplingRate;
        log(PlayerWidget::tr("Info: detected audio main stream details - %1 Hz %2 kbps")
                .arg(clip.audio.samplingRate)
                .arg(clip.audio.bitrate),
            LogLevel::Verbose);
    }
}

void DvdTitleLoad::finish()
{
    m_done = true;
    emit done();
}
