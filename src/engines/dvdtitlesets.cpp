#include "engines/dvdtitlesets.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr int kSector = 2048;
// The manager's table of titles: its sector's place in VIDEO_TS.IFO, the size of the table's
// head and of one entry, and the entry's byte that names the title set.
constexpr int kTitleTablePlace = 0xC4;
constexpr int kTableHead = 8;
constexpr int kEntrySize = 12;
constexpr int kEntryTitleSet = 6;
// The IFO of a disc is small; nothing larger is read.
constexpr qint64 kLargestIfo = 1024 * 1024;

quint32 bigEndian(const QByteArray &bytes, qsizetype at, int size)
{
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = value << 8 | quint8(bytes.at(at + i));
    return value;
}

// A file of the folder by its name, in whichever case the disc was copied.
QString entryOf(const QDir &folder, const QString &name)
{
    const QStringList found = folder.entryList({name}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    return found.isEmpty() ? QString() : folder.filePath(found.first());
}

} // namespace

namespace DvdTitleSets {

QString videoFolder(const QString &dvdPath)
{
    const QFileInfo info(dvdPath);
    QDir folder = info.isDir() ? QDir(info.absoluteFilePath()) : info.absoluteDir();
    const QString inner = entryOf(folder, QStringLiteral("VIDEO_TS"));
    if (!inner.isEmpty() && QFileInfo(inner).isDir())
        folder = QDir(inner);
    return entryOf(folder, QStringLiteral("VIDEO_TS.IFO")).isEmpty() ? QString() : folder.absolutePath();
}

int titleSetOf(const QByteArray &ifo, int title)
{
    if (!ifo.startsWith("DVDVIDEO-VMG") || ifo.size() < kTitleTablePlace + 4 || title < 1)
        return 0;
    const qint64 table = qint64(bigEndian(ifo, kTitleTablePlace, 4)) * kSector;
    if (table <= 0 || table + kTableHead > ifo.size())
        return 0;
    const int titles = int(bigEndian(ifo, table, 2));
    const qint64 entry = table + kTableHead + qint64(title - 1) * kEntrySize;
    if (title > titles || entry + kEntrySize > ifo.size())
        return 0;
    return quint8(ifo.at(entry + kEntryTitleSet));
}

QByteArray managerBytes(const QString &videoFolder)
{
    QFile ifo(entryOf(QDir(videoFolder), QStringLiteral("VIDEO_TS.IFO")));
    if (ifo.fileName().isEmpty() || !ifo.open(QIODevice::ReadOnly))
        return QByteArray();
    return ifo.read(kLargestIfo);
}

QString firstVideoObject(const QString &videoFolder, int titleSet)
{
    if (titleSet < 1)
        return QString();
    return entryOf(QDir(videoFolder), QStringLiteral("VTS_%1_1.VOB").arg(titleSet, 2, 10, QLatin1Char('0')));
}

} // namespace DvdTitleSets
