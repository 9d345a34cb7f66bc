#pragma once

#include <QString>
#include <QStringList>

struct SourceFacts;

// How an encode shows a source's colours in a target: at the standard range and in the BT.709
// colours that the players of every target take. A picture of high dynamic range (PQ, as
// HDR10; HLG), shown as if it were BT.709, looks washed out with its hues shifted, and BT.2020's
// wider colours look pale: they are converted, PQ and HLG tone-mapped into BT.709's range of
// light first. Any other picture keeps its colours and what its file says of them: a tone
// mapping of a picture of standard range would darken it.
namespace PictureColour {

// Whether the source's colours are converted: PQ or HLG, or BT.2020's colours.
bool converted(const SourceFacts &facts);
// FFmpeg's filters that convert them (zscale, tonemap); empty where they are kept. Each
// picture is converted from the colours it says it has.
QStringList ffmpegFilters(const SourceFacts &facts);
// FFmpeg's options that say what the output holds where they are converted: BT.709's
// colours at the standard range, not the source's BT.2020 and PQ.
QStringList ffmpegTags(const SourceFacts &facts);
// The transfer's name as a user knows it ("PQ", "HLG"); empty for one of standard range.
QString transferName(const SourceFacts &facts);

} // namespace PictureColour
