#include "engines/audioinfo.h"

#include <tuple>

void AudioInfo::reset()
{
    *this = AudioInfo();
}

bool AudioInfo::operator==(const AudioInfo &other) const
{
    const auto fields = [](const AudioInfo &a) {
        return std::tie(a.spareInt, a.streamNumber, a.aid, a.format, a.codec, a.bitrate,
                        a.channels, a.channelCount, a.channelPositions, a.samplingRate,
                        a.spareDouble, a.language, a.description);
    };
    return fields(*this) == fields(other);
}
