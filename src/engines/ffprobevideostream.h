#pragma once

#include <QList>
#include <QSize>
#include <QString>

// One video stream of an FFprobe analysis. The members carry FFprobe's own key names,
// so that a reader sees at once which line of the answer fills which member.
struct FFprobeVideoStream
{
    int index = 0;                     // "index"
    QString codec_name;                // "codec_name"
    QString codec_long_name;           // "codec_long_name"
    QString codec_tag_string;          // "codec_tag_string" (the FourCC, "FMP4", "avc1", ...)
    QString pix_fmt;                   // "pix_fmt"
    QSize size{-1, -1};                // "width" and "height"
    double sample_aspect_ratio = 0.0;  // "sample_aspect_ratio", as a ratio (1:1 gives 1)
    double display_aspect_ratio = 0.0; // "display_aspect_ratio", as a ratio (4:3 gives 1.333)
    double bit_rate = 0.0;             // "bit_rate", bits per second
    double avg_frame_rate = 0.0;       // "avg_frame_rate", as a ratio (25/1 gives 25)
    double r_frame_rate = 0.0;         // "r_frame_rate", as a ratio
    double start_time = 0.0;           // "start_time", seconds
    double duration = 0.0;             // "duration", seconds (Matroska: "TAG:DURATION")
    QString field_order;               // "field_order": "progressive", "tt", "bb", "tb", "bt"; "unknown" empty
    // The colours as the stream names them ("unknown" empty): "color_transfer" ("bt709";
    // "smpte2084", PQ; "arib-std-b67", HLG), "color_primaries" ("bt709", "bt2020"),
    // "color_space", the matrix ("bt709", "bt2020nc"), "color_range" ("tv", "pc").
    QString color_transfer;
    QString color_primaries;
    QString color_space;
    QString color_range;
    // Degrees a player turns the stored picture clockwise to show it (0, 90, 180, 270): the
    // display matrix's "SIDE_DATA:rotation" (counterclockwise), else the "TAG:rotate" of
    // older FFprobes (clockwise).
    int rotation = 0;
    // "nb_frames": the pictures the container counts in its header (MP4, MOV, AVI), those
    // an edit list discards included; 0 where it counts none.
    int nb_frames = 0;
    // The times ("pts_time", else "dts_time") of the stream's packets among those the
    // analysis sampled from the file's start, in the file's order; those flagged to be
    // discarded (a quick trim's lead-in, which an edit list hides) apart.
    QList<double> sampledTimes;
    QList<double> discardedTimes;
    // The lengths ("duration_time") of its sampled packets, in the file's order; 0 where a
    // packet states none. A picture flagged to repeat a field lasts three fields, not two.
    QList<double> sampledDurations;
    // The time of its first key picture where the sampled packets begin with pictures that
    // are not (a TV recording cut mid-group, whose first pictures decode to nothing); 0
    // where they begin with one or hold none.
    double keyStart = 0.0;
    // Runs of its own where the analysis leaves them unsaid (InterfaceFFprobe::sampleRuns):
    // stretches of packet times read at its start, at points spread through it and near its
    // end, each in the file's order; the packets of the whole file counted ("nb_read_packets",
    // 0 uncounted); the field order its key pictures decoded there flag ("tt", "bb" or
    // "progressive"; empty unread); and their display shapes (width over height, the sample
    // aspect included), in the order read.
    QList<QList<double>> spreadTimes;
    int nb_read_packets = 0;
    QString frame_field_order;
    QList<double> sampledShapes;
    // "DISPOSITION:attached_pic": a picture stored with the sound (an album's cover), one
    // frame that no player shows as moving video.
    bool attached_pic = false;

    // Whether its record names no field order, or one coded apart from the one shown ("tb",
    // "bt"), which writers name differently: its decoded pictures' flags tell it then.
    bool fieldOrderUnsaid() const
    {
        return field_order.isEmpty() || field_order == QLatin1String("tb") || field_order == QLatin1String("bt");
    }
    // The pictures its listed packets show apart (each time once), those to be discarded
    // included: no true count of its pictures is lower.
    int picturesSeen() const;
    // The count of its pictures that stands: the run's, else the container's; 0 where none
    // does, or where each falls below the pictures seen (a fragmented MP4's header counts
    // those of its first fragment alone, a damaged AVI header one picture of a moving film).
    int trustedCount() const;
};
