#include "jobs/jobslogging.h"

Q_LOGGING_CATEGORY(lcJobs, "vexo.jobs", QtInfoMsg)
Q_LOGGING_CATEGORY(lcConsole, "vexo.console", QtInfoMsg)
