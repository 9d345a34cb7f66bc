#include "encoder/volumenames.h"

#include "jobs/uniquebasename.h"

#include <QFile>
#include <QFileInfo>

#include <limits>

#include <sys/stat.h>

VolumeNames::~VolumeNames()
{
    release();
}

bool VolumeNames::Stamp::operator==(const Stamp &other) const
{
    return device == other.device && inode == other.inode && size == other.size && changeNs == other.changeNs;
}

// The status change time moves with every write or truncation of the file, opening it to
// write included, to the nanosecond.
VolumeNames::Stamp VolumeNames::stampOf(const QString &path)
{
    Stamp stamp;
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return stamp;
    stamp.device = quint64(status.st_dev);
    stamp.inode = quint64(status.st_ino);
    stamp.size = qint64(status.st_size);
    stamp.changeNs = qint64(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec;
    return stamp;
}

QString VolumeNames::path(int volume) const
{
    return QStringLiteral("%1/%2%3.%4").arg(m_folder, m_partBaseName, QString::number(volume), m_suffix);
}

bool VolumeNames::make(const QString &path, Volume &volume)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        // Taken by another: the next number is tried. Anything else no number mends.
        if (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink())
            m_error = file.errorString();
        return false;
    }
    file.close();
    volume = {path, stampOf(path)};
    return true;
}

QString VolumeNames::take(const QString &folder, const QString &baseName, const QString &partSuffix,
                          const QString &suffix, int count)
{
    release();
    m_error.clear();
    m_folder = folder;
    m_suffix = suffix;
    // Every number is tried: a folder full of earlier splits gets the next free one.
    for (int n = 0; n < std::numeric_limits<int>::max(); ++n) {
        m_partBaseName = n == 0 ? baseName + partSuffix
                                : QStringLiteral("%1 (%2)%3").arg(baseName, QString::number(n), partSuffix);
        bool free = true;
        for (int volume = 1; volume <= count && free; ++volume) {
            const QFileInfo name(path(volume));
            free = !name.exists() && !name.isSymLink() && !isOutputNameReserved(folder, name.completeBaseName());
        }
        while (free && m_volumes.size() < count)
            free = takeNext();
        if (free)
            return m_partBaseName;
        // Made meanwhile by another: these are given back, and the next number is tried.
        release();
        if (!m_error.isEmpty())
            return QString();
    }
    return QString();
}

bool VolumeNames::takeNext()
{
    Volume volume;
    if (!make(path(int(m_volumes.size()) + 1), volume))
        return false;
    m_volumes << volume;
    return true;
}

bool VolumeNames::untouched(int volume) const
{
    if (volume < 1 || volume > m_volumes.size())
        return false;
    const Volume &taken = m_volumes.at(volume - 1);
    return stampOf(taken.path) == taken.stamp;
}

bool VolumeNames::empty(int volume)
{
    if (volume < 1 || volume > m_volumes.size())
        return false;
    Volume &taken = m_volumes[volume - 1];
    if (!QFile::resize(taken.path, 0))
        return false;
    taken.stamp = stampOf(taken.path);
    return true;
}

void VolumeNames::release()
{
    for (const Volume &volume : std::as_const(m_volumes)) {
        if (stampOf(volume.path) == volume.stamp)
            QFile::remove(volume.path);
    }
    m_volumes.clear();
}
