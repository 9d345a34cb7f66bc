#include "engines/audioinfo.h"

AudioInfo::AudioInfo()
{
    reset();
}

void AudioInfo::reset()
{
    spareInt = 0;
    streamNumber = -1;
    aid = -1;
    format.clear();
    codec.clear();
    bitrate = 0.0;
    channels.clear();
    channelCount = 0;
    channelPositions.clear();
    samplingRate = 0;
    spareDouble = 0.0;
    language.clear();
    description.clear();
}
