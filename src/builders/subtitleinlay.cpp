#include "builders/subtitleinlay.h"

#include "builders/sourcestreams.h"
#include "encoder/records/encodingsource.h"
#include "engines/fileargument.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

// Parts of the names the player and FFmpeg give subtitles made of pictures.
const QStringList kPictureFormats = {"dvd", "vobsub", "pgs", "dvb", "xsub"};

QString escaped(const QString &text, QLatin1String special)
{
    QString result;
    result.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (special.contains(c))
            result += QLatin1Char('\\');
        result += c;
    }
    return result;
}

} // namespace

bool SubtitleInlay::chosen(const EncodingSource &source)
{
    return !source.noSubtitle && source.subtitle.sid > -1;
}

bool SubtitleInlay::isPicture(const SubtitleInfo &subtitle)
{
    for (const QString &format : kPictureFormats) {
        if (subtitle.format.contains(format, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

int SubtitleInlay::index(const EncodingSource &source)
{
    const int sid = source.subtitle.sid;
    int preceding = 0;
    for (const SubtitleInfo &stream : source.subtitleStreams) {
        if (stream.sid < sid)
            ++preceding;
    }
    return preceding;
}

QString SubtitleInlay::copyRefusal(const EncodingSource &source, const QString &encoder)
{
    if (encoder != QLatin1String("copy") || !chosen(source))
        return QString();
    return QCoreApplication::translate("SubtitleInlay",
                                       "a copied picture cannot carry the chosen subtitle, which "
                                       "is drawn into an encoded picture");
}

QString SubtitleInlay::ffmpegTextFilter(const EncodingSource &source)
{
    return QStringLiteral("subtitles=filename=%1:si=%2")
        .arg(ffmpegFilterPath(fileArgument(source.path)))
        .arg(index(source));
}

QString SubtitleInlay::ffmpegOverlayGraph(const EncodingSource &source, const QString &first, const QString &after)
{
    // The picture is made ready (its fields whole, its colours the target's) before the
    // subtitle is laid over it, and scaled into its frame with it.
    QString graph;
    QString picture = SourceStreams::videoSpecifier(source);
    if (!first.isEmpty()) {
        graph = QStringLiteral("[%1]%2[picture];").arg(picture, first);
        picture = QStringLiteral("picture");
    }
    // The picture ends the overlay: FFmpeg shows a DVB subtitle until its page times out,
    // 30 s after its last packet, and its pictures would draw the last picture out so long.
    // Passed through once the subtitle ends, not cut with the shorter input: that lost the
    // last picture of a DVD's title.
    graph += QStringLiteral("[%1][%2]overlay=eof_action=pass").arg(picture, SourceStreams::subtitleSpecifier(source));
    if (!after.isEmpty())
        graph += QLatin1Char(',') + after;
    return graph + ffmpegVideoLabel();
}

QString SubtitleInlay::ffmpegVideoLabel()
{
    return QStringLiteral("[inlaid]");
}

QString SubtitleInlay::ffmpegFilterPath(const QString &path)
{
    // The option's value ends at a colon; the graph's filter at a comma or semicolon, its
    // labels are bracketed; a backslash or a quote escapes on either level.
    return escaped(escaped(path, QLatin1String("\\':")), QLatin1String("\\'[],;"));
}
