#include "builders/pictureframe.h"

#include <QtMath>

namespace {

constexpr double kFourThree = 4.0 / 3.0;
constexpr double kSixteenNine = 16.0 / 9.0;

// The codecs of fixed frames and the shape each shows its frame at: 4:3, or (MPEG-2) the
// nearer of 4:3 and 16:9. MPEG-1 flags 16:9 more than 2 % off at a VideoCD's sizes, H.263's
// picture formats are 4:3. Every other codec takes a frame of any size.
struct FixedFrame
{
    const char *codec;
    bool mpeg2;
};
const FixedFrame kFixedFrames[] = {
    {"mpeg1video", false},
    {"h263", false},
    {"mpeg2video", true},
};

// The common shapes and the bands of shapes that fill a frame of one of them: a picture
// this close to it is shown at it.
struct CommonShape
{
    double shape;
    double above, below; // the band, bounds excluded
    const char *name, *fraction;
};
const CommonShape kCommonShapes[] = {
    {kFourThree, 1.31, 1.35, "4:3", "4/3"},
    {kSixteenNine, 1.75, 1.79, "16:9", "16/9"},
};

const CommonShape *commonRow(double aspect)
{
    for (const CommonShape &row : kCommonShapes) {
        if (aspect > row.above && aspect < row.below)
            return &row;
    }
    return nullptr;
}

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

// A length rounded to the nearest even number, at least 2: 4:2:0 pictures have whole
// chroma samples.
int even(double length)
{
    return qMax(2, qRound(length / 2.0) * 2);
}

} // namespace

double PictureFrame::commonShape(double aspect)
{
    const CommonShape *row = commonRow(aspect);
    return row ? row->shape : 0.0;
}

QString PictureFrame::shapeName(double aspect)
{
    const CommonShape *row = commonRow(aspect);
    return row ? QLatin1String(row->name) : number(aspect);
}

double PictureFrame::shownShape() const
{
    if (aspect > 0.0)
        return aspect;
    return size.isEmpty() ? 0.0 : double(size.width()) / size.height();
}

QString PictureFrame::ffmpegFit(bool fields) const
{
    if (size.isEmpty())
        return QString();
    const double shape = shownShape();
    const CommonShape *common = commonRow(shape);
    const QString frame = common ? QLatin1String(common->fraction) : number(shape);
    // The picture's shape as FFmpeg's scale reads it for each picture ("dar": its size and
    // sample aspect); one within the band of the frame's common shape fills the frame.
    const QString own = common ? QStringLiteral("if(gt(dar,%1)*lt(dar,%2),(%3),dar)")
                                     .arg(number(common->above), number(common->below), frame)
                               : QStringLiteral("dar");
    // Each side as long as the frame's where the picture is at least as wide (or high) as the
    // frame, else shorter by the shapes' ratio: even, at least 2. Quoted: the graph would end
    // the filter at a comma.
    const auto side = [](int length, const QString &ratio) {
        return QStringLiteral("min(%1,max(2,2*trunc(%1*%2/2+0.5)))").arg(length).arg(ratio);
    };
    const QString width = side(size.width(), QStringLiteral("%1/(%2)").arg(own, frame));
    const QString height = side(size.height(), QStringLiteral("(%1)/%2").arg(frame, own));
    // The bars even too, so that no chroma line is shared by picture and bar.
    return QStringLiteral("scale=w='%1':h='%2'%3:eval=frame,pad=%4:%5:2*trunc((ow-iw)/4):2*trunc((oh-ih)/4):000000:"
                          "eval=frame,setdar=%6")
        .arg(width, height, fields ? QStringLiteral(":interl=1") : QString())
        .arg(size.width()).arg(size.height())
        .arg(frame);
}

double PictureFrame::mpeg2Shape(double sourceAspect)
{
    // The nearer shape by ratio: the one that leaves the smaller share of the frame black.
    return sourceAspect >= qSqrt(kFourThree * kSixteenNine) ? kSixteenNine : kFourThree;
}

PictureFrame PictureFrame::fixed(QSize size, double frameAspect, double sourceAspect)
{
    PictureFrame frame;
    frame.size = frame.picture = size;
    if (sourceAspect <= 0.0 || size.isEmpty())
        return frame;
    frame.aspect = frameAspect;
    const double common = commonShape(sourceAspect);
    if (common > 0.0 && common == commonShape(frameAspect))
        return frame;
    const int W = size.width(), H = size.height();
    // The offsets even too, so that no chroma line is shared by picture and bar.
    if (sourceAspect > frameAspect) {
        frame.picture = QSize(W, even(H * frameAspect / sourceAspect));
        frame.offset = QPoint(0, (H - frame.picture.height()) / 4 * 2);
    } else {
        frame.picture = QSize(even(W * sourceAspect / frameAspect), H);
        frame.offset = QPoint((W - frame.picture.width()) / 4 * 2, 0);
    }
    return frame;
}

PictureFrame PictureFrame::fitted(QSize box, double sourceAspect)
{
    PictureFrame frame;
    frame.size = frame.picture = box;
    frame.aspect = sourceAspect;
    if (sourceAspect <= 0.0 || box.isEmpty())
        return frame;
    const int W = box.width(), H = box.height();
    const double common = commonShape(sourceAspect);
    if (common > 0.0 && common == commonShape(double(W) / H))
        return frame;
    // Even sides: the nearest even number to a length below an odd side stays below it.
    QSize size(W - W % 2, even(W / sourceAspect));
    if (size.height() > H)
        size = QSize(even(H * sourceAspect), H - H % 2);
    frame.size = frame.picture = size;
    return frame;
}

PictureFrame PictureFrame::of(const QString &codec, QSize targetSize, double sourceAspect)
{
    for (const FixedFrame &row : kFixedFrames) {
        if (codec == QLatin1String(row.codec))
            return fixed(targetSize, row.mpeg2 ? mpeg2Shape(sourceAspect) : kFourThree, sourceAspect);
    }
    return fitted(targetSize, sourceAspect);
}
