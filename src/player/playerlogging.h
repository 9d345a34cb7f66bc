#ifndef PLAYERLOGGING_H
#define PLAYERLOGGING_H

#include <QLoggingCategory>

// Debug lines of the player panel and its small widgets. Off by default; turn them on with
// QT_LOGGING_RULES="vexo.player*.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcPlayer)

#endif // PLAYERLOGGING_H
