#pragma once

#include "engines/audioinfo.h"
#include "engines/subtitleinfo.h"

#include <QList>
#include <QSize>
#include <QString>

// One DVD title as the player panel holds it: the disc entry and the title's identify
// pass. The stream lists hold their records by value; a copy keeps its own lists.
struct TitleInfo
{
    TitleInfo();
    void reset();

    QSize sourceSize() const { return QSize(width, height); }
    QSize displaySize() const { return QSize(scaledWidth, scaledHeight); }

    int number;           // title number, from 1
    QString fileFormat;
    QString videoFormat;  // video codec
    int width;            // coded picture size
    int height;
    int scaledWidth;      // displayed picture size
    int scaledHeight;
    QString standard;     // TV standard text, filled by the player panel if at all
    int spareInt1;
    int spareInt2;
    double unsetDouble;   // nothing sets it
    double spareDouble;   // copied into VideoInfo::spareDouble
    int aspectCode;       // MPEG aspect code
    int frameRateCode;
    double videoBitrate;  // kbit/s
    double length;        // seconds
    bool ignored;         // skipped or failed to load; not offered
    int angles;
    int chapters;
    QList<double> chapterTimes; // start times in seconds, first chapter first
    int audioCount;
    QList<AudioInfo> audioStreams;
    int subtitleCount;
    QList<SubtitleInfo> subtitleStreams;
};
