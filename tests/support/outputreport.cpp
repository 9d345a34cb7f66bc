#include "outputreport.h"

#include "testmedia.h"

#include <QMap>
#include <QPair>

OutputReport probeOutput(const QString &path, bool withSpans)
{
    QString out;
    const QString packets = withSpans ? "packet=stream_index,pts_time,dts_time,duration_time:" : "";
    TestMedia::run("ffprobe", {"-v", "error", "-count_frames", "-show_entries", packets + "stream=index,"
                               "codec_name,codec_type,width,height,display_aspect_ratio,"
                               "nb_read_frames:format=format_name,duration", "-of", "compact", path}, &out);
    OutputReport report;
    QMap<int, QString> types;               // stream index to its type
    QMap<int, QPair<double, double>> spans; // stream index to first and last time
    for (const QString &line : out.split('\n', Qt::SkipEmptyParts)) {
        QMap<QString, QString> field;
        for (const QString &pair : line.split('|').mid(1))
            field.insert(pair.section('=', 0, 0), pair.section('=', 1));
        if (line.startsWith("packet|")) {
            bool ok = false; // AVI packets carry a decoding time only
            double start = field.value("pts_time").toDouble(&ok);
            if (!ok)
                start = field.value("dts_time").toDouble(&ok);
            const int index = field.value("stream_index").toInt();
            const double end = start + field.value("duration_time").toDouble();
            if (ok)
                spans[index] = spans.contains(index) ? qMakePair(qMin(spans[index].first, start),
                                                                 qMax(spans[index].second, end))
                                                     : qMakePair(start, end);
        } else if (line.startsWith("stream|")) {
            const QString type = field.value("codec_type");
            types.insert(field.value("index").toInt(), type);
            report.streams << field.value("codec_name") + ',' + type;
            if (type == "video" && report.videoFrames < 0) {
                report.videoFrames = field.value("nb_read_frames").toInt();
                report.videoSize = {field.value("width").toInt(), field.value("height").toInt()};
                const QStringList ratio = field.value("display_aspect_ratio").split(':');
                const QSize shape = ratio.value(1).toInt() > 0
                    ? QSize(ratio[0].toInt(), ratio[1].toInt()) : report.videoSize; // square pixels
                report.displayAspect = shape.height() > 0 ? double(shape.width()) / shape.height() : 0;
            }
        } else if (line.startsWith("format|")) {
            report.format = field.value("format_name");
            report.duration = field.value("duration").toDouble();
        }
    }
    for (auto it = types.cbegin(); it != types.cend(); ++it) {
        double &seconds = it.value() == "video" ? report.videoSeconds : report.audioSeconds;
        if (seconds == 0 && (it.value() == "video" || it.value() == "audio"))
            seconds = spans.value(it.key()).second - spans.value(it.key()).first;
    }
    return report;
}

double meanVolume(const QString &path, const QString &filter)
{
    QString err;
    TestMedia::run("ffmpeg", {"-nostdin", "-i", path, "-vn", "-af", filter + ",volumedetect", "-f", "null", "-"},
                   nullptr, &err);
    const qsizetype at = err.indexOf("mean_volume: ");
    return at < 0 ? 0.0 : err.mid(at + 13).section(' ', 0, 0).toDouble();
}
