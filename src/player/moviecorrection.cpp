#include "player/moviecorrection.h"

#include "engines/ffprobedata.h"
#include "engines/mediainfodata.h"
#include "engines/movieinfo.h"
#include "engines/picturebounds.h"

#include <QRegularExpression>

namespace {

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

// A file whose only video streams are pictures stored with the sound (an album's cover) is a
// sound file, also where MPlayer reports the picture as video (an M4A's or FLAC's cover, at
// 90000 frames a second): encoded as video it became one frame beside the whole sound.
void dropCoverPicture(MovieInfo &movie)
{
    movie.audioOnly = true;
    movie.videoFormat.clear();
    movie.colorDepth = 0;
    movie.width = movie.height = 0;
    movie.scaledWidth = movie.scaledHeight = 0;
    movie.aspect = 0.0;
    movie.frameRate = 0.0;
    movie.videoBitrate = 0.0;
}

// The place of the first stream that `flagged` holds for, -1 for none.
template <typename Stream, typename Flag>
int firstFlagged(const QList<Stream> &streams, Flag flagged)
{
    for (qsizetype i = 0; i < streams.size(); ++i) {
        if (flagged(streams.at(i)))
            return int(i);
    }
    return -1;
}

// The sound and the subtitle a player plays first, as the file flags them, where the player
// lists the streams FFprobe does (its places are FFprobe's).
void takeFlaggedTracks(MovieInfo &movie, const FFprobeData &probe)
{
    movie.flaggedAudio = movie.audioStreams.size() == probe.audioStreams.size()
        ? firstFlagged(probe.audioStreams, [](const FFprobeAudioStream &s) { return s.disposition_default; })
        : -1;
    if (movie.subtitleStreams.size() != probe.subtitleStreams.size()) {
        movie.flaggedSubtitle = -1;
        return;
    }
    const int forced = firstFlagged(probe.subtitleStreams, [](const FFprobeSubtitleStream &s) { return s.disposition_forced; });
    movie.flaggedSubtitle = forced >= 0
        ? forced
        : firstFlagged(probe.subtitleStreams, [](const FFprobeSubtitleStream &s) { return s.disposition_default; });
}

} // namespace

MovieCorrection::Notes MovieCorrection::apply(MovieInfo &movie, const FFprobeData &probe, const MediaInfoData &report)
{
    Notes notes;
    const double identifiedRate = movie.frameRate;
    const int place = probe.movingPicture();
    const FFprobeVideoStream *picture = place >= 0 ? &probe.videoStreams.at(place) : nullptr;
    notes.picture = place;
    if (!picture && !probe.videoStreams.isEmpty()) {
        dropCoverPicture(movie);
        notes.coverDropped = true;
    }
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
            notes.sizeUnread = true;
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
    takeFlaggedTracks(movie, probe);

    if (!movie.audioOnly && movie.scaledWidth == 0 && movie.scaledHeight == 0) {
        // MPlayer's aspect is read from the file as FFprobe's is: only a sane one counts.
        if (PictureBounds::displayWidth(movie.height, movie.aspect) > 0) {
            movie.scaledHeight = movie.height;
            movie.scaledWidth = PictureBounds::displayWidth(movie.height, movie.aspect);
        } else {
            movie.scaledWidth = movie.width;
            movie.scaledHeight = movie.height;
        }
    }
    return notes;
}

