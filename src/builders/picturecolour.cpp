#include "builders/picturecolour.h"

#include "engines/sourcefacts.h"

namespace {

// The transfers of high dynamic range as FFprobe names them.
struct Transfer
{
    const char *name, *shown;
};
const Transfer kHighDynamicRange[] = {{"smpte2084", "PQ"}, {"arib-std-b67", "HLG"}};

// PQ and HLG into BT.709: made linear (the standard range's white at 100 cd/m2), their colours
// mapped into BT.709's in floating point, their light tone-mapped into the standard range
// (Hable's curve, the colours kept as saturated as they are), then coded as BT.709.
const QStringList kToneMapped = {"zscale=t=linear:npl=100", "format=gbrpf32le", "zscale=p=bt709",
                                 "tonemap=hable:desat=0", "zscale=t=bt709:m=bt709:r=tv", "format=yuv420p"};
// BT.2020's colours of standard range into BT.709's.
const QStringList kBt709 = {"zscale=p=bt709:t=bt709:m=bt709:r=tv", "format=yuv420p"};
const QStringList kBt709Tags = {"-color_primaries", "bt709", "-color_trc", "bt709", "-colorspace", "bt709",
                                "-color_range", "tv"};

bool wideColours(const SourceFacts &facts)
{
    return facts.primaries == QLatin1String("bt2020") || facts.matrix.startsWith(QLatin1String("bt2020"));
}

} // namespace

namespace PictureColour {

bool converted(const SourceFacts &facts)
{
    return facts.highDynamicRange() || wideColours(facts);
}

QStringList ffmpegFilters(const SourceFacts &facts)
{
    if (facts.highDynamicRange())
        return kToneMapped;
    return wideColours(facts) ? kBt709 : QStringList();
}

QStringList ffmpegTags(const SourceFacts &facts)
{
    return converted(facts) ? kBt709Tags : QStringList();
}

QString transferName(const SourceFacts &facts)
{
    for (const Transfer &row : kHighDynamicRange) {
        if (facts.transfer == QLatin1String(row.name))
            return QLatin1String(row.shown);
    }
    return QString();
}

} // namespace PictureColour
