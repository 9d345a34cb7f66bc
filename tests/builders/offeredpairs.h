#pragma once

#include "builders/commandbuilder.h"

#include <QList>
#include <QString>
#include <QStringList>

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
        for (const bool video : {true, false}) {
            QStringList &list = names[video ? 0 : 1];
            list = (video ? b.muxerVideoCodecs : b.muxerAudioCodecs).value(container);
            for (const QString &alias : (video ? b.videoCodecAliases : b.audioCodecAliases).keys())
                if (!list.contains(alias) && (video ? b.CommandBuilder::isVideoCodecSupported(container, alias)
                                                    : b.CommandBuilder::isAudioCodecSupported(container, alias)))
                    list << alias;
            for (const QString &name : std::as_const(list))
                why[video ? 0 : 1] << (!muxerRefusal.isEmpty() ? muxerRefusal
                                       : video ? b.videoCodecRefusal(container, name)
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
