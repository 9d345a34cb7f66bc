#include "engines/videoinfo.h"

VideoInfo::VideoInfo()
{
    reset();
}

void VideoInfo::reset()
{
    kind = AudioOnlyFile;
    title = 1;
    angle = 1;
    fileFormat.clear();
    videoFormat.clear();
    colorDepth = 0;
    width = 0;
    height = 0;
    scaledWidth = 0;
    scaledHeight = 0;
    standard.clear();
    spareInt1 = -1;
    spareInt2 = -1;
    aspect = 0.0;
    spareDouble = 0.0;
    frameRate = 0.0;
    videoBitrate = 0.0;
    length = 0.0;
}
