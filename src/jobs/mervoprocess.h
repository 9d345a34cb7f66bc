#pragma once

#include "jobs/process.h"

class MervoJob;
class MervoTask;

// The child process of a task of a multi-task job. The inherited job and task stay null;
// the views tell the two kinds apart by the object name "MervoProcess".
class MervoProcess : public Process
{
    Q_OBJECT

public:
    MervoProcess();

    double taskElapsedMinutes() const;

    MervoJob *mervoJob = nullptr;
    MervoTask *mervoTask = nullptr;
};
