#pragma once

// Files and folders under raw name bytes, which need not be UTF-8, in a temporary folder. Qt
// can neither make nor remove them (its listings skip such names): they are moved in and
// removed by their bytes.

#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <cstdio>

class RawNamedFiles
{
public:
    ~RawNamedFiles()
    {
        for (auto made = m_made.crbegin(); made != m_made.crend(); ++made)
            std::remove(made->constData()); // a file, or an empty folder
    }

    QString path() const { return m_folder.path(); }

    // Moves a file or folder in under the name.
    bool moveIn(const QString &from, const QByteArray &name)
    {
        const QByteArray to = QFile::encodeName(path()) + '/' + name;
        if (std::rename(QFile::encodeName(from).constData(), to.constData()) != 0)
            return false;
        m_made.append(to);
        return true;
    }

    bool write(const QByteArray &name, const QByteArray &content)
    {
        QFile file(path() + QStringLiteral("/.new"));
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.flush()
               && moveIn(file.fileName(), name);
    }

private:
    QTemporaryDir m_folder;
    QList<QByteArray> m_made;
};
