#pragma once

#include "engines/audioinfo.h"
#include "engines/subtitleinfo.h"

#include <QList>
#include <QSize>
#include <QString>

// The result of one identify pass over a media file or one DVD title. The current audio
// and subtitle describe the last stream line parsed; the caller copies them out.
struct ClipInfo
{
    ClipInfo() = default;
    // Every field back to the value it starts with.
    void reset();

    QSize sourceSize() const { return QSize(width, height); }
    QSize displaySize() const { return QSize(scaledWidth, scaledHeight); }

    int kind = 0;              // media kind of the pass (1 file, 2 DVD title), set by the caller
    QString fileFormat;
    bool audioOnly = false;
    QString videoFormat;       // video codec
    int colorDepth = 0;        // bits per pixel
    int width = 0;             // coded picture size
    int height = 0;
    int scaledWidth = 0;       // display size from the video output line
    int scaledHeight = 0;
    int aspectCode = 0;        // the MPEG aspect code of the VIDEO line
    double aspect = 0.0;       // from "Movie-Aspect is"
    double spareDouble = 0.0;  // the parser does not set it
    int frameRateCode = 0;     // 1 to 8, or -1 for a rate outside the table
    double frameRate = 0.0;
    double videoBitrate = 0.0; // kbit/s
    int deinterlace = -1;      // 1 on, 0 off, -1 not reported
    int spareInt = -1;         // the parser does not set it
    double length = 0.0;       // seconds
    int chapters = 0;
    QList<double> chapterTimes; // chapter start times in seconds, in the order given
    int angles = 0;
    int audioCount = 0;        // audio streams as the disc reports them
    AudioInfo audio;           // the stream of the last audio line
    int subtitleCount = 0;
    SubtitleInfo subtitle;     // the stream of the last subtitle line
};
