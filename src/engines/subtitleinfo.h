#pragma once

#include <QString>

// One subtitle stream. It has no reset: assign a new SubtitleInfo to start over.
struct SubtitleInfo
{
    int spareInt1 = 0;     // no parser sets it
    int streamNumber = -1; // -1 unset
    int sid = -1;          // the player's subtitle id ("-sid", "sub_demux"), -1 unset
    int spareInt2 = 0;     // no parser sets it
    QString format;        // subtitle codec or format name
    QString language;
    QString description;
};
