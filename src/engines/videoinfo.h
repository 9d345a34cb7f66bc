#pragma once

#include <QSize>
#include <QString>

// The video side of the current selection (a DVD title or a media file) as the encoding
// side receives it.
struct VideoInfo
{
    enum Kind : int { AudioOnlyFile = 0, MediaFile = 1, DvdTitle = 2 };

    VideoInfo();
    void reset();

    // The picture sizes as sizes: the coded one and the one the player displays.
    QSize sourceSize() const { return QSize(width, height); }
    QSize displaySize() const { return QSize(scaledWidth, scaledHeight); }

    int kind;             // Kind: 0 audio-only file (no video stream), 1 file, 2 DVD title
    int title;            // DVD title number, from 1
    int angle;            // DVD angle, from 1
    QString fileFormat;   // the words in front of "file format detected."
    QString videoFormat;  // video codec name, e.g. "mpeg1video"
    int colorDepth;       // bits per pixel; 0 for a DVD title
    int width;            // coded picture size
    int height;
    int scaledWidth;      // displayed picture size
    int scaledHeight;
    QString standard;     // "PAL", "NTSC" or empty (then derived from the frame rate)
    int spareInt1;        // copied from the title or movie record
    int spareInt2;
    double aspect;        // display aspect ratio, width over height (1.333 for 4:3)
    double spareDouble;   // copied from the title or movie record
    double frameRate;     // frames per second
    double videoBitrate;  // kbit/s
    double length;        // seconds
};
