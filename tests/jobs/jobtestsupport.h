#pragma once

// Shared by the job engine tests: tasks that run small shell scripts and jobs around them.

#include "jobs/mervojobmanager.h"
#include "testregistry.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

namespace JobTest {

// Gone, or a zombie that nobody has reaped yet (in a container nobody may).
inline bool hasExited(qint64 pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}

constexpr const char *Shell = "/bin/sh";

// Arguments that make /bin/sh run the script with $1, $2 ... set to the given values.
inline QStringList script(const QString &text, const QStringList &values = {})
{
    return QStringList{"-c", text, "sh"} + values;
}

template <class T>
T *scriptTask(const QString &name, const QString &text, const QStringList &values = {},
              EncodingTaskData *data = nullptr)
{
    auto *task = new T;
    task->set(data, Shell, script(text, values), QString(), name, "Testing");
    return task;
}

// Task data whose only meaningful slot is the output file.
inline EncodingTaskData outputData(const QString &path)
{
    return {2, 0.0, 0, 0.0, 0, path, QString(), false, QVariant()};
}

inline Job *plainJob(Task *task, const QString &id, QTextEdit *log = nullptr)
{
    auto *job = new Job;
    job->init(task, id, "title " + id, "out", nullptr, nullptr, nullptr, log, 2, 0, 0, 0);
    return job;
}

inline MervoJob *mervoJob(const QList<MervoTask *> &tasks, const QString &id = "id")
{
    auto *job = new MervoJob;
    job->init(tasks, id, "title " + id, "out", nullptr, nullptr, nullptr, nullptr, 2, 0, 0, 0);
    return job;
}

} // namespace JobTest
