#include "engines/clipinfo.h"

ClipInfo::ClipInfo()
{
    reset();
}

void ClipInfo::reset()
{
    kind = 0;
    fileFormat.clear();
    audioOnly = false;
    videoFormat.clear();
    colorDepth = 0;
    width = 0;
    height = 0;
    scaledWidth = 0;
    scaledHeight = 0;
    aspectCode = 0;
    aspect = 0.0;
    spareDouble = 0.0;
    frameRateCode = 0;
    frameRate = 0.0;
    videoBitrate = 0.0;
    deinterlace = -1;
    spareInt = -1;
    length = 0.0;
    chapters = 0;
    chapterTimes = QList<double>();
    angles = 0;
    audioCount = 0;
    audio.reset();
    subtitleCount = 0;
    subtitle = SubtitleInfo();
}
