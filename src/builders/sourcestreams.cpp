#include "builders/sourcestreams.h"

#include "builders/subtitleinlay.h"
#include "encoder/records/encodingsource.h"

#include <QFileInfo>
#include <QStringList>

double SourceStreams::displayAspect(const EncodingSource &source)
{
    const VideoInfo &video = source.video;
    if (video.aspect > 0.0)
        return video.aspect;
    if (video.scaledWidth > 0 && video.scaledHeight > 0)
        return double(video.scaledWidth) / video.scaledHeight;
    if (video.width > 0 && video.height > 0)
        return double(video.width) / video.height;
    return 0.0;
}

double SourceStreams::frameRate(const EncodingSource &source)
{
    // The mean rate of a variable one (the player's description) drops pictures where the
    // source runs faster: a third of a screen recording's at 60 fps where its mean is 39.
    const SourceFacts &facts = source.facts;
    if (facts.variableRate && facts.fastRate > 0.0)
        return facts.fastRate;
    // Film whose pictures repeat fields: the engines read it at the rate the fields are shown
    // at, and would end its pictures early there.
    if (facts.repeatFields && facts.frameRate > 0.0)
        return facts.frameRate;
    return source.video.frameRate;
}

int SourceStreams::steppedSoundTrack(const EncodingSource &source)
{
    return source.kind == SourceKind::MediaFile ? audioIndex(source) : -1;
}

bool SourceStreams::isAvi(const EncodingSource &source)
{
    return QFileInfo(source.path).suffix().compare(QLatin1String("avi"), Qt::CaseInsensitive) == 0
           || source.video.fileFormat.compare(QLatin1String("avi"), Qt::CaseInsensitive) == 0;
}

bool SourceStreams::isTransportStream(const EncodingSource &source)
{
    static const QStringList formats = {"MPEG-TS", "BDAV"};
    return formats.contains(source.video.fileFormat, Qt::CaseInsensitive);
}

int SourceStreams::audioIndex(const EncodingSource &source)
{
    const int aid = source.audio.aid;
    // A DVD title's tracks are numbered in the order the disc lists them, which is the
    // order their first packets come in the title's stream, where libavformat's reader
    // finds them. Their ids tell nothing of it: a first track of LPCM (0xa0) comes before
    // a second of AC-3 (0x80).
    if (source.kind == SourceKind::Dvd) {
        for (qsizetype i = 0; i < source.audioStreams.size(); ++i)
            if (source.audioStreams.at(i).aid == aid)
                return int(i);
        return qMax(source.audio.streamNumber, 0);
    }
    // The player's AVI reader numbers every stream of the file in file order, its
    // libavformat reader the audio streams among themselves: either way the audio streams
    // listed before the chosen one are those with lower ids.
    bool listed = false;
    int preceding = 0;
    for (const AudioInfo &stream : source.audioStreams) {
        listed = listed || stream.aid == aid;
        if (stream.aid >= 0 && stream.aid < aid)
            ++preceding;
    }
    if (listed)
        return preceding;
    // Without the list only the chosen stream is known: an AVI reader's id counts the
    // video, which AVI writers put first.
    const bool videoFirst = source.video.kind != VideoInfo::AudioOnlyFile && isAvi(source);
    return videoFirst && aid > 0 ? aid - 1 : qMax(aid, 0);
}

QString SourceStreams::audioSpecifier(const EncodingSource &source)
{
    // A DVD title's stream read as a file holds every audio stream of the title, in the order
    // their first packets come. The player names a DVD audio stream by its id in the stream
    // (AC-3 0x80, DTS 0x88, LPCM 0xa0 and up), MPEG audio by its number (stream 0x1c0 and up).
    const int aid = source.audio.aid;
    if (source.video.kind == VideoInfo::DvdTitle && aid >= 0) {
        constexpr int MpegAudioNumbers = 0x20, MpegAudioStream = 0x1c0;
        const int id = aid < MpegAudioNumbers ? MpegAudioStream + aid : aid;
        return QStringLiteral("0:i:0x%1").arg(id, 0, 16);
    }
    return QStringLiteral("0:a:%1").arg(audioIndex(source));
}

QString SourceStreams::videoSpecifier(const EncodingSource &source)
{
    return QStringLiteral("0:v:%1").arg(qMax(source.video.videoId, 0));
}

QString SourceStreams::subtitleSpecifier(const EncodingSource &source)
{
    // A DVD's subpicture streams are 0x20 to 0x3f in the title's stream, the player's
    // subtitle id counting from the first.
    if (source.video.kind == VideoInfo::DvdTitle) {
        constexpr int FirstSubpicture = 0x20;
        return QStringLiteral("0:i:0x%1").arg(FirstSubpicture + qMax(source.subtitle.sid, 0), 0, 16);
    }
    return QStringLiteral("0:s:%1").arg(SubtitleInlay::index(source));
}
