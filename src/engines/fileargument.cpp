#include "engines/fileargument.h"

#include <QDir>

QString fileArgument(const QString &file)
{
    if (file.startsWith(QLatin1Char('-')))
        return QStringLiteral("./") + file;
    const qsizetype colon = file.indexOf(QLatin1Char(':'));
    if (colon > 0 && !QDir::isAbsolutePath(file) && !file.left(colon).contains(QLatin1Char('/')))
        return QStringLiteral("./") + file;
    return file;
}

QString nullDevice()
{
#ifdef Q_OS_WIN
    return QStringLiteral("nul");
#else
    return QStringLiteral("/dev/null");
#endif
}
