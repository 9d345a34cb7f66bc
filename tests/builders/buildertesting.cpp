#include "buildertesting.h"

#include "testmedia.h"

#include <QRegularExpression>

QByteArray engineAnswer(const QString &program, const QStringList &arguments)
{
    static QMap<QStringList, QByteArray> answers; // they do not change while the tests run
    const QStringList key = QStringList{program} + arguments;
    if (!answers.contains(key)) {
        QString out;
        TestMedia::run(program, arguments, &out);
        answers.insert(key, out.toUtf8());
    }
    return answers.value(key);
}

bool readEngine(MEncoderRecords &records)
{
    QString program;
    QStringList arguments;
    records.builder.cliCmdGetStatus(program, arguments);
    return records.parse(engineAnswer(program, arguments)) == InterfaceStatus::Ready;
}

bool readEngine(FFmpegRecords &records)
{
    // The encoder core's order: each query run, then its parser.
    const struct {
        void (InterfaceFFmpeg::*command)(QString &, QStringList &) const;
        void (InterfaceFFmpeg::*parse)();
    } queries[] = {{&InterfaceFFmpeg::cliCmdGetVersion, &InterfaceFFmpeg::parseVersion},
                   {&InterfaceFFmpeg::cliCmdGetCodecs, &InterfaceFFmpeg::parseCodecs},
                   {&InterfaceFFmpeg::cliCmdGetMuxers, &InterfaceFFmpeg::parseMuxers}};
    for (const auto &query : queries) {
        QString program;
        QStringList arguments;
        (records.builder.*query.command)(program, arguments);
        if (records.parse(engineAnswer(program, arguments), query.parse) != InterfaceStatus::OutputCaptured)
            return false;
    }
    records.status.state = InterfaceStatus::Ready;
    return true;
}

// Only what the builders read of the records that the player hands over.
EncodingSource clipSource(const QString &path)
{
    EncodingSource source;
    source.path = path;
    source.kind = SourceKind::MediaFile;
    source.video.kind = VideoInfo::MediaFile;
    source.video.fileFormat = "AVI";
    source.video.aspect = 4.0 / 3.0;
    source.video.frameRate = 25.0;
    source.noVideo = source.noAudio = false;
    source.audio.streamNumber = source.audio.aid = 1; // MPlayer's AVI reader: after the video
    source.audio.channelCount = 1;
    source.facts.measured = true; // by FFprobe at the load: a constant rate, both streams from 0
    return source;
}

QString twoTrackClip(const QString &container, bool soundFirst)
{
    const QStringList sound{"-map", "1:a", "-map", "2:a"}, picture{"-map", "0:v"};
    const QString name = QStringLiteral("%1-first.%2").arg(soundFirst ? "sound" : "video", container);
    return TestMedia::clip(name, QStringList{"-f", "lavfi", "-i",
        "testsrc=size=160x120:rate=25:duration=1", "-f", "lavfi", "-i",
        "sine=frequency=440:sample_rate=22050:duration=1", "-f", "lavfi", "-i",
        "sine=frequency=880:sample_rate=44100:duration=1"} + (soundFirst ? sound + picture : picture + sound)
        + QStringList{"-c:v", "mpeg4", "-c:a", container == "mp4" ? "aac" : "libmp3lame"});
}

EncodingSource twoTrackSource(const QString &path, bool soundFirst, int track)
{
    EncodingSource source = clipSource(path);
    const bool avi = path.endsWith(".avi");
    source.video.fileFormat = avi ? "AVI" : "";
    // MPlayer's AVI reader numbers every stream in file order, its libavformat reader the
    // audio streams among themselves.
    for (int aid : !avi || soundFirst ? QList<int>{0, 1} : QList<int>{1, 2}) {
        source.audio.aid = source.audio.streamNumber = aid;
        source.audioStreams << source.audio;
    }
    source.audio = source.audioStreams[track];
    return source;
}

EncodingSource dvdSource(const QString &folder)
{
    EncodingSource source = clipSource(folder);
    source.kind = SourceKind::Dvd;
    source.video.kind = VideoInfo::DvdTitle;
    source.video.fileFormat.clear();
    source.video.title = source.video.angle = 1;
    source.video.aspect = 16.0 / 9.0;
    source.audio.streamNumber = 0;
    source.audio.aid = 128;
    source.audio.language = "en";
    return source;
}

void setTarget(EncodingTarget &target, int level, const QString &muxer, const QString &video,
               QSize size, double videoBitrate, const QString &audio, int rate,
               double audioBitrate, const QString &standard)
{
    target = EncodingTarget();
    target.muxer = muxer;
    target.profile.level = level;
    if (level != EncoderProfile::LevelUser) {
        target.profile = {QString(), muxer, level, QString(), standard, video, size,
                          videoBitrate, audio, rate, audioBitrate};
        return;
    }
    target.video.standard = standard;
    target.video.codec = video;
    target.video.pictureSize = size;
    target.video.bitrate = videoBitrate;
    target.audio.codec = audio;
    target.audio.samplingRate = rate;
    target.audio.bitrate = audioBitrate;
}

QStringList probeStreams(const QString &path, const QString &entries)
{
    QString out;
    TestMedia::run("ffprobe", {"-v", "error", "-show_entries", "stream=" + entries, "-of",
                               "csv=p=0", path}, &out);
    static const QRegularExpression emptySideData(",+$"); // that some streams add
    return out.split('\n', Qt::SkipEmptyParts).replaceInStrings(emptySideData, QString());
}
