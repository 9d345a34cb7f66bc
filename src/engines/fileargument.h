#pragma once

#include <QString>

// A file name as it is handed to an engine that takes its input file as a plain argument.
// A name that begins with "-" would be read as an option ("-report" makes FFprobe write a
// file, "--LogFile=..." makes MediaInfo write one); "./" keeps it a file name and names the
// same file. Other names pass unchanged.
QString fileArgument(const QString &file);
