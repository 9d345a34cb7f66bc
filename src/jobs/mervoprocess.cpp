#include "jobs/mervoprocess.h"

#include "jobs/mervotask.h"

MervoProcess::MervoProcess()
{
    setObjectName(QStringLiteral("MervoProcess"));
}

double MervoProcess::taskElapsedMinutes() const
{
    return mervoTask ? mervoTask->elapsedMinutes() : 0.0;
}
