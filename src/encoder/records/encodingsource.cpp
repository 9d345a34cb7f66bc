#include "encoder/records/encodingsource.h"

EncodingSource::EncodingSource()
{
    reset();
}

void EncodingSource::reset()
{
    path.clear();
    kind = SourceKind::Unset;
    video.reset();
    audio.reset();
    // Until stream descriptions are set the source offers no stream at all.
    noVideo = true;
    noAudio = true;
    noSubtitle = true;
    subtitle = SubtitleInfo();
    videoStreams = QList<VideoInfo>();
    audioStreams = QList<AudioInfo>();
    subtitleStreams = QList<SubtitleInfo>();
    spareMap1 = QMap<QString, QString>();
    spareMap2 = QMap<QString, QString>();
}
