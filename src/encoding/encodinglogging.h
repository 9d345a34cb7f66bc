#ifndef ENCODINGLOGGING_H
#define ENCODINGLOGGING_H

#include <QLoggingCategory>

// Debug lines written per routed output chunk or view step. Off by default, so a disabled line
// costs one flag test; turn them on with QT_LOGGING_RULES="vexo.encoding*.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcEncoding)

#endif // ENCODINGLOGGING_H
