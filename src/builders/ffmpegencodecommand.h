#pragma once

#include "builders/encodesettings.h"
#include "builders/pictureframe.h"

#include <QSize>
#include <QString>
#include <QStringList>

struct EncodingJob;
struct EncodingSource;

// Assembles the argument list of one FFmpeg encode. The encode at the user's settings and
// the encode at a predefined profile level share the steps (input, limits, extra switches,
// video, audio, output); they differ in their order, in where the values come from and in
// the speed and quality options of the levels, which `Settings` carries.
//
// Today's FFmpeg (5.1) refuses or ignores some of the classic options; each step writes the
// option of today's engine that does what the classic one asked for (see the .cpp).
class FFmpegEncodeCommand
{
public:
    using Settings = EncodeSettings;

    FFmpegEncodeCommand(const EncodingJob &job, int passes, int pass);

    QStringList build(const Settings &settings, const QString &output, int frames, int start);

    // FFmpeg's encoder for a codec identifier: "libx264" for the x264 family, "libxvid",
    // "libtheora", "libvpx", else the identifier itself.
    static QString videoEncoder(const QString &codec);
    // FFmpeg's encoder for an audio codec identifier; PCM depends on the container and, at
    // the predefined levels, on the level (`level` 0: the user's settings).
    static QString audioEncoder(const QString &codec, const QString &muxer = QString(),
                                int level = 0);
    // The "-aspect" value of a shape: its name, else the number.
    static QString aspectValue(double aspect);
    // The video filters that come first, before anything is drawn on the picture: its one
    // picture held (heldPicture), its fields made whole where `whole`, its colours converted
    // to the target's where `encoded` (a copy keeps the stream as it is).
    static QStringList firstFilters(const EncodingSource &source, bool whole, bool encoded);
    // The "-t" duration of a frame limit, at 25 frames per second: "hh:mm:ss.f".
    static QString duration(int frames);
    // The audio filter that lays the sound out from the output's start on, a gap before it
    // filled with silence.
    static QString soundFromStart();
    // Whether the container writes the codec's sound from the file's start, whatever time
    // its first sample has, so that a later sound needs silence before it.
    static bool soundStartsWithFile(const QString &muxer, const QString &codec);
    // The video filter, first of any, that shows the source's one picture for as long as the
    // source plays (SourceFacts::stillPicture); empty for the others.
    static QString heldPicture(const EncodingSource &source);
    // The muxer's options of a command that holds that picture: its decoder gives the one
    // picture when the file ends, and the muxer must wait for it rather than write the sound
    // ahead (Matroska wrote 20 s of a song before it, a file players took for one without a
    // picture). Empty for the others.
    static QStringList heldPictureMuxing(const EncodingSource &source);
    // Whether the chosen sound's sampling rate changes partway (SourceFacts::Sound::rates).
    static bool soundRateChanges(const EncodingSource &source);
    // The audio filter, first of any, that times the chosen sound by its samples where its
    // packets carry no times that move (SourceFacts::Sound::untimed), else by its times, so
    // that it follows on where its rate changes, seen at the load or not.
    static bool soundUntimed(const EncodingSource &source);
    static QString soundTiming(const EncodingSource &source);
    // The "-map" switches of the source's picture and its chosen sound, each when wanted.
    static QStringList streamMaps(const EncodingSource &source, bool video, bool audio);
    // The maps of an encoded picture and the chosen sound with the chosen subtitle drawn into
    // the picture after the filters `first` and before those of `fit` (the frame's; either
    // may be empty), for a command that has no filters of its own.
    static QStringList inlaidStreamMaps(const EncodingSource &source, const QStringList &first, const QString &fit);

private:
    // The maps of the picture that a picture subtitle is laid over, drawn through `first`
    // before and `fit` after, and of the chosen sound when wanted.
    static QStringList overlayMaps(const EncodingSource &source, bool audio, const QStringList &first,
                                   const QString &fit);
    void addInput();
    // The chosen video and audio stream, and no other.
    void addStreamMaps();
    void addExtraOptions();
    void addFormat();
    void addAspect();
    void addFrameRate();
    void addLimits(int frames, int start);
    void addVideo();
    void addXvidLevel();
    void addX264();
    void addAudio();

    // The rate the encoded picture gets from a source of the given rate: a device target's
    // share of a faster one.
    double encodedRate(double sourceRate) const;
    // The frame of the encode: its size, and the picture's place and shape in it.
    PictureFrame frame() const;
    // The rate the encode writes, and whether it keeps an interlaced source's fields in that
    // frame or makes them whole first.
    double outputRate() const;
    bool fieldsKept() const;
    bool fieldsMadeWhole() const;
    QString x264Preset() const;
    QString x264Profile() const;
    bool sourceHasAc3() const;
    // Whether the chosen subtitle is drawn into the encoded picture, and laid over it as a
    // picture.
    bool inlaysSubtitle() const;
    bool inlaysPicture() const;
    // The filter that cuts PCM into frames the MPEG muxer's buffer takes; empty elsewhere.
    // The audio filter that times the sound from the picture's first frame where the
    // container starts both with the file; empty where that is the input's start.
    QString soundOnPictureClock() const;
    QString pcmFramesFilter(const QString &codec, int rate) const;

    const EncodingJob &m_job;
    const int m_passes;
    const int m_pass;
    Settings m_settings;
    QStringList m_arguments;
};
