#pragma once

#include "engines/audioinfo.h"
#include "engines/sourcefacts.h"
#include "engines/subtitleinfo.h"

#include <QList>
#include <QSize>
#include <QString>

// One DVD title as the player panel holds it: the disc entry and the title's identify
// pass. The stream lists hold their records by value; a copy keeps its own lists.
struct TitleInfo
{
    TitleInfo() = default;
    // Every field back to the value it starts with; the lists become new empty lists, so
    // that no copy taken earlier can be affected whatever sharing the containers do.
    void reset();

    QSize sourceSize() const { return QSize(width, height); }
    QSize displaySize() const { return QSize(scaledWidth, scaledHeight); }

    int number = 0;            // title number, from 1
    QString fileFormat;
    QString videoFormat;       // video codec
    int width = 0;             // coded picture size
    int height = 0;
    int scaledWidth = 0;       // displayed picture size
    int scaledHeight = 0;
    QString standard;          // TV standard text, filled by the player panel if at all
    int spareInt1 = -1;
    int spareInt2 = -1;
    double unsetDouble = 0.0;  // nothing sets it
    double spareDouble = 0.0;  // copied into VideoInfo::spareDouble
    int aspectCode = 0;        // MPEG aspect code
    int frameRateCode = 0;
    double videoBitrate = 0.0; // kbit/s
    double length = 0.0;       // seconds
    bool ignored = false;      // skipped or failed to load; not offered
    int angles = 0;
    int chapters = 0;
    QList<double> chapterTimes; // start times in seconds, first chapter first
    int audioCount = 0;
    QList<AudioInfo> audioStreams;
    int subtitleCount = 0;
    QList<SubtitleInfo> subtitleStreams;
    // Of what the engines measure of a source, only the picture's field order, which FFprobe
    // reads in the first video object file of the title's set; nothing else is measured.
    SourceFacts facts;
};
