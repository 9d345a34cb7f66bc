#include "engines/movieinfo.h"

MovieInfo::MovieInfo()
{
    reset();
}

void MovieInfo::reset()
{
    containerFormat.clear();
    audioOnly = false;
    videoFormat.clear();
    colorDepth = 0;
    width = 0;
    height = 0;
    scaledWidth = 0;
    scaledHeight = 0;
    standard.clear();
    spareInt1 = -1;
    spareInt2 = -1;
    aspectText.clear();
    aspect = 0.0;
    spareDouble = 0.0;
    frameRate = 0.0;
    videoBitrate = 0.0;
    length = 0.0;
    audioCount = 0;
    // New empty lists, so that a copy taken earlier keeps its own streams.
    audioStreams = QList<AudioInfo>();
    subtitleCount = 0;
    subtitleStreams = QList<SubtitleInfo>();
}
