#pragma once

class FFprobeData;
class MediaInfoData;
struct MovieInfo;

// The player panel's reading of the MediaInfo and FFprobe reports of a loaded file: the
// movie record that MPlayer's identify run filled is corrected from them (the moving
// picture among covers, its size and display shape, the rates, the sound streams' figures).
class MovieCorrection
{
public:
    // What the panel tells the user of a correction.
    struct Notes
    {
        bool coverDropped = false; // the only pictures are covers: the file plays as sound
        bool sizeUnread = false;   // MediaInfo gave the picture's size in another unit than pixels
        int picture = -1;          // the moving picture's place among FFprobe's video streams
    };

    static Notes apply(MovieInfo &movie, const FFprobeData &probe, const MediaInfoData &report);
};
