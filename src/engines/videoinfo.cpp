#include "engines/videoinfo.h"

#include <tuple>

void VideoInfo::reset()
{
    *this = VideoInfo();
}

bool VideoInfo::operator==(const VideoInfo &other) const
{
    const auto fields = [](const VideoInfo &v) {
        return std::tie(v.kind, v.title, v.angle, v.fileFormat, v.videoFormat, v.colorDepth,
                        v.width, v.height, v.scaledWidth, v.scaledHeight, v.standard, v.videoId,
                        v.spareInt2, v.aspect, v.playerFrameRate, v.frameRate, v.videoBitrate,
                        v.length);
    };
    return fields(*this) == fields(other);
}
