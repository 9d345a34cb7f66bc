#include "jobs/process.h"

#include "jobs/processkiller.h"
#include "jobs/processtree.h"

Process::Process()
{
    // An engine never outlives the program, and an abort ends whatever it started.
    ProcessTree::bindToProgram(this);
}

void Process::stop(int timeout)
{
    if (m_stopDeadline.isForever())
        m_stopDeadline = QDeadlineTimer(timeout);
    ProcessKiller::kill(this);
}
