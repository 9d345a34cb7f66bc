#pragma once

#include <QByteArray>
#include <QString>

// Where a DVD title's pictures are stored: its title set, read from the disc's own table of
// titles (VIDEO_TS.IFO), and that set's first video object file, which FFprobe reads as a
// program stream. What FFprobe finds there of the picture (its field order) is the title's.
namespace DvdTitleSets {

// The folder that holds VIDEO_TS.IFO for a DVD path as the user opens it: a disc root, its
// VIDEO_TS folder or an IFO file in it; empty when there is none.
QString videoFolder(const QString &dvdPath);
// The bytes of the disc's VIDEO_TS.IFO, which holds its table of titles (read once for all
// its titles); empty when it cannot be read.
QByteArray managerBytes(const QString &videoFolder);
// The path of the first video object file of a title set ("VTS_01_1.VOB"), empty when there
// is none.
QString firstVideoObject(const QString &videoFolder, int titleSet);
// The title set of a title from the bytes of a VIDEO_TS.IFO; 0 when they hold none.
int titleSetOf(const QByteArray &ifo, int title);

} // namespace DvdTitleSets
