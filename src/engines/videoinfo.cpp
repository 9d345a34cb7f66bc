#include "engines/videoinfo.h"

void VideoInfo::reset()
{
    *this = VideoInfo();
}
