#pragma once

#include <QString>

// A file name as it is handed to an engine, the one guard every path passes on its way to
// any engine. A name that begins with "-" would be read as an option ("-report" makes
// FFprobe write a file, "--LogFile=..." makes MediaInfo write one), and a relative name
// whose first ":" comes before any "/" is read by FFmpeg and FFprobe as the address of a
// protocol ("clip:1.avi", "dvd:.avi": "Protocol not found"); "./" keeps either a file name
// and names the same file. Other names, and a DVD title's address ("dvd://3"), pass
// unchanged.
QString fileArgument(const QString &file);

// The platform's null device as an output or input file name for an engine: what is
// written to it is thrown away, and it reads as empty. Windows' engines take "nul"; elsewhere
// a file of that name would be made in the working folder.
QString nullDevice();
