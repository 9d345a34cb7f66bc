#include "jobs/outputcheck.h"
#include "jobs/jobslogging.h"

#include "jobs/task.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>

#include <utility>

namespace {
OutputCheck::Meter s_meter = nullptr;
}

OutputCheck::Meter OutputCheck::setMeter(Meter meter)
{
    return std::exchange(s_meter, meter);
}

bool OutputCheck::fallsShort(double measured, double expected)
{
    return measured < expected * 0.9 && expected - measured > 1.0;
}

QString OutputCheck::shortfall(const Task &task)
{
    const double expected = taskDataValue(task.taskData, TaskDataSlot::Duration).toDouble();
    const QString path = taskDataValue(task.taskData, TaskDataSlot::OutputPath).toString();
    // A preview encodes a part on purpose; a first pass writes statistics, not media.
    if (!s_meter || expected <= 0.0 || taskDataValue(task.taskData, TaskDataSlot::Preview).toBool()
        || path.endsWith(QLatin1String(".stats")) || !QFileInfo(path).isFile())
        return QString();
    const double measured = s_meter(path, expected);
    qCDebug(lcJobs) << "OutputCheck:" << path << "lasts" << measured << "of" << expected;
    if (measured < 0.0 || !fallsShort(measured, expected))
        return QString();
    return QCoreApplication::translate("OutputCheck", "its output lasts %1 s of the %2 s asked for")
        .arg(measured, 0, 'f', 1)
        .arg(expected, 0, 'f', 1);
}
