// The title, audio, subtitle and angle lists: filled from the loaded records, kept in step
// with the user's choices, and read by the encoding side as stream descriptions.

#include "player/playerwidget.h"
#include "player/playerlogging.h"

#include "engines/player.h"
#include "engines/videoinfo.h"
#include "jobs/console.h"
#include "jobs/valuetext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProcess>

namespace {


// A number right-aligned in two characters; the blank goes when the line is simplified.
QString twoWide(int number)
{
    return QStringLiteral("%1").arg(number, 2);
}

// The channel layout by count when the engine named none.
QString channelLayout(int count)
{
    struct Layout
    {
        int count;
        const char *name;
    };
    static const Layout layouts[] = {
        {1, QT_TRANSLATE_NOOP("PlayerWidget", "mono")}, {2, QT_TRANSLATE_NOOP("PlayerWidget", "stereo")},
        {3, QT_TRANSLATE_NOOP("PlayerWidget", "2.1")},  {6, QT_TRANSLATE_NOOP("PlayerWidget", "5.1")},
        {8, QT_TRANSLATE_NOOP("PlayerWidget", "7.1")},
    };
    for (const Layout &layout : layouts) {
        if (layout.count == count)
            return PlayerWidget::tr(layout.name);
    }
    return count > 0 ? QString::number(count) + PlayerWidget::tr(" ch.") : QString();
}

} // namespace

QString PlayerWidget::dvdTitleText(const TitleInfo &title)
{
    return tr("Title %1 - %2 %3x%4 %5 %6fps [%7 %8kbps]")
        .arg(twoWide(title.number), durationText(title.length))
        .arg(title.width)
        .arg(title.height)
        .arg(aspectRatioText(title.aspectCode), frameRateText(title.frameRateCode), title.videoFormat,
             oneDecimalText(title.videoBitrate))
        .simplified();
}

QString PlayerWidget::movieVideoText(const MovieInfo &movie)
{
    const QString format = movie.videoFormat.toUpper();
    const QString tail = movie.videoBitrate == 0.0
        ? tr("[%1]").arg(format)
        : tr("[%1 %2kbps]").arg(format, oneDecimalText(movie.videoBitrate));
    const QString rate = QString::number(movie.frameRate, 'g', 15);
    // The common shapes, also turned upright (a phone's portrait video).
    static const QStringList named = {"4:3", "16:9", "3:4", "9:16"};
    const bool namedAspect = named.contains(movie.aspectText);
    const QString head = namedAspect
        ? tr("Video - %1 %2x%3 %4 %5fps ")
              .arg(durationText(movie.length))
              .arg(movie.width)
              .arg(movie.height)
              .arg(movie.aspectText, rate)
        : tr("Video - %1 %2x%3 %4fps ").arg(durationText(movie.length)).arg(movie.width).arg(movie.height).arg(rate);
    return (head + tail).simplified();
}

// Stream ids from 128 up are DVD-style ids, shown in upper-case hexadecimal with "0X".
QString PlayerWidget::movieAudioText(const AudioInfo &audio)
{
    QString text = audio.aid >= 128
        ? tr("Audio ") + QStringLiteral("0X") + QString::number(audio.aid, 16).toUpper().rightJustified(2, QLatin1Char('0'))
        : tr("Audio %1").arg(twoWide(audio.streamNumber));
    text += QStringLiteral(" - ");
    if (!audio.language.isEmpty() && audio.language != QLatin1String("und"))
        text += languageName(audio.language) + QLatin1Char(' ');
    text += audio.bitrate > 0 ? oneDecimalText(audio.bitrate) + QStringLiteral(" kbps ") : QStringLiteral("VBR ");
    if (audio.samplingRate > 0)
        text += millisecondsText(audio.samplingRate) + QStringLiteral(" kHz ");
    text += QStringLiteral(" [");
    text += audio.format.isEmpty() ? audio.codec.toUpper() : audio.format.toUpper();
    const QString channels = audio.channels.isEmpty() ? channelLayout(audio.channelCount) : audio.channels;
    if (!channels.isEmpty())
        text += QLatin1Char(' ') + channels;
    text += QLatin1Char(']');
    if (!audio.description.isEmpty())
        text += QLatin1Char(' ') + audio.description;
    return text.simplified();
}

