#pragma once

#include <QString>

#include <tuple>

// One subtitle stream. It has no reset: assign a new SubtitleInfo to start over.
struct SubtitleInfo
{
    int spareInt1 = 0;     // no parser sets it
    int streamNumber = -1; // -1 unset
    int sid = -1;          // the player's subtitle id ("-sid", "sub_demux"), -1 unset
    int spareInt2 = 0;     // no parser sets it
    QString format;        // subtitle codec or format name
    QString language;
    QString description;

    // Every field equal.
    bool operator==(const SubtitleInfo &other) const
    {
        const auto fields = [](const SubtitleInfo &s) {
            return std::tie(s.spareInt1, s.streamNumber, s.sid, s.spareInt2, s.format, s.language,
                            s.description);
        };
        return fields(*this) == fields(other);
    }
    bool operator!=(const SubtitleInfo &other) const { return !(*this == other); }
};
