#include "engines/titleinfo.h"

TitleInfo::TitleInfo()
{
    reset();
}

void TitleInfo::reset()
{
    number = 0;
    fileFormat.clear();
    videoFormat.clear();
    width = 0;
    height = 0;
    scaledWidth = 0;
    scaledHeight = 0;
    standard.clear();
    spareInt1 = -1;
    spareInt2 = -1;
    unsetDouble = 0.0;
    spareDouble = 0.0;
    aspectCode = 0;
    frameRateCode = 0;
    videoBitrate = 0.0;
    length = 0.0;
    ignored = false;
    angles = 0;
    chapters = 0;
    // New empty lists rather than clearing in place, so that no copy taken earlier can
    // be affected whatever sharing the containers do.
    chapterTimes = QList<double>();
    audioCount = 0;
    audioStreams = QList<AudioInfo>();
    subtitleCount = 0;
    subtitleStreams = QList<SubtitleInfo>();
}
