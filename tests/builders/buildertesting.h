#pragma once

// Shared by the builder tests: builders set up as the encoder core sets them up, the source
// records the player hands over, and ffprobe's view of an output.

#include "builderrecords.h"
#include "builders/interfaceffmpeg.h"
#include "builders/interfacemencoder.h"
#include "encoder/records/encodingjob.h"
#include "encoder/records/enginecapabilities.h"
#include "encoder/records/sourcekind.h"
#include "engines/interfacestatus.h"
#include "outputreport.h"

#include <QMap>

using MEncoderRecords = BuilderRecords<InterfaceMEncoder>;
using FFmpegRecords = BuilderRecords<InterfaceFFmpeg>;

// A builder's support check of a container (no codec given), a video codec or an audio codec
// into it, and the reason it gives.
struct Support
{
    bool supported;
    QString refusal;
};
template <class Builder>
Support support(const Builder &b, const QString &muxer, const QString &video, const QString &audio)
{
    if (!video.isEmpty())
        return {b.isVideoCodecSupported(muxer, video), b.videoCodecRefusal(muxer, video)};
    if (!audio.isEmpty())
        return {b.isAudioCodecSupported(muxer, audio), b.audioCodecRefusal(muxer, audio)};
    return {b.isMuxerSupported(muxer), b.muxerRefusal(muxer)};
}

// The standard output of an installed engine, asked once per test run.
QByteArray engineAnswer(const QString &program, const QStringList &arguments);
// Runs the builder's own status queries on the installed engine and parses them; true when
// the status is ready.
bool readEngine(MEncoderRecords &records);
bool readEngine(FFmpegRecords &records);

// Source records as the player hands them over for TestMedia's clip and DVD folder (title 1).
EncodingSource clipSource(const QString &path);
EncodingSource dvdSource(const QString &folder);

// A target at the user's settings (level 4: the target's own fields) or at a predefined level
// (the profile's fields), as the encoder core sets it.
void setTarget(EncodingTarget &target, int level, const QString &muxer, const QString &video,
               QSize size, double videoBitrate, const QString &audio, int rate,
               double audioBitrate, const QString &standard = QString());

// ffprobe's lines for the streams of a file with the given entries, e.g. "mpeg4,video".
QStringList probeStreams(const QString &path, const QString &entries = "codec_name,codec_type");

// A container with a video and an audio codec, as a conformance run encodes them.
struct Pair
{
    QString container, video, audio, refusal; // refusal: why the builder does not offer it
};

// Each video codec of each container with the container's first offered audio codec, and each
// audio codec with its first offered video codec ("novideo" when the container has no video
// codecs). A container's codecs are its row's names, then the aliases its row accepts.
template <class Builder>
QList<Pair> offeredPairs(const Builder &b, QStringList containers)
{
    containers.removeDuplicates();
    QList<Pair> result;
    for (const QString &container : std::as_const(containers)) {
        const QString muxerRefusal = b.muxerRefusal(container);
        QStringList names[2], why[2]; // video, audio
        for (const int kind : {0, 1}) {
            QStringList &list = names[kind];
            list = (kind == 0 ? b.muxerVideoCodecs : b.muxerAudioCodecs).value(container);
            for (const QString &alias : (kind == 0 ? b.videoCodecAliases : b.audioCodecAliases).keys())
                if (!list.contains(alias) && (kind == 0 ? b.tablesTakeVideoCodec(container, alias)
                                                        : b.tablesTakeAudioCodec(container, alias)))
                    list << alias;
            for (const QString &name : std::as_const(list))
                why[kind] << (!muxerRefusal.isEmpty() ? muxerRefusal
                              : kind == 0 ? b.videoCodecRefusal(container, name)
                                          : b.audioCodecRefusal(container, name));
        }
        const int v0 = why[0].indexOf(QString()), a0 = why[1].indexOf(QString());
        const QString firstVideo = names[0].isEmpty() ? "novideo" : v0 < 0 ? "" : names[0][v0];
        const QString firstAudio = a0 < 0 ? "noaudio" : names[1][a0];
        for (int i = 0; i < names[0].size(); ++i)
            result.append({container, names[0][i], firstAudio, why[0][i]});
        for (int i = 0; i < names[1].size(); ++i)
            result.append({container, firstVideo, names[1][i],
                           why[1][i].isEmpty() && firstVideo.isEmpty()
                               ? "no video codec of the container is offered" : why[1][i]});
    }
    return result;
}
