#include "engines/textsections.h"

#include <vector>

QList<QStringView> TextSections::split(QStringView text, std::initializer_list<QLatin1String> markers,
                                       Qt::CaseSensitivity cs)
{
    const std::vector<QLatin1String> marks(markers);
    if (marks.empty())
        return {};
    // From the end: the last marker, then for each one before it the last one that ends before
    // the marker after it. The first marker is the first in the text.
    std::vector<qsizetype> at(marks.size(), -1);
    qsizetype limit = text.size();
    for (size_t i = marks.size() - 1; i > 0; --i) {
        const qsizetype from = limit - marks[i].size();
        at[i] = from < 0 ? -1 : text.lastIndexOf(marks[i], from, cs);
        if (at[i] < 0)
            return {};
        limit = at[i];
    }
    at[0] = text.indexOf(marks[0], 0, cs);
    if (at[0] < 0 || at[0] + marks[0].size() > limit)
        return {};
    QList<QStringView> parts;
    for (size_t i = 0; i < marks.size(); ++i) {
        const qsizetype begin = at[i] + marks[i].size();
        const qsizetype end = i + 1 < marks.size() ? at[i + 1] : text.size();
        parts.append(text.mid(begin, end - begin));
    }
    return parts;
}
