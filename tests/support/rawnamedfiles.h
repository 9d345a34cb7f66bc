#pragma once

// Files made under the raw bytes of their names, which need not be UTF-8, in a temporary
// folder. Qt can neither make nor remove them (its folder listings skip such names), so they
// are made and removed here by their bytes.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/stat.h>

class RawNamedFiles
{
public:
    ~RawNamedFiles()
    {
        for (auto made = m_made.crbegin(); made != m_made.crend(); ++made)
            std::remove(made->constData()); // a file or an empty folder
    }

    QString path() const { return m_folder.path(); }

    // Writes the content under the name; false when it cannot.
    bool write(const QByteArray &name, const QByteArray &content)
    {
        const QByteArray path = rawPath(name);
        FILE *file = std::fopen(path.constData(), "wb");
        if (!file)
            return false;
        m_made.append(path);
        const bool written = std::fwrite(content.constData(), 1, content.size(), file) == size_t(content.size());
        return std::fclose(file) == 0 && written;
    }

    bool makeFolder(const QByteArray &name)
    {
        const QByteArray path = rawPath(name);
        if (::mkdir(path.constData(), 0700) != 0)
            return false;
        m_made.append(path);
        return true;
    }

    // Moves a file into the folder under the name.
    bool moveIn(const QString &file, const QByteArray &name)
    {
        const QByteArray path = rawPath(name);
        if (::rename(QFile::encodeName(file).constData(), path.constData()) != 0)
            return false;
        m_made.append(path);
        return true;
    }

    // The size of the file of that name, -1 when there is none.
    qint64 sizeOf(const QByteArray &name) const
    {
        struct stat info = {};
        return ::stat(rawPath(name).constData(), &info) == 0 ? qint64(info.st_size) : -1;
    }

    QByteArray rawPath(const QByteArray &name) const { return QFile::encodeName(path()) + '/' + name; }

private:
    QTemporaryDir m_folder;
    QList<QByteArray> m_made;
};
