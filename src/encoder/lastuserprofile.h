#pragma once

#include <QString>

struct EncodingSource;
struct EncodingTarget;
class UserOptionLists;

// The user settings last applied in the extended configurator, remembered per container
// and codec under "Encoder/Last User Profile/<muxer>": in "Video", a group per codec and
// TV standard ("<codec> <standard>", or the codec alone without a standard) with "rez" and
// "bitrate"; in "Audio", a group per codec with "sampling" and "bitrate".
class LastUserProfile
{
public:
    static const QString &settingsGroup();

    // Writes the target's video and audio settings; "novideo", "noaudio" and empty codecs
    // are not stored, and a target without a container stores nothing.
    static void save(const EncodingTarget &target);

    // Reads the stored settings of `video` (preferring the group of `standard`) and `audio`
    // into `target`. True when every part asked for was found. A value that is not a number,
    // or a picture size the options would not offer, makes its group count as missing (the
    // caller then seeds the presets); numbers beyond the offered values are brought to the
    // nearest one. `source` is the encoding's source (its own size and audio stream).
    static bool load(const QString &muxer, const QString &standard, const QString &video,
                     const QString &audio, EncodingTarget &target, const EncodingSource &source,
                     const UserOptionLists &lists);
};
