#include "encoding/mutedlines.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {

struct MutedKind
{
    const char *pattern;
    const char *summary; // %1: the lines not shown
};

// "[vcd @ 0x55d0c2a3c2c0]buffer underflow st=1 bufi=4032 size=6000": the muxer's buffer model
// ran dry and it waited for the packet; the file is sound.
const MutedKind kMutedKinds[] = {
    {"^\\[[^\\]]+ @ 0x[0-9a-fA-F]+\\] ?buffer underflow st=\\d+ bufi=\\d+ size=\\d+\\s*$",
     QT_TRANSLATE_NOOP("MutedLines", "%1 more \"buffer underflow\" lines of the MPEG muxer not shown.")},
};

const QList<QRegularExpression> &patterns()
{
    static const QList<QRegularExpression> compiled = [] {
        QList<QRegularExpression> list;
        for (const MutedKind &kind : kMutedKinds)
            list << QRegularExpression(QLatin1String(kind.pattern));
        return list;
    }();
    return compiled;
}

} // namespace

bool MutedLines::repeated(QStringView line)
{
    // Every muted message carries libavformat's "[name @ address]" prefix.
    if (!line.startsWith(QLatin1Char('[')))
        return false;
    const QList<QRegularExpression> &kinds = patterns();
    for (qsizetype i = 0; i < kinds.size(); ++i) {
        if (!kinds.at(i).match(line).hasMatch())
            continue;
        if (m_counts.size() <= i)
            m_counts.resize(kinds.size());
        return m_counts[i]++ > 0;
    }
    return false;
}

QString MutedLines::filter(const QString &text, bool final)
{
    const QString all = m_tail + text;
    m_tail.clear();
    QString kept;
    qsizetype start = 0;
    while (start < all.size()) {
        // A line ends as the consoles end it: at "\n" or "\r".
        qsizetype end = start;
        while (end < all.size() && all.at(end) != QLatin1Char('\n') && all.at(end) != QLatin1Char('\r'))
            ++end;
        const QStringView line = QStringView(all).mid(start, end - start);
        if (end == all.size()) {
            if (!final && line.size() <= HeldBackChars)
                m_tail = line.toString();
            else if (!repeated(line))
                kept += line;
            break;
        }
        // "\r\n" is one line end.
        const qsizetype next = all.at(end) == QLatin1Char('\r') && end + 1 < all.size()
                && all.at(end + 1) == QLatin1Char('\n') ? end + 2 : end + 1;
        if (!repeated(line))
            kept += QStringView(all).mid(start, next - start);
        start = next;
    }
    return kept;
}

QString MutedLines::summary() const
{
    QStringList lines;
    for (qsizetype i = 0; i < m_counts.size(); ++i) {
        if (m_counts.at(i) > 1)
            lines << QCoreApplication::translate("MutedLines", kMutedKinds[i].summary).arg(m_counts.at(i) - 1);
    }
    return lines.join(QLatin1Char('\n'));
}
