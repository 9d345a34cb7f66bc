#pragma once

#include <QString>
#include <QStringList>

struct EncodingSource;

// What an encode does to a source's picture before it scales it, by the facts measured at
// load: an interlaced picture's two fields, taken a field's time apart, are made into whole
// pictures unless the output keeps the very frame they are stored in; a picture a player
// turns (a phone's portrait video stored wide) is turned upright. Scaled as one picture, the
// two fields blend: whatever moves shows twice at half its strength.
namespace SourceFields {

// Whether an output at `rate` pictures a second (0: the source's) keeps the source's rate.
bool sameRate(const EncodingSource &source, double rate);
// Whether an encode with this video codec, into a frame of `lines` lines, at the source's
// rate or not, keeps the source's fields: an interlaced source into MPEG-2, which codes
// fields, at its own lines and rate (a PAL disc's title into a PAL disc).
bool kept(const EncodingSource &source, const QString &codec, int lines, bool sameRate);
// Whether the source's fields are made whole for such an encode (a copy keeps them as stored).
bool madeWhole(const EncodingSource &source, const QString &codec, int lines, bool sameRate);

// FFmpeg's filters that come first: its deinterlacer where the fields are made whole (FFmpeg
// turns a flagged picture upright itself, before any filter).
QStringList ffmpegFilters(bool whole);
// FFmpeg's options that code and flag kept fields in their order.
QStringList ffmpegFieldOptions(const EncodingSource &source, bool kept);
// MEncoder's filters that come first: its deinterlacer where the fields are made whole, then
// the turn a player makes, which MEncoder does not make by itself.
QStringList mencoderFilters(const EncodingSource &source, bool whole);
// libavcodec's options in MEncoder that code and flag kept fields in their order.
QStringList lavcFieldOptions(const EncodingSource &source, bool kept);

} // namespace SourceFields
