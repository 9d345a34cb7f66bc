#pragma once

#include "engines/audioinfo.h"
#include "engines/subtitleinfo.h"

#include <QList>
#include <QSize>
#include <QString>

// The loaded media file as the player panel holds it. The stream lists hold their records
// by value; a copy keeps its own lists.
struct MovieInfo
{
    MovieInfo();
    void reset();

    QSize sourceSize() const { return QSize(width, height); }
    QSize displaySize() const { return QSize(scaledWidth, scaledHeight); }

    QString containerFormat; // file format
    bool audioOnly;
    QString videoFormat;     // video codec
    int colorDepth;          // bits per pixel
    int width;               // coded picture size
    int height;
    int scaledWidth;         // displayed picture size
    int scaledHeight;
    QString standard;        // TV standard text, filled by the player panel if at all
    int spareInt1;
    int spareInt2;
    QString aspectText;      // MediaInfo's "Display aspect ratio" text
    double aspect;
    double spareDouble;      // copied into VideoInfo::spareDouble
    double frameRate;
    double videoBitrate;     // kbit/s
    double length;           // seconds
    int audioCount;
    QList<AudioInfo> audioStreams;
    int subtitleCount;
    QList<SubtitleInfo> subtitleStreams;
};
