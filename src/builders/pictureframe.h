#pragma once

#include <QPoint>
#include <QSize>
#include <QString>

// Where a source's picture goes in the frame an encode writes, decided by the picture's display
// shape alone: width over height as a player shows it, the sample aspect included.
//
// A format that takes any frame size gets a frame of the picture's own shape with square
// pixels, as large as fits into the target's size. A fixed frame (MPEG-1's, MPEG-2's and
// H.263's) is shown at one of the few shapes its format can flag: a picture of another
// shape keeps it inside black bars, left and right when it is narrower than the frame, above
// and below when it is wider. Players that ignore a stored sample aspect then still show the
// picture right, and one whose shape no format can flag is never stretched to the frame.
struct PictureFrame
{
    QSize size;          // the frame as coded
    QSize picture;       // the source's picture in it, bars excluded
    QPoint offset;       // the picture's top left corner in the frame, even
    double aspect = 0.0; // the frame's display shape (a fitted frame: the picture's); 0 or less unknown

    bool boxed() const { return picture != size; }
    // The frame's display shape; where that is unknown, the shape of its size.
    double shownShape() const;
    // FFmpeg's filters that fit each picture into this frame by the picture's own display
    // shape: scaled to fit, boxed in black where its shape is not the frame's, and the frame
    // flagged at its shape. FFmpeg works them out for every picture, so that a picture whose
    // shape changes partway (a broadcast that turns from 4:3 to 16:9 at a programme change)
    // keeps its shape in each part, and the encoder gets one size. The frame is flagged at a
    // common shape where its own lies within that one's band (a fitted frame of a 1.78
    // picture shows at 16:9). `fields`: the fields are kept, and scaled each on its own.
    // Empty for a frame of no size.
    QString ffmpegFit(bool fields) const;

    // The frame of an encode with this video codec at the target's picture size, of a
    // source shown at `sourceAspect` (0: unknown, the size is kept).
    static PictureFrame of(const QString &codec, QSize targetSize, double sourceAspect);
    // A fixed frame of `size` shown at `frameAspect`, holding a picture of `sourceAspect`.
    static PictureFrame fixed(QSize size, double frameAspect, double sourceAspect);
    // The largest frame of the picture's shape within `box`, square pixels and even sides;
    // a box of the picture's common shape (4:3, 16:9) is kept as it is.
    static PictureFrame fitted(QSize box, double sourceAspect);
    // The shape an MPEG-2 frame is flagged at for a picture: 16:9 for one nearer to it than
    // to 4:3, else 4:3 (the two shapes that discs and their players take).
    static double mpeg2Shape(double sourceAspect);
    // 4:3 for a shape strictly between 1.31 and 1.35, 16:9 strictly between 1.75 and 1.79,
    // else 0: within these bands a picture fills a frame of the common shape unboxed.
    static double commonShape(double aspect);
    // A shape as players and engines name it: "4:3" and "16:9" for the common shapes, else
    // the number ("1.85").
    static QString shapeName(double aspect);
};
