#pragma once

#include "engines/ffprobeaudiostream.h"
#include "engines/ffprobesubtitlestream.h"
#include "engines/ffprobevideostream.h"

#include <QList>
#include <QString>

// What one FFprobe analysis ("-show_format -show_streams") tells of a media file: the
// FORMAT block and one record per video, audio and subtitle stream, in FFprobe's order.
//
// The stream records are held by value, so every copy owns its own streams: clearing
// one record never touches a copy made from it.
class FFprobeData
{
public:
    FFprobeData();

    // Empties the texts, sets the duration to 0 and drops every stream record.
    void clear();

    // Appends a new, default subtitle stream record and returns it for filling. The
    // reference stays valid until the subtitle list changes again.
    FFprobeSubtitleStream &addSubtitleStream();
    // The place among the video streams of the first one that moves, -1 for none: a picture
    // stored with the sound (an album's cover) is none.
    int movingPicture() const;

    QString filename;         // FORMAT "filename"
    QString format_name;      // one short container name; empty when FFprobe found no format
    QString format_long_name; // FORMAT "format_long_name"
    double duration = 0.0;    // FORMAT "duration", seconds
    QList<FFprobeVideoStream> videoStreams;
    QList<FFprobeAudioStream> audioStreams;
    QList<FFprobeSubtitleStream> subtitleStreams;
    // The packets the analysis listed from the file's start, of every stream: fewer than it
    // asked for, it read the whole file.
    int sampledPackets = 0;
};
