#pragma once

// Lets the program open as many files as the system allows it (POSIX). Every running job
// holds pipes to its engine, and queued jobs all start at once: with the usual soft limit of
// 1024 open files a few hundred jobs could not start. Raises the soft limit to the hard one.
void raiseOpenFileLimit();
