#pragma once

// Helpers shared by the job engine tests: tasks that run small shell scripts, a stand-in
// engine processor, and a recorder of the states tasks pass through.

#include "jobs/task.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

namespace JobTest {

constexpr const char *Shell = "/bin/sh";

// Arguments that make /bin/sh run the script with $1, $2 ... set to the given values.
inline QStringList script(const QString &text, const QStringList &values = {})
{
    return QStringList{"-c", text, "sh"} + values;
}

// Puts a task in the queue state with the given script; the data stays the caller's.
template <class T>
T *scriptTask(const QString &name, const QString &text, const QStringList &values = {},
              EncodingTaskData *data = nullptr)
{
    auto *task = new T;
    task->set(data, Shell, script(text, values), QString(), name, "Testing");
    return task;
}

// An engine processor as the job managers see it: something with a name.
struct FakeEngine
{
    QString engineName;
    QString name() const { return engineName; }
};

// Records "name:state" for every state change of the watched tasks, in order.
class StateRecorder : public QObject
{
public:
    void watch(Task *task)
    {
        connect(task, &Task::stateChanged, this,
                [this, task] { changes.append(task->name() + ':' + QString::number(task->state)); });
    }
    int count(const QString &change) const { return changes.count(change); }
    QStringList changes;
};

} // namespace JobTest
