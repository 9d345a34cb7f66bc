#include "engines/fileargument.h"

QString fileArgument(const QString &file)
{
    return file.startsWith(QLatin1Char('-')) ? QStringLiteral("./") + file : file;
}

QString nullDevice()
{
#ifdef Q_OS_WIN
    return QStringLiteral("nul");
#else
    return QStringLiteral("/dev/null");
#endif
}
