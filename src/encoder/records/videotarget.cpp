#include "encoder/records/videotarget.h"

VideoTarget::VideoTarget()
{
    reset();
}

void VideoTarget::reset()
{
    codec.clear();
    standard.clear();
    pictureSize = QSize(0, 0);
    bitrate = 0.0;
    frameRate = 0.0;
    preset.clear();
    profile.clear();
    spareList1 = QStringList();
    spareList2 = QStringList();
}
