#pragma once

#include "encoder/records/sourcekind.h"
#include "engines/audioinfo.h"
#include "engines/sourcefacts.h"
#include "engines/subtitleinfo.h"
#include "engines/videoinfo.h"

#include <QList>
#include <QMap>
#include <QString>

// The input side of an encoding: the source and the streams selected in it.
struct EncodingSource
{
    EncodingSource();
    void reset();
    // Every field equal.
    bool operator==(const EncodingSource &other) const;
    bool operator!=(const EncodingSource &other) const { return !(*this == other); }

    QString path;       // media file path, or the DVD device or folder
    int kind;           // SourceKind: 0 not set, 1 media file, 2 DVD
    VideoInfo video;    // the selected video stream
    bool noVideo;
    AudioInfo audio;    // the selected audio stream
    bool noAudio;
    SubtitleInfo subtitle;
    bool noSubtitle;
    // All streams of the source (of a DVD, of the chosen title), among which the builders
    // find the chosen audio and subtitle streams by their places; nothing fills the video list.
    QList<VideoInfo> videoStreams;
    QList<AudioInfo> audioStreams;
    QList<SubtitleInfo> subtitleStreams;
    // What the engines measured of the source when it was loaded (rotation, field order, a
    // variable rate, each stream's start and length); of a DVD title its field order only.
    SourceFacts facts;
    // Copied with the record and emptied by reset; nothing fills them yet.
    QMap<QString, QString> spareMap1;
    QMap<QString, QString> spareMap2;
};
