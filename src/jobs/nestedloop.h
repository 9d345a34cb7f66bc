#pragma once

#include <QEventLoop>

#include <functional>

class QObject;

// Events handled inside a routine of the program (QCoreApplication::processEvents, a local
// QEventLoop) re-enter it: any slot may run there, a window's close and a stop signal's
// handler included, and the routine goes on afterwards with the objects it held. Every such
// place in the program handles events through this class, which counts them, so that what
// would delete those objects (a window's close, its deferred deletion) waits until the
// outermost of them has returned.
class NestedLoop
{
public:
    // QCoreApplication::processEvents, counted; `site` names the place (for the debug lines
    // and the tests' fault drivers). A negative maxTime handles what is pending once.
    static void processEvents(const char *site, QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents,
                              int maxTime = -1);
    // A local loop's exec(), counted; its return code.
    static int exec(const char *site, QEventLoop &loop);

    // Whether events are being handled inside a routine now.
    static bool active();
    // Runs the call in the event loop once no nested loop runs any more (queued at once when
    // none runs); not when the context is gone by then.
    static void afterwards(QObject *context, std::function<void()> call);

    // Called as each nested loop starts, with its site: tests deliver a close or a signal
    // there. Returns the watch it replaces.
    using EntryWatch = std::function<void(const char *site)>;
    static EntryWatch setEntryWatch(EntryWatch watch);

private:
    class Count
    {
    public:
        explicit Count(const char *site);
        ~Count();
        Count(const Count &) = delete;
        Count &operator=(const Count &) = delete;
    };
};
