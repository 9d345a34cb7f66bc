#pragma once

#include <QSize>
#include <QString>

// The video side of the current selection (a DVD title or a media file) as the encoding
// side receives it.
struct VideoInfo
{
    enum Kind : int { AudioOnlyFile = 0, MediaFile = 1, DvdTitle = 2 };

    VideoInfo() = default;
    // Every field back to the value it starts with.
    void reset();
    // Every field equal.
    bool operator==(const VideoInfo &other) const;
    bool operator!=(const VideoInfo &other) const { return !(*this == other); }

    // The picture sizes as sizes: the coded one and the one the player displays.
    QSize sourceSize() const { return QSize(width, height); }
    QSize displaySize() const { return QSize(scaledWidth, scaledHeight); }

    int kind = AudioOnlyFile;  // Kind: 0 audio-only file (no video stream), 1 file, 2 DVD title
    int title = 1;             // DVD title number, from 1
    int angle = 1;             // DVD angle, from 1
    QString fileFormat;        // the words in front of "file format detected."
    QString videoFormat;       // video codec name, e.g. "mpeg1video"
    int colorDepth = 0;        // bits per pixel; 0 for a DVD title
    int width = 0;             // coded picture size
    int height = 0;
    int scaledWidth = 0;       // displayed picture size
    int scaledHeight = 0;
    QString standard;          // "PAL", "NTSC" or empty (then derived from the frame rate)
    // The place among the video streams of the moving picture where another video stream
    // stands before it (a cover picture); -1 where the first is the picture. Copied from the
    // title or movie record.
    int videoId = -1;
    int spareInt2 = -1;
    double aspect = 0.0;       // display aspect ratio, width over height (1.333 for 4:3)
    // The rate the player's reader times the pictures at where it is not the stream's own
    // (frameRate): a bare H.264 stream read at its field rate; 0 where it is. Copied from the
    // title or movie record.
    double playerFrameRate = 0.0;
    double frameRate = 0.0;    // frames per second
    double videoBitrate = 0.0; // kbit/s
    double length = 0.0;       // seconds
};
