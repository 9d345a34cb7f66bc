#pragma once

#include <QString>

// One subtitle stream of an FFprobe analysis, with FFprobe's own key names.
struct FFprobeSubtitleStream
{
    int index = 0;           // "index"
    QString codec_name;      // "codec_name"
    QString codec_long_name; // "codec_long_name"
    QString language;        // "TAG:language"
    QString title;           // "TAG:title"
    // "DISPOSITION:default" and "DISPOSITION:forced": a player shows the subtitle without
    // being asked (forced: the words of a film's foreign dialogue).
    bool disposition_default = false;
    bool disposition_forced = false;
};
