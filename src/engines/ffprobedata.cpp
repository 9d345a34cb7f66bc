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
}

FFprobeSubtitleStream &FFprobeData::addSubtitleStream()
{
    subtitleStreams.append(FFprobeSubtitleStream());
    return subtitleStreams.last();
}
