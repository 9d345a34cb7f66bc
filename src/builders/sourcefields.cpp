#include "builders/sourcefields.h"

#include "encoder/records/encodingsource.h"

namespace {
// Rates closer than this are the same (a 29.97 fps source written at 30000/1001).
constexpr double kSameRateFps = 0.01;

} // namespace

namespace SourceFields {

bool sameRate(const EncodingSource &source, double rate)
{
    return rate <= 0.0 || source.video.frameRate <= 0.0 || qAbs(rate - source.video.frameRate) < kSameRateFps;
}

bool kept(const EncodingSource &source, const QString &codec, int lines, bool sameRate)
{
    const SourceFacts &facts = source.facts;
    return facts.interlaced() && !facts.sideways() && codec == QLatin1String("mpeg2video")
           && lines == source.video.height && sameRate;
}

bool madeWhole(const EncodingSource &source, const QString &codec, int lines, bool sameRate)
{
    // A copy takes no filters: it keeps the fields as stored.
    return source.facts.interlaced() && codec != QLatin1String("copy") && !kept(source, codec, lines, sameRate);
}

QStringList ffmpegFilters(bool whole)
{
    return whole ? QStringList{QStringLiteral("yadif")} : QStringList();
}

QStringList ffmpegFieldOptions(const EncodingSource &source, bool kept)
{
    if (!kept)
        return {};
    return {"-flags", "+ilme+ildct", "-top", source.facts.topFieldFirst() ? "1" : "0"};
}

QStringList mencoderFilters(const EncodingSource &source, bool whole)
{
    QStringList filters;
    if (whole)
        filters << QStringLiteral("yadif");
    return filters + source.facts.mplayerTurn();
}

QStringList lavcFieldOptions(const EncodingSource &source, bool kept)
{
    if (!kept)
        return {};
    return {"ildct", "ilme", source.facts.topFieldFirst() ? "top=1" : "top=0"};
}

} // namespace SourceFields
