#pragma once

#include "encoder/records/audiotarget.h"
#include "encoder/records/encoderprofile.h"
#include "encoder/records/videotarget.h"

#include <QMap>
#include <QString>
#include <QStringList>

// The output side of an encoding.
struct EncodingTarget
{
    EncodingTarget();
    // Keeps the profile's texts, codecs, size and bitrates; only its level goes back to 0.
    void reset();

    QString muxer;          // container identifier, e.g. "avi", "mpeg", "mpeg_vcd"
    EncoderProfile profile;
    VideoTarget video;
    AudioTarget audio;
    QString subtitleCodec;
    QStringList spareList1; // nothing fills them yet
    QStringList spareList2;
    // Switches the caller adds to the command (switch to argument; an empty argument
    // means the switch alone); the builders write them in ascending key order.
    QMap<QString, QString> extraOptions;
    int spareInt1;
    int spareInt2;
};