QString PlayerWidget::dvdAudioText(const AudioInfo &audio)
{
    const QString probe = QStringLiteral("%1 %2 %3").arg(languageName(audio.language), audio.format, audio.channels);
    if (probe.trimmed().isEmpty())
        return tr("Audio %1 - %2 kbps %3 kHz")
            .arg(twoWide(audio.streamNumber), oneDecimalText(audio.bitrate), millisecondsText(audio.samplingRate))
            .simplified();
    return tr("Audio %1 - %2 %3 kbps %4 kHz [%5 %6]")
        .arg(twoWide(audio.streamNumber), languageName(audio.language), oneDecimalText(audio.bitrate),
             millisecondsText(audio.samplingRate), audio.format.toUpper(), audio.channels)
        .simplified();
}

void PlayerWidget::populateTitles()
{
    if (mediaKind == VideoInfo::DvdTitle && titleCount > 0) {
        log(tr("Populate %1 DVD titles in user selection.").arg(titleCount), LogLevel::Verbose);
        titleCombo->clear();
        for (int t = 1; t <= titleCount && t <= titles.size(); ++t) {
            const TitleInfo &title = titles.at(t - 1);
            if (title.ignored) {
                log(tr("Title %1 ignored [%2].").arg(t).arg(durationText(title.length)), LogLevel::Normal);
                continue;
            }
            titleCombo->addItem(dvdTitleText(title), t);
            log(tr("Enable title %1 for user selection [%2].").arg(t).arg(durationText(title.length)),
                LogLevel::Verbose);
        }
        if (titleCombo->count() == 0 && !titles.isEmpty()) {
            titleCombo->addItem(dvdTitleText(titles.first()), 1);
            log(tr("Enable title %1 [%2] for user selection (enable at least one  title).")
                    .arg(1)
                    .arg(durationText(titles.first().length)),
                LogLevel::Verbose);
        }
        titleCombo->setCurrentIndex(titleCombo->findData(mainTitle));
        titleCombo->setEnabled(true);
        selectedTitle = titleCombo->currentData().toInt();
        populateDvdAudio(selectedTitle);
        populateDvdSubtitles(selectedTitle);
        populateDvdAngles(selectedTitle);
        for (QComboBox *combo : {titleCombo, audioCombo, subtitleCombo})
            combo->show();
        return;
    }
    if (mediaKind == VideoInfo::MediaFile && !movieInfo.videoFormat.isEmpty()) {
        titleCombo->clear();
        if (noStreamChoices)
            titleCombo->addItem(tr("No video"), -1);
        log(tr("Enable video track for user selection [%1].").arg(durationText(movieInfo.length)),
            LogLevel::Verbose);
        titleCombo->addItem(movieVideoText(movieInfo), 1);
        titleCombo->setEnabled(true);
        titleCombo->setCurrentIndex(noStreamChoices ? 1 : 0);
        populateMovieAudio(movieInfo);
        populateMovieSubtitles(movieInfo);
        populateMovieAngles(movieInfo);
        titleCombo->show();
        audioCombo->show();
        subtitleCombo->setVisible(!movieInfo.subtitleStreams.isEmpty());
        return;
    }
    if (mediaKind == VideoInfo::MediaFile && movieInfo.audioOnly) {
        populateMovieAudio(movieInfo);
        populateMovieSubtitles(movieInfo);
        populateMovieAngles(movieInfo);
        audioCombo->show();
        titleCombo->hide();
        subtitleCombo->setVisible(!movieInfo.subtitleStreams.isEmpty());
        return;
    }
    clearTrackControls();
    for (QComboBox *combo : {titleCombo, audioCombo, subtitleCombo})
        combo->show();
}

// The title's record, or null for a number that names no loaded title.
const TitleInfo *PlayerWidget::titleRecord(int title) const
{
    return title >= 1 && title <= titles.size() ? &titles.at(title - 1) : nullptr;
}

