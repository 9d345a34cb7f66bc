#pragma once

// What one line of MPlayer output turned out to be. Every MPlayer line parser of
// InterfaceMplayer writes one of these codes; the callers act on them.
class PlayerOutputCode
{
public:
    enum Code : int {
        Ignored = 0,           // line not recognised (all standard-output parsers)
        NothingToReport = 1,   // empty standard-error line
        FileFormat = 2,        // "... file format detected."
        AudioOnlyFile = 3,     // "Audio only file format detected." or "Video: no video"
        VideoStream = 4,       // the "VIDEO:" line
        VideoResolution = 5,   // "ANS_VIDEO_RESOLUTION" answer
        ScaledResolution = 6,  // the "VO:" line (display size)
        MovieAspect = 7,       // "Movie-Aspect is ..."
        Length = 8,            // "ID_LENGTH", "ANS_LENGTH", "ID_DVD_TITLE_n_LENGTH"
        Deinterlace = 9,       // "ANS_deinterlace" answer
        VideoCodec = 10,       // "ID_VIDEO_CODEC"
        DvdVolumeId = 11,
        DvdTitleCount = 12,
        ChapterCount = 13,
        ChapterList = 14,      // "CHAPTERS:" with the start times
        AngleCount = 15,
        AudioStreamCount = 16, // audio streams of a DVD title
        AudioStream = 17,      // one audio stream described in full
        AudioId = 18,
        AudioFormat = 19,
        AudioCodec = 20,
        AudioDetails = 21,     // the "AUDIO:" line
        AudioBitrate = 22,
        AudioSamplingRate = 23,
        AudioChannelCount = 24,
        SubtitleCount = 25,    // subtitles of a DVD title
        SubtitleStream = 26,   // one subtitle stream described in full
        TimePosition = 27,     // "ANS_TIME_POSITION" answer
        CurrentChapter = 28,   // "ANS_chapter" answer
        Speed = 29,            // "ANS_speed" answer
        Exiting = 30,          // end of playback
        Playing = 31,          // "Playing ..." line of a DVD identify run
        StartingPlayback = 32, // "Starting playback..."
        NoDvdStructure = 33,   // "Can't open VMG info"
        FileNotFound = 34,
        OtherError = 35,       // any other standard-error line
        PlatformNoise = 36,    // a harmless warning of the Linux build (LIRC, socket,
                               // decoder threading): no error of the source
        VideoOutputFailed = 37, // the chosen video output could not be opened: no picture
        SubtitleId = 38         // a transport stream's subtitle: its id and format alone
    };
};
