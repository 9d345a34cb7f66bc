#include "jobs/keepawake.h"

#include <QLibrary>

namespace {
// Job processes that started and have not ended yet, over every manager.
int runningJobProcesses = 0;

void callSystemLibrary(const char *function)
{
    // Looked up afresh at each call and never unloaded: the library keeps whatever state
    // it needs between the two calls.
    QLibrary library(QStringLiteral("sys"));
    using Call = void (*)();
    if (const auto call = reinterpret_cast<Call>(library.resolve(function)))
        call();
}
} // namespace

void setKeepAwake()
{
    if (runningJobProcesses != 0) {
        ++runningJobProcesses;
        return;
    }
    callSystemLibrary("sys_set_keep_awake");
    ++runningJobProcesses;
}

void resetKeepAwake()
{
    if (runningJobProcesses > 1) {
        --runningJobProcesses;
        return;
    }
    callSystemLibrary("sys_reset_keep_awake");
    runningJobProcesses = 0;
}
