#include "engines/mediainfodata.h"

#include <QRegularExpression>

void MediaInfoData::clear()
{
    generalFields.clear();
    videoFields.clear();
    audioStreams.clear();
    textStreams.clear();
    rawText.clear();
}

namespace {
// The first number written in front of one of the units, 0 when there is none.
int unitValue(const QString &text, const QRegularExpression &pattern)
{
    const QRegularExpressionMatch match = pattern.match(text);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}
} // namespace

double MediaInfoData::durationSeconds(const QString &text)
{
    // Unit words end at a word boundary, so "ms" never reads as "s" and "min" never as "mn".
    // A number starts where its digits start: tried from every digit of a long run, each
    // pattern would take quadratic time.
    static const QRegularExpression hours(QStringLiteral("(?<!\\d)(\\d+)\\s*h\\b"));
    static const QRegularExpression minutes(QStringLiteral("(?<!\\d)(\\d+)\\s*(?:mn|min)\\b"));
    static const QRegularExpression seconds(QStringLiteral("(?<!\\d)(\\d+)\\s*s\\b"));
    static const QRegularExpression milliseconds(QStringLiteral("(?<!\\d)(\\d+)\\s*ms\\b"));
    return (unitValue(text, hours) * 60.0 + unitValue(text, minutes)) * 60.0
           + unitValue(text, seconds) + unitValue(text, milliseconds) / 1000.0;
}

double MediaInfoData::bitRateKbps(const QString &text)
{
    struct Unit
    {
        const char *prefix;
        double toKbps;
    };
    static const Unit units[] = {{"", 0.001}, {"k", 1.0}, {"K", 1.0}, {"M", 1000.0},
                                 {"G", 1000000.0}};
    // The digits and their blanks are not given back: the blanks that follow them would
    // otherwise be tried at each split, in quadratic time ("1", 250,000 blanks, then no unit).
    static const QRegularExpression rate(
        QStringLiteral("^\\s*+(\\d[\\d ]*+(?:\\.\\d+)?)\\s*([kKMG]?)(?:bps|b/s)\\b"));
    const QRegularExpressionMatch match = rate.match(text);
    if (!match.hasMatch())
        return 0.0;
    QString number = match.captured(1);
    number.remove(QLatin1Char(' '));
    const QString prefix = match.captured(2);
    for (const Unit &unit : units) {
        if (prefix == QLatin1String(unit.prefix))
            return number.toDouble() * unit.toKbps;
    }
    return 0.0;
}
