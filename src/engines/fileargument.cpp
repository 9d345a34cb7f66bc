#include "engines/fileargument.h"

QString fileArgument(const QString &file)
{
    return file.startsWith(QLatin1Char('-')) ? QStringLiteral("./") + file : file;
}