void PlayerWidget::populateDvdAudio(int title)
{
    const TitleInfo *record = titleRecord(title);
    if (!record)
        return;
    qCDebug(lcPlayer) << "PlayerWidget: populate" << record->audioCount << "DVD audio streams for title" << title;
    audioCombo->clear();
    audioCombo->addItem(tr("No audio"), -1);
    const int count = int(qMin<qsizetype>(record->audioCount, record->audioStreams.size()));
    for (int i = 0; i < count; ++i)
        audioCombo->addItem(dvdAudioText(record->audioStreams.at(i)), i);
    audioCombo->setCurrentIndex(count > 0 ? 1 : 0);
    audioCombo->setEnabled(count > 0);
    audioIndex = audioCombo->currentData().toInt();
}

void PlayerWidget::populateDvdSubtitles(int title)
{
    const TitleInfo *record = titleRecord(title);
    if (!record)
        return;
    qCDebug(lcPlayer) << "PlayerWidget: populate" << record->subtitleCount << "DVD subtitles for title" << title;
    subtitleCombo->clear();
    subtitleCombo->addItem(tr("No subtitle"), -1);
    const int count = int(qMin<qsizetype>(record->subtitleCount, record->subtitleStreams.size()));
    for (int i = 0; i < count; ++i) {
        const SubtitleInfo &subtitle = record->subtitleStreams.at(i);
        subtitleCombo->addItem(tr("Subtitle %1 - %2").arg(subtitle.sid).arg(languageName(subtitle.language)), i);
    }
    subtitleCombo->setCurrentIndex(0);
    subtitleCombo->setEnabled(count > 0);
    subtitleIndex = -1;
}

void PlayerWidget::populateDvdAngles(int title)
{
    const TitleInfo *record = titleRecord(title);
    if (!record)
        return;
    qCDebug(lcPlayer) << "PlayerWidget: populate" << record->angles << "DVD angles for title" << title;
    angleCombo->clear();
    angleIndex = -1;
    if (record->angles > 1) {
        for (int a = 1; a <= record->angles; ++a)
            angleCombo->addItem(tr("Angle %1").arg(a), a);
        angleCombo->setCurrentIndex(0);
        angleCombo->setEnabled(true);
        angleIndex = 1;
    } else {
        angleCombo->addItem(tr("Angle"), -1);
        angleCombo->setCurrentIndex(0);
        angleCombo->setEnabled(false);
    }
}

void PlayerWidget::populateMovieAudio(const MovieInfo &movie)
{
    qCDebug(lcPlayer) << "PlayerWidget: populate" << movie.audioCount << "audio streams for current movie";
    audioCombo->clear();
    const int count = int(qMin<qsizetype>(movie.audioCount, movie.audioStreams.size()));
    if (count <= 0) {
        audioCombo->addItem(tr("No audio"), -1);
        audioCombo->setCurrentIndex(0);
        audioCombo->setEnabled(false);
        audioIndex = -1;
        return;
    }
    const bool noAudioItem = noStreamChoices && !movie.audioOnly;
    if (noAudioItem)
        audioCombo->addItem(tr("No audio"), -1);
    for (int i = 0; i < count; ++i)
        audioCombo->addItem(movieAudioText(movie.audioStreams.at(i)), i);
    // The track the file flags to be played first, as a player plays it; else the first.
    const int flagged = audioCombo->findData(movie.flaggedAudio);
    audioCombo->setCurrentIndex(movie.flaggedAudio >= 0 && flagged >= 0 ? flagged : noAudioItem ? 1 : 0);
    audioCombo->setEnabled(true);
    audioIndex = audioCombo->currentData().toInt();
}

void PlayerWidget::populateMovieSubtitles(const MovieInfo &movie)
{
    qCDebug(lcPlayer) << "PlayerWidget: populate" << movie.subtitleCount << "subtitle streams for current movie";
    subtitleCombo->clear();
    subtitleIndex = -1;
    const int count = int(qMin<qsizetype>(movie.subtitleCount, movie.subtitleStreams.size()));
    if (count <= 0) {
        subtitleCombo->addItem(tr("Subtitle"), -1);
        subtitleCombo->setCurrentIndex(0);
        subtitleCombo->setEnabled(false);
        return;
    }
    subtitleCombo->addItem(tr("No subtitle"), -1);
    for (int i = 0; i < count; ++i) {
        const SubtitleInfo &subtitle = movie.subtitleStreams.at(i);
        const QString text = subtitle.description.isEmpty()
            ? tr("Subtitle %1 - %2").arg(subtitle.sid).arg(languageName(subtitle.language))
            : tr("Subtitle %1 - %2, %3").arg(subtitle.sid).arg(languageName(subtitle.language), subtitle.description);
        subtitleCombo->addItem(text, i);
    }
    // The subtitle the file flags to be shown, as a player shows it; else none.
    subtitleCombo->setCurrentIndex(qMax(subtitleCombo->findData(movie.flaggedSubtitle), 0));
    subtitleCombo->setEnabled(true);
}

