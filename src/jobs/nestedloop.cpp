#include "jobs/nestedloop.h"

#include <QCoreApplication>
#include <QList>
#include <QPointer>

#include <utility>

namespace {
// The window's thread only, as the loops it counts.
int s_depth = 0;
NestedLoop::EntryWatch s_entryWatch;

struct LaterCall
{
    QPointer<QObject> context;
    std::function<void()> call;
};
QList<LaterCall> s_laterCalls;

void queue(const LaterCall &later)
{
    if (!later.context)
        return;
    // A nested loop that starts before the call is delivered would deliver it: it then waits
    // for that one's end too.
    QMetaObject::invokeMethod(
        later.context,
        [later] {
            if (s_depth > 0)
                s_laterCalls.append(later);
            else
                later.call();
        },
        Qt::QueuedConnection);
}
} // namespace

NestedLoop::Count::Count(const char *site)
{
    ++s_depth;
    if (s_entryWatch)
        s_entryWatch(site);
}

NestedLoop::Count::~Count()
{
    if (--s_depth > 0)
        return;
    // Queued, not called: the routine that ran the loop goes on from here, and a call made
    // now would run inside it.
    for (const LaterCall &later : std::exchange(s_laterCalls, {}))
        queue(later);
}

void NestedLoop::processEvents(const char *site, QEventLoop::ProcessEventsFlags flags, int maxTime)
{
    const Count counted(site);
    if (maxTime < 0)
        QCoreApplication::processEvents(flags);
    else
        QCoreApplication::processEvents(flags, maxTime);
}

int NestedLoop::exec(const char *site, QEventLoop &loop)
{
    const Count counted(site);
    return loop.exec();
}

bool NestedLoop::active()
{
    return s_depth > 0;
}

void NestedLoop::afterwards(QObject *context, std::function<void()> call)
{
    const LaterCall later{context, std::move(call)};
    if (s_depth > 0)
        s_laterCalls.append(later);
    else
        queue(later);
}

NestedLoop::EntryWatch NestedLoop::setEntryWatch(EntryWatch watch)
{
    return std::exchange(s_entryWatch, std::move(watch));
}
