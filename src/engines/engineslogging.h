#ifndef ENGINESLOGGING_H
#define ENGINESLOGGING_H

#include <QLoggingCategory>

// Debug lines written per parsed line or engine step. Off by default, so a disabled line costs
// one flag test; turn them on with QT_LOGGING_RULES="vexo.engines*.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcEngines)
Q_DECLARE_LOGGING_CATEGORY(lcMplayer)

#endif // ENGINESLOGGING_H
