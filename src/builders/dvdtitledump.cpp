#include "builders/dvdtitledump.h"

#include "encoder/records/encodingsource.h"
#include "engines/fileargument.h"

#include <QRegularExpression>

#include <cmath>

namespace {
// The most a status line can report: a terabyte, in kilobytes.
constexpr double LargestSizeKb = 1e9;
} // namespace

QStringList DvdTitleDump::arguments(const EncodingSource &source, const QString &output,
                                    int chapter)
{
    // No settings file of the user's has a say in what is copied.
    QStringList arguments{QStringLiteral("-noconfig"), QStringLiteral("all"),
                          QStringLiteral("-dvd-device"), source.path,
                          QStringLiteral("dvd://%1").arg(source.video.title)};
    if (!source.noVideo && source.video.angle > 1)
        arguments << QStringLiteral("-dvdangle") << QString::number(source.video.angle);
    // "-chapter N" alone copies from that chapter to the title's end: a trial would wait
    // for the whole rest of the title before its encode could start.
    if (chapter > 0)
        arguments << QStringLiteral("-chapter") << QStringLiteral("%1-%1").arg(chapter);
    arguments << QStringLiteral("-dumpstream") << QStringLiteral("-dumpfile") << fileArgument(output);
    return arguments;
}

QStringList DvdTitleDump::trialArguments(QStringList arguments, int seconds)
{
    // "-endpos" ends the copy at that time of the title: from a later chapter it would end
    // before it began and write nothing.
    const qsizetype chapter = arguments.indexOf(QLatin1String("-chapter"));
    if (chapter >= 0)
        arguments.remove(chapter, qMin<qsizetype>(2, arguments.size() - chapter));
    arguments << QStringLiteral("-endpos") << QString::number(seconds);
    return arguments;
}

bool DvdTitleDump::parseProgress(const QString &text, QString &rest, int &percent, int &size)
{
    static const QRegularExpression status(
        QStringLiteral("^dump: (\\d+) bytes written(?: \\(~(\\d+(?:\\.\\d*)?)%\\))?$"));
    // The status line ends in a carriage return; the player's other messages (the closing
    // line among them) end in a line feed and are kept as they are.
    QString others;
    QRegularExpressionMatch last;
    for (const QString &segment : text.split(QLatin1Char('\r'))) {
        const QRegularExpressionMatch match = status.match(segment);
        if (match.hasMatch())
            last = match;
        else
            others += segment;
    }
    if (!last.hasMatch() && others.isEmpty())
        return false;
    if (last.hasMatch()) {
        bool ok = false;
        const double kilobytes = std::floor(last.captured(1).toDouble(&ok) / 1024.0);
        if (ok && kilobytes <= LargestSizeKb)
            size = int(kilobytes);
        const double share = last.captured(2).toDouble(&ok);
        if (ok && share <= 100.0)
            percent = int(share);
    }
    rest = others;
    return true;
}

bool DvdTitleDump::parseCommandCheck(const QString &stdOut)
{
    static const QRegularExpression written(QStringLiteral("(?:^|\\r)dump: (\\d+) bytes written"),
                                            QRegularExpression::MultilineOption);
    for (QRegularExpressionMatchIterator it = written.globalMatch(stdOut); it.hasNext();) {
        if (it.next().captured(1).toDouble() > 0.0)
            return true;
    }
    return false;
}
