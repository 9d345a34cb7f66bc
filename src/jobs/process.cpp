#include "jobs/process.h"

Process::Process() = default;
