#ifndef JOBSLOGGING_H
#define JOBSLOGGING_H

#include <QLoggingCategory>

// Debug lines written per parsed line or engine step. Off by default, so a disabled line costs
// one flag test; turn them on with QT_LOGGING_RULES="vexo.jobs*.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcJobs)
// The console lines written before their view exists (the engines' start-up listings, about a
// thousand lines): off by default, so that the terminal shows warnings only; turn them on
// with QT_LOGGING_RULES="vexo.console.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcConsole)

#endif // JOBSLOGGING_H
