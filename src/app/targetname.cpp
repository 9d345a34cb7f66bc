#include "app/targetname.h"

#include <QRegularExpression>

namespace {
constexpr int DvdKind = 2;

QString fallbackName(int kind)
{
    return kind == DvdKind ? QStringLiteral("DVD_VIDEO") : QStringLiteral("Ouput");
}
} // namespace

QString TargetName::fromSource(const QString &sourceName, int kind, bool forceName,
                               const QString &forcedName)
{
    if (!forceName && !sourceName.isEmpty()) {
        static const QRegularExpression separator(QStringLiteral("[\\\\/:]"));
        if (!sourceName.contains(separator))
            return sourceName;
        // Unicode word characters: a folder named "Été_2010" keeps its accented letter.
        static const QRegularExpression dvdFolder(QStringLiteral("(?<!\\w)(\\w{2,}).VIDEO_TS$"),
                                                  QRegularExpression::UseUnicodePropertiesOption);
        const QRegularExpressionMatch match = dvdFolder.match(sourceName);
        return match.hasMatch() ? match.captured(1) : fallbackName(kind);
    }
    if (forceName && !forcedName.isEmpty())
        return forcedName;
    return fallbackName(kind);
}
