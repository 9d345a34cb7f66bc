#pragma once

#include "builders/encodesettings.h"
#include "builders/pictureframe.h"

#include <QSize>
#include <QString>
#include <QStringList>

struct EncodingJob;
struct EncodingSource;

// Assembles the argument list of one MEncoder encode pass. The encode at the user's
// settings and the encode at a predefined profile level share its skeleton (input,
// limits, extra switches, container, video, audio, libavcodec options, output); they
// differ in where the values come from and in a few options, which `Settings` carries.
class MEncoderEncodeCommand
{
public:
    using Settings = EncodeSettings;

    MEncoderEncodeCommand(const EncodingJob &job, int passes, int pass);

    QStringList build(const Settings &settings, const QString &output, int frames, int chapter,
                      int startSeconds);

    // MEncoder's video encoder ("-ovc") for a codec identifier: "frameno", "copy", "xvid",
    // "x264" or "lavc".
    static QString videoEncoder(const QString &codec);
    // MEncoder's audio encoder ("-oac") for a codec identifier: empty for no audio,
    // "copy", "faac", "mp3lame", "twolame", "pcm" or "lavc".
    static QString audioEncoder(const QString &codec);
    // libavcodec's name of a video codec identifier.
    static QString lavcVideoName(const QString &codec);
    // MEncoder's output format ("-of") for a container of an encode: "avi" or "lavf".
    static QString outputFormat(const QString &muxer);
    // MEncoder's input of a DVD folder's title, read so that it keeps the whole sound, and
    // the title's audio and subtitle choice: shared with the VideoCD targets.
    static QStringList dvdTitleInput(const QString &device, int title);
    static QStringList dvdAudioChoice(const EncodingSource &source);
    static QStringList dvdSubtitleChoice(const EncodingSource &source);
    // The output format of the lavf muxer for a container identifier.
    static QString lavfFormat(const QString &muxer);
    // The AVI that an audio container's first step writes beside `output`, unique
    // among the files there and the names given before.
    static QString intermediatePath(const QString &output);
    // Numbers in command lines: six significant digits, no trailing zeros.
    static QString number(double value);
    // A bit rate in kbit/s as MEncoder takes it: a whole number.
    static QString bitrate(double kbits);
    // A shape as MEncoder's options take it: "4/3", "16/9", else the number.
    static QString shape(double aspect);
    // The filters in front of the scale to the frame that put a boxed picture into black
    // bars of the frame's shape; none for a picture that fills its frame.
    static QStringList boxFilters(const PictureFrame &frame);
    // Whether MEncoder reading a media file keeps its picture's start time in the file (and
    // starts the sound with the output), rather than starting both together: all but its
    // own reader of an MPEG program stream, which it reads a file of that format with.
    static bool keepsStartTimes(const EncodingSource &source);
    // The frame rate of a TV standard's disc from a source of the given rate (0 unknown);
    // empty for any other standard.
    static QString standardFrameRate(const QString &standard, double sourceRate);
    // The rate at which a device target's players are given a source of the given rate: a
    // rate above the device's most becomes the share of it that is a rate of film or
    // television (25 of 50, 30 of 120), else the device's most; every other target, and an
    // unknown rate (0), keeps the source's.
    static double playableFrameRate(const QString &muxer, double sourceRate);
    // The rate an MPEG video of no TV standard takes from a source of the given rate:
    // empty where MPEG codes the source's own (or it is unknown), else the share of it that
    // MPEG codes (60 of 120), else MPEG's fastest rate below it (30 of 30.044).
    static QString mpegFrameRate(double sourceRate);
    // A rate as MEncoder is given it: MPEG's fraction of a rate MPEG codes ("24000/1001"),
    // else the number.
    static QString rateText(double rate);

private:
    enum class Aspect { FourThree, SixteenNine, Other };
    Aspect aspectClass() const;

    void addInput(int chapter, int startSeconds, int frames);
    void addLimits(int frames);
    void addContainer();
    void addMpegContainer();
    // The rate "-ofps" gives the output: a TV standard's disc rate, the source's own for the
    // libavformat containers that need one, a device's share of a faster source, else empty
    // (the source's timing is kept).
    QString outputFrameRate() const;
    // The rate the target itself asks for, as above; empty where it keeps the source's.
    QString targetFrameRate() const;
    // The output's rate as a number, 0 where it keeps the source's timing.
    double outputRate() const;
    // Whether the output shows the source's pictures at the source's rate (or one unknown).
    bool keepsSourceRate() const;
    // The filters that end the chain: every picture kept as the encoder is handed it, and
    // where the output runs faster than the source, stamped at the output's rate.
    QStringList repeatFilters() const;
    void addFrameRateSwitch();
    void addVideo(int frames);
    void addXvid();
    void addX264();
    void addLetterboxedLavc(const QStringList &lavcOptions);
    void addLavcVideo(int frames);
    void addAudio();
    void addAudioFilters(QStringList filters, const QStringList &last = {});
    void addFaac();
    void addLame();
    void addTwoLame();
    void addPcm();
    void addLavcAudio();

    QString xvidSizeProfile() const;
    QString x264DefaultProfile() const;
    QString x264DefaultPreset() const;
    QStringList x264CodecOptions() const;
    // The frame of the encode: its size, and the picture's place and shape in it.
    PictureFrame frame() const;
    QString scaleFilter() const;
    // The filters before the frame's: an interlaced source's fields made whole where the
    // encode does not keep them, and the picture turned as a player turns it.
    QStringList firstFilters() const;
    bool fieldsKept() const;
    // "scale", the display aspect where the container needs it, "harddup".
    QString scaledVideoFilters() const;

    const EncodingJob &m_job;
    const int m_passes;
    const int m_pass;
    Settings m_settings;
    QStringList m_arguments;
    QStringList m_lavcOptions; // shared by video and audio, written once after the audio
    QString m_output;
};
