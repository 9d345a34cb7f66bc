#pragma once

#include <QByteArray>
#include <QString>

// Names that Qt cannot spell. Qt reads every file name as UTF-8: a name whose bytes are not
// UTF-8 ("caf\xe9.avi" from a Latin-1 system) reads with replacement characters, turns into
// other bytes when it is written back, and Qt's folder listings, so the file choosers, leave
// it out. For each such file this gives an alias: a symbolic link with a readable UTF-8 name,
// in a private folder of this run, that points at the file's own bytes. The choosers offer the
// aliases, and every engine and every Qt class then reaches the file through its alias. The
// private folder is removed when the program ends. Used from the window's thread only.
class RawNameAliases
{
public:
    // The readable spelling of a name's bytes: what is valid UTF-8 reads as such, every
    // other byte as Windows-1252 (so Latin-1 in its printable range) reads it.
    static QString readableName(const QByteArray &raw);

    // The folder of aliases for the files in `folder` whose names Qt cannot spell, brought up
    // to date with the folder now; empty when the folder holds no such file.
    static QString aliasFolder(const QString &folder);

    // The folder a path's file is really in: for an alias, the folder of the file it stands
    // for, never the private folder; for any other path, its own folder.
    static QString realFolder(const QString &path);

    // Whether the path names an alias of this run (which is gone once the program ends).
    static bool isAlias(const QString &path);
};
