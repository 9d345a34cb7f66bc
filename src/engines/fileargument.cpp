#include "engines/fileargument.h"

#include <QDir>
#include <QRegularExpression>

QString fileArgument(const QString &file)
{
    if (file.startsWith(QLatin1Char('-')))
        return QStringLiteral("./") + file;
    // The address the program itself gives MPlayer and MEncoder for a DVD's title.
    static const QRegularExpression dvdTitle(QStringLiteral("^dvd://\\d+$"));
    if (dvdTitle.match(file).hasMatch())
        return file;
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
