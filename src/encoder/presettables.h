#pragma once

#include "encoder/audiopreset.h"
#include "encoder/records/encoderprofile.h"
#include "encoder/videopreset.h"

#include <QList>
#include <QMultiMap>
#include <QSize>
#include <QStringList>

struct EncodingSource;
struct VideoInfo;

// The video and audio preset tables of the profile configurators, and the rules that turn
// a container, two codecs and a level into an `EncoderProfile` from them. Everything here
// reads only the tables and the source record, so it needs no engine.
//
// A multi-map yields the rows of one codec from the last added to the first added; the
// rules that "visit" rows use that order.
class PresetTables
{
public:
    // Empty until filled: each init first empties its table, then enters the rows.
    void initVideoPresets();
    void initAudioPresets();

    const QMultiMap<QString, VideoPreset> &videoPresets() const { return m_video; }
    const QMultiMap<QString, AudioPreset> &audioPresets() const { return m_audio; }
    // The codecs that have rows: the only ones a configurator can offer.
    QStringList videoCodecs() const { return m_video.uniqueKeys(); }
    QStringList audioCodecs() const { return m_audio.uniqueKeys(); }

    // The source's standard text, else "PAL" at exactly 25 or 50 frames per second and
    // "NTSC" at any other rate; never empty.
    static QString sourceStandard(const VideoInfo &video);
    // A 4:3 picture size by the height alone; below 240 lines the size is kept.
    static QSize roundFrameSize(const QSize &size);
    // A 16:9 preset size on a 4:3 source display becomes the rounded 4:3 size.
    static QSize fitToSource(const QSize &preset, const QSize &display);

    // The profile of one level; a part without a preset row keeps an empty codec.
    EncoderProfile makeProfile(const QString &muxer, const QString &video, const QString &audio,
                               int level, const EncodingSource &source) const;
    // One profile per level that either codec has a row for, ascending; a codec the engine
    // does not support (flag false) takes no part.
    QList<EncoderProfile> buildProfiles(const QString &muxer, const QString &video,
                                        const QString &audio, bool videoSupported,
                                        bool audioSupported, const EncodingSource &source) const;
    // Whether both codecs ("novideo" and "noaudio" always) have a row at the level.
    bool supportsProfileLevel(const QString &video, const QString &audio, int level) const;

private:
    QMultiMap<QString, VideoPreset> m_video;
    QMultiMap<QString, AudioPreset> m_audio;
};
