#ifndef ENCODERLOGGING_H
#define ENCODERLOGGING_H

#include <QLoggingCategory>

// Debug lines written per parsed line or engine step. Off by default, so a disabled line costs
// one flag test; turn them on with QT_LOGGING_RULES="vexo.encoder*.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcEncoder)

#endif // ENCODERLOGGING_H
