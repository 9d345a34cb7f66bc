#include "jobs/process.h"

#include "jobs/processtree.h"

Process::Process()
{
    // An engine never outlives the program, and an abort ends whatever it started.
    ProcessTree::bindToProgram(this);
}
