#include "encoder/records/encodingsource.h"

#include <tuple>

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
    facts = SourceFacts();
    spareMap1 = QMap<QString, QString>();
    spareMap2 = QMap<QString, QString>();
}

bool EncodingSource::operator==(const EncodingSource &other) const
{
    const auto fields = [](const EncodingSource &s) {
        return std::tie(s.path, s.kind, s.video, s.noVideo, s.audio, s.noAudio, s.subtitle,
                        s.noSubtitle, s.videoStreams, s.audioStreams, s.subtitleStreams,
                        s.facts, s.spareMap1, s.spareMap2);
    };
    return fields(*this) == fields(other);
}
