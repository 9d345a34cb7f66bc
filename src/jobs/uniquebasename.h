#pragma once

#include <QString>

// An output base name that collides with nothing in the folder: the base name itself
// when the folder holds no "<baseName>.*" entry, else "<baseName> (<n>)" with n one more
// than the highest number among the "<baseName> (*).*" entries (gaps are not reused).
// Names are compared literally and without regard to letter case, so brackets, "*" and
// "?" in the base name are plain characters, and the name returned never names an
// existing "<name>.*" entry.
QString makeUniqueBaseName(const QString &folder, const QString &baseName);

// Output names taken by queued jobs: from queueing to the job's end a job's output is
// reserved, and makeUniqueBaseName() steps past a reserved "<folder>/<baseName>" as past
// a file, so that two jobs never write, or remove, one file. Paths are compared as the
// folder's clean absolute path and the base name without regard to letter case.
void reserveOutputName(const QString &folder, const QString &baseName);
void releaseOutputName(const QString &folder, const QString &baseName);
bool isOutputNameReserved(const QString &folder, const QString &baseName);
