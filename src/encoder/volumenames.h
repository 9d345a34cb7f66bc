#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// The names of one split's volumes ("<folder>/<base><part suffix><k>.<suffix>"), taken when
// the split is planned: each volume's file is made then, empty and exclusively, so that a
// second split of the same input into the same folder (another window, another instance)
// takes other names instead of writing, or removing, this split's volumes. A volume is copied
// only into the empty file its split made (checked again just before); what is still that
// empty file when the split ends is removed, and nothing else.
class VolumeNames
{
public:
    VolumeNames() = default;
    ~VolumeNames();
    VolumeNames(const VolumeNames &) = delete;
    VolumeNames &operator=(const VolumeNames &) = delete;

    // Takes volumes 1 to count for the first number n from 0 on that is free for every one of
    // them (n 0: "<base><part suffix>", else "<base> (n)<part suffix>"): none exists, none is
    // reserved by a queued job. Returns the part base name; empty when the folder takes no
    // file (why is in error()).
    QString take(const QString &folder, const QString &baseName, const QString &partSuffix,
                 const QString &suffix, int count);
    // Takes the name of one more volume than taken; false when it exists already.
    bool takeNext();
    int count() const { return int(m_volumes.size()); }
    // The volume's name, taken or not.
    QString path(int volume) const;
    // The volume's file is still the empty one this split made (or emptied again).
    bool untouched(int volume) const;
    // Empties the volume's file for a copy again, the name kept; false when that fails.
    bool empty(int volume);
    // Removes the files of the volumes that are still untouched, and forgets every name.
    void release();
    QString error() const { return m_error; }

private:
    struct Stamp
    {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = -1;
        qint64 changeNs = 0;
        bool operator==(const Stamp &other) const;
    };
    struct Volume
    {
        QString path;
        Stamp stamp;
    };
    static Stamp stampOf(const QString &path);
    // Makes the file exclusively; false when it exists (or cannot be made: m_error says).
    bool make(const QString &path, Volume &volume);

    QString m_folder;
    QString m_partBaseName;
    QString m_suffix;
    QList<Volume> m_volumes;
    QString m_error;
};
