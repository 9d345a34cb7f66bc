#pragma once

#include <QLatin1String>
#include <QList>
#include <QStringView>

#include <initializer_list>

// The parts of an engine's answer that markers divide, read as the pattern
// "M1(.*)M2(.*)…Mn(.*)" reads them with '.' matching line ends: from the first M1, each later
// marker is the last one that still has the markers after it, and the last part runs to the
// end. The pattern would try every later M1, and each M2 again for each, so an answer of many
// markers took quadratic time; here the text is searched once from each end.
class TextSections
{
public:
    // The n parts after the n markers, or an empty list when the markers are not all there
    // in this order.
    static QList<QStringView> split(QStringView text, std::initializer_list<QLatin1String> markers,
                                    Qt::CaseSensitivity cs = Qt::CaseSensitive);
};
