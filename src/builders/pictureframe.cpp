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

// A length rounded to the nearest even number, at least 2: 4:2:0 pictures have whole
// chroma samples.
int even(double length)
{
    return qMax(2, qRound(length / 2.0) * 2);
}

} // namespace

double PictureFrame::commonShape(double aspect)
{
    if (aspect > 1.31 && aspect < 1.35)
        return kFourThree;
    if (aspect > 1.75 && aspect < 1.79)
        return kSixteenNine;
    return 0.0;
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
