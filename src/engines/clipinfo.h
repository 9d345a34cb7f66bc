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
    ClipInfo();
    void reset();

    QSize sourceSize() const { return QSize(width, height); }
    QSize displaySize() const { return QSize(scaledWidth, scaledHeight); }

    int kind;              // media kind of the pass (1 file, 2 DVD title), set by the caller
    QString fileFormat;
    bool audioOnly;
    QString videoFormat;   // video codec
    int colorDepth;        // bits per pixel
    int width;             // coded picture size
    int height;
    int scaledWidth;       // display size from the video output line
    int scaledHeight;
    int aspectCode;        // the MPEG aspect code of the VIDEO line
    double aspect;         // from "Movie-Aspect is"
    double spareDouble;    // the parser does not set it
    int frameRateCode;     // 1 to 8, or -1 for a rate outside the table
    double frameRate;
    double videoBitrate;   // kbit/s
    int deinterlace;       // 1 on, 0 off, -1 not reported
    int spareInt;          // the parser does not set it
    double length;         // seconds
    int chapters;
    QList<double> chapterTimes; // chapter start times in seconds, in the order given
    int angles;
    int audioCount;        // audio streams as the disc reports them
    AudioInfo audio;       // the stream of the last audio line
    int subtitleCount;
    SubtitleInfo subtitle; // the stream of the last subtitle line
};
