#include "jobs/outputcheck.h"
#include "jobs/jobslogging.h"

#include "jobs/task.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <utility>

namespace {
OutputCheck::Meter s_meter = nullptr;

// Below this much room a disk counts as full: the writes an engine lost there were at most a
// few packets larger.
constexpr qint64 FullDiskRoom = 4 * 1024 * 1024;

// The mount point of the disk that holds the file when the disk has no room left, so that a
// short output says why; empty when it has room or cannot tell.
QString fullDisk(const QString &path)
{
    const QStorageInfo disk(QFileInfo(path).absolutePath());
    if (!disk.isValid() || !disk.isReady() || disk.bytesAvailable() >= FullDiskRoom)
        return QString();
    return QDir::toNativeSeparators(disk.rootPath());
}
} // namespace

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
    const QString disk = fullDisk(path);
    if (!disk.isEmpty())
        return QCoreApplication::translate("OutputCheck", "the disk %1 is full: its output lasts %2 s of the %3 s asked for")
            .arg(disk)
            .arg(measured, 0, 'f', 1)
            .arg(expected, 0, 'f', 1);
    return QCoreApplication::translate("OutputCheck", "its output lasts %1 s of the %2 s asked for")
        .arg(measured, 0, 'f', 1)
        .arg(expected, 0, 'f', 1);
}
