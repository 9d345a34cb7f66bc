#pragma once

// Asks the platform, through the optional library "sys" (libsys.so), to keep the machine
// awake while at least one job process runs. The managers call setKeepAwake right after
// a process starts and resetKeepAwake right after its end was handed to its job; only the
// first start and the last end of a run of overlapping processes reach the library.
// A missing library or function is ignored.
void setKeepAwake();
void resetKeepAwake();
