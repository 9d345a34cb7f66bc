#pragma once

#include <QString>

// A file name as it is handed to an engine that takes its input file as a plain argument.
// A name that begins with "-" would be read as an option ("-report" makes FFprobe write a
// file, "--LogFile=..." makes MediaInfo write one); "./" keeps it a file name and names the
// same file. Other names pass unchanged.
QString fileArgument(const QString &file);

// The platform's null device as an output or input file name for an engine: what is
// written to it is thrown away, and it reads as empty. Windows' engines take "nul"; elsewhere
// a file of that name would be made in the working folder.
QString nullDevice();
