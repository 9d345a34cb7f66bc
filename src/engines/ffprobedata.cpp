#include "engines/ffprobedata.h"

FFprobeData::FFprobeData()
{
    clear();
}

void FFprobeData::clear()
{
    filename.clear();
    format_name.clear();
    format_long_name.clear();
    duration = 0.0;
    videoStreams.clear();
    audioStreams.clear();
    subtitleStreams.clear();
    sampledPackets = 0;
}

FFprobeSubtitleStream &FFprobeData::addSubtitleStream()
{
    subtitleStreams.append(FFprobeSubtitleStream());
    return subtitleStreams.last();
}

int FFprobeData::movingPicture() const
{
    for (int i = 0; i < videoStreams.size(); ++i)
        if (!videoStreams.at(i).attached_pic)
            return i;
    return -1;
}