void PlayerWidget::populateMovieAngles(const MovieInfo &)
{
    qCDebug(lcPlayer) << "PlayerWidget: populate [No multi-angles] for current movie";
    angleCombo->clear();
    angleIndex = -1;
    angleCombo->addItem(tr("Angle"), -1);
    angleCombo->setEnabled(false);
    angleIndex = angleCombo->currentData().toInt();
}

// ---------------------------------------------------------------------------------------
// Choices

void PlayerWidget::selectTitle(int index)
{
    if (index < 0 || loadStateBox->checkState() != Qt::Checked)
        return;
    selectedTitle = titleCombo->itemData(index).toInt();
    if (playing) {
        stopPlayback();
        emit selectionChanged();
    }
    if (mediaKind == VideoInfo::DvdTitle) {
        noVideo = selectedTitle == -1;
        if (const TitleInfo *record = titleRecord(selectedTitle))
            videoSize = record->displaySize();
        populateDvdAudio(selectedTitle);
        populateDvdSubtitles(selectedTitle);
        populateDvdAngles(selectedTitle);
    } else if (selectedTitle > 0) {
        videoSize = movieInfo.displaySize();
    }
    audioPicture->setVisible(noVideo);
    if (selectedTitle > 0)
        setZoom(zoom);
    emit selectionChanged();
}

void PlayerWidget::selectTitleByUser(int index)
{
    selectTitle(index);
    noVideo = selectedTitle == -1;
    emit selectionChanged();
}

void PlayerWidget::selectAudio(int index)
{
    if (index < 0)
        return;
    audioIndex = audioCombo->itemData(index).toInt();
    if (playing && mediaKind == VideoInfo::DvdTitle) {
        const TitleInfo *record = titleRecord(selectedTitle);
        // The engine switches by the stream's id (128, 129, ...), not by its place.
        const int id = record && audioIndex >= 0 && audioIndex < record->audioStreams.size()
            ? record->audioStreams.at(audioIndex).aid
            : -1;
        player->setAudioId(id);
        writeCommand(player->cliSelectAudio(id));
    }
    emit selectionChanged();
}

void PlayerWidget::selectSubtitle(int index)
{
    if (index < 0)
        return;
    subtitleIndex = subtitleCombo->itemData(index).toInt();
    if (playing && mediaKind == VideoInfo::DvdTitle) {
        const TitleInfo *record = titleRecord(selectedTitle);
        const int id = record && subtitleIndex >= 0 && subtitleIndex < record->subtitleStreams.size()
            ? record->subtitleStreams.at(subtitleIndex).sid
            : -1;
        player->setSubtitleId(id);
        writeCommand(player->cliSelectSubtitle(id));
    }
    emit selectionChanged();
}

void PlayerWidget::selectAngle(int index)
{
    if (index < 0)
        return;
    angleIndex = angleCombo->itemData(index).toInt();
    emit selectionChanged();
}

// ---------------------------------------------------------------------------------------
// The selection as the encoding side reads it

void PlayerWidget::currentTrackCounts(int *video, int *audio, int *subtitle) const
{
    int v = 0, a = 0, s = 0;
    if (const TitleInfo *record = mediaKind == VideoInfo::DvdTitle ? titleRecord(selectedTitle) : nullptr) {
        v = 1;
        a = record->audioCount;
        s = record->subtitleCount;
    } else if (mediaKind == VideoInfo::MediaFile) {
        v = movieInfo.audioOnly ? 0 : 1;
        a = movieInfo.audioCount;
        s = movieInfo.subtitleCount;
    }
    if (video)
        *video = v;
    if (audio)
        *audio = a;
    if (subtitle)
        *subtitle = s;
}

