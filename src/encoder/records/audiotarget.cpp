#include "encoder/records/audiotarget.h"

AudioTarget::AudioTarget()
{
    reset();
}

void AudioTarget::reset()
{
    codec.clear();
    volume = 0;
    samplingRate = 0;
    bitrate = 0.0;
    spareList1 = QStringList();
    spareList2 = QStringList();
}
