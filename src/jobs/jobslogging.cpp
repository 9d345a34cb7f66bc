#include "jobs/jobslogging.h"

Q_LOGGING_CATEGORY(lcJobs, "vexo.jobs", QtInfoMsg)
