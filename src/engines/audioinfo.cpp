#include "engines/audioinfo.h"

void AudioInfo::reset()
{
    *this = AudioInfo();
}