VideoInfo PlayerWidget::currentVideoInfo() const
{
    VideoInfo info;
    if (mediaKind == VideoInfo::DvdTitle) {
        const TitleInfo *title = titleRecord(selectedTitle);
        if (!title)
            return info;
        info.kind = VideoInfo::DvdTitle;
        info.title = selectedTitle;
        info.angle = angleIndex;
        info.fileFormat = title->fileFormat;
        info.videoFormat = title->videoFormat;
        info.width = title->width;
        info.height = title->height;
        info.scaledWidth = title->scaledWidth;
        info.scaledHeight = title->scaledHeight;
        info.standard = title->standard;
        info.videoId = title->spareInt1;
        info.spareInt2 = title->spareInt2;
        info.aspect = aspectRatioValue(title->aspectCode);
        info.playerFrameRate = title->spareDouble;
        info.frameRate = frameRateValue(title->frameRateCode);
        info.videoBitrate = title->videoBitrate;
        info.length = title->length;
    } else if (mediaKind == VideoInfo::MediaFile) {
        const MovieInfo &movie = movieInfo;
        info.kind = movie.audioOnly ? VideoInfo::AudioOnlyFile : VideoInfo::MediaFile;
        info.fileFormat = movie.containerFormat;
        info.videoFormat = movie.videoFormat;
        info.colorDepth = movie.colorDepth;
        info.width = movie.width;
        info.height = movie.height;
        info.scaledWidth = movie.scaledWidth;
        info.scaledHeight = movie.scaledHeight;
        info.standard = movie.standard;
        info.videoId = movie.videoId;
        info.spareInt2 = movie.spareInt2;
        info.aspect = movie.aspect;
        info.playerFrameRate = movie.playerFrameRate;
        info.frameRate = movie.frameRate;
        info.videoBitrate = movie.videoBitrate;
        info.length = movie.length;
    }
    return info;
}

QList<AudioInfo> PlayerWidget::currentAudioStreams() const
{
    if (mediaKind == VideoInfo::DvdTitle) {
        if (const TitleInfo *title = titleRecord(selectedTitle))
            return title->audioStreams;
    } else if (mediaKind == VideoInfo::MediaFile) {
        return movieInfo.audioStreams;
    }
    return {};
}

SourceFacts PlayerWidget::currentSourceFacts() const
{
    if (mediaKind == VideoInfo::DvdTitle) {
        const TitleInfo *title = titleRecord(selectedTitle);
        return title ? title->facts : SourceFacts();
    }
    return mediaKind == VideoInfo::MediaFile ? movieInfo.facts : SourceFacts();
}

AudioInfo PlayerWidget::currentAudioInfo() const
{
    const QList<AudioInfo> streams = currentAudioStreams();
    if (audioIndex >= 0 && audioIndex < streams.size())
        return streams.at(audioIndex);
    return AudioInfo();
}

QList<SubtitleInfo> PlayerWidget::currentSubtitleStreams() const
{
    if (mediaKind == VideoInfo::DvdTitle) {
        if (const TitleInfo *title = titleRecord(selectedTitle))
            return title->subtitleStreams;
    } else if (mediaKind == VideoInfo::MediaFile) {
        return movieInfo.subtitleStreams;
    }
    return {};
}

SubtitleInfo PlayerWidget::currentSubtitleInfo() const
{
    const QList<SubtitleInfo> streams = currentSubtitleStreams();
    if (subtitleIndex >= 0 && subtitleIndex < streams.size())
        return streams.at(subtitleIndex);
    return SubtitleInfo();
}

EncodingSource PlayerWidget::currentSource() const
{
    EncodingSource source;
    source.path = sourcePath;
    source.kind = mediaKind;
    source.video = currentVideoInfo();
    source.noVideo = noVideo;
    source.audio = currentAudioInfo();
    source.noAudio = audioIndex == -1;
    source.subtitle = currentSubtitleInfo();
    source.noSubtitle = subtitleIndex == -1;
    // The engines number a file's streams their own ways: they find the chosen ones by their
    // places among these.
    source.audioStreams = currentAudioStreams();
    source.subtitleStreams = currentSubtitleStreams();
    source.facts = currentSourceFacts();
    return source;
}
