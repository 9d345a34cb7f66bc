#pragma once

#include "engines/audioinfo.h"
#include "engines/sourcefacts.h"
#include "engines/subtitleinfo.h"

#include <QList>
#include <QSize>
#include <QString>

// The loaded media file as the player panel holds it. The stream lists hold their records
// by value; a copy keeps its own lists.
struct MovieInfo
{
    MovieInfo() = default;
    // Every field back to the value it starts with; the lists become new empty lists, so
    // that a copy taken earlier keeps its own streams.
    void reset();

    QSize sourceSize() const { return QSize(width, height); }
    QSize displaySize() const { return QSize(scaledWidth, scaledHeight); }

    QString containerFormat;   // file format
    bool audioOnly = false;
    QString videoFormat;       // video codec
    int colorDepth = 0;        // bits per pixel
    // The picture's size as stored, its sides swapped where a player turns it a quarter
    // (facts.rotation): the size of the upright picture that the engines are to encode.
    int width = 0;
    int height = 0;
    int scaledWidth = 0;       // displayed picture size, upright
    int scaledHeight = 0;
    QString standard;          // TV standard text, filled by the player panel if at all
    int videoId = -1;          // as VideoInfo::videoId
    int spareInt2 = -1;
    QString aspectText;        // MediaInfo's "Display aspect ratio" text
    double aspect = 0.0;
    double playerFrameRate = 0.0; // as VideoInfo::playerFrameRate
    double frameRate = 0.0;
    double videoBitrate = 0.0; // kbit/s
    double length = 0.0;       // seconds
    int audioCount = 0;
    QList<AudioInfo> audioStreams;
    int subtitleCount = 0;
    QList<SubtitleInfo> subtitleStreams;
    // The places in the lists of the sound and the subtitle a player chooses first, as the
    // file flags them: the first sound flagged default; the first subtitle flagged forced,
    // else the first flagged default. -1 where none is flagged (the first sound, no subtitle).
    int flaggedAudio = -1;
    int flaggedSubtitle = -1;
    // What FFprobe measured of the file; the figures above are corrected by it (a turned
    // picture's sides, a length the player only estimates).
    SourceFacts facts;
};
