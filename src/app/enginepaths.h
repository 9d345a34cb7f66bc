#pragma once

#include <QString>
#include <QStringList>

// Where the program looks for its engines and utilities, and the file filters of the
// choosers that let the user point at another executable.
//
// Each engine's default is a program in a folder beside Vexo's own executable (for example
// "ffmpeg/ffmpeg" next to "vexo"), else the program of that name found on PATH, else the
// path beside Vexo, so that the readiness check names where it looked.
namespace EnginePaths {

enum Engine { FFmpeg, FFprobe, MEncoder, MPlayer, MediaInfo, X264, MKVmerge, EngineCount };

// The folder beside the program and the executable's name (Linux names, no extension).
struct Location
{
    const char *folder;
    const char *program;
};
Location location(Engine engine);

// The default executable of an engine. programFolder is the folder of Vexo's executable,
// searchPath the folders searched next (empty: the system PATH).
QString defaultPath(Engine engine, const QString &programFolder,
                    const QStringList &searchPath = QStringList());
// The same with the running program's folder.
QString defaultPath(Engine engine);

// The engines in the order of the "Externals" settings group, with their keys there.
struct ExternalsRow
{
    const char *key;
    Engine engine;
};
extern const ExternalsRow kExternals[EngineCount];

// The chooser filter of an engine path setter: a Linux program has no extension, so the
// first filter shows every file; scripts (a wrapper around an engine) are offered too.
QString executableFilter();

// Whether a file name passes the first filter of a chooser filter text.
bool filterAccepts(const QString &filter, const QString &fileName);
}
