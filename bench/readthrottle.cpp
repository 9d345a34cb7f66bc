// A slow share stood in for, for the load benchmarks: preloaded into the engines
// (LD_PRELOAD), it counts what each process reads of the files below one folder and, given a
// rate, holds each such read until that many bytes a second have passed, the rate shared by
// every process at once, as one network link is. Seeks cost nothing: a share's client reads
// ahead and a request's round trip is small beside the bytes at a few MB/s.
//
// Environment (unset: the library does nothing):
//   VEXO_READ_WATCH   what is watched: the start of the real paths of the files read (a
//                     folder's, "/" ended, or one file's)
//   VEXO_READ_STATE   a file this library keeps the link's clock and byte count in
//   VEXO_READ_RATE    bytes a second through the link; 0 or unset: counted only
//   VEXO_READ_LOG     a file each process appends a line to when it exits:
//                     "pid start-ms end-ms cpu-ms watched-bytes rchar program args...",
//                     the times on the clock since boot (CLOCK_BOOTTIME), the start the
//                     process's own (before its libraries were loaded)
//
// A process that is killed writes no line; the state file's count holds its bytes all the
// same. Built without the sanitizers: it goes into engines that have none.

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

struct Link
{
    long long nextFreeNs; // when the link is free again, on the monotonic clock
    long long bytes;      // read through it by every process
};

const char *s_watch = nullptr;
size_t s_watchLength = 0;
const char *s_state = nullptr;
const char *s_log = nullptr;
double s_rate = 0.0;
long long s_mine = 0; // watched bytes this process read

// Per descriptor: the file it was found to be, and whether that file is watched.
constexpr int kDescriptors = 1024;
struct Seen
{
    dev_t device;
    ino_t inode;
    bool known;
    bool watched;
};
Seen s_seen[kDescriptors];

long long monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

double sinceBootMs()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

// When the process began, in ms since boot (to the kernel's tick); 0 when unknown.
double processStartMs()
{
    FILE *stat = std::fopen("/proc/self/stat", "r");
    if (!stat)
        return 0.0;
    char text[1024] = {0};
    const size_t length = std::fread(text, 1, sizeof text - 1, stat);
    std::fclose(stat);
    text[length] = '\0';
    // The fields after the program's name, which may hold blanks, start after its ")".
    const char *field = std::strrchr(text, ')');
    unsigned long long ticks = 0;
    for (int n = 2; field && n < 22; ++n)
        field = std::strchr(field + 1, ' ');
    if (!field || std::sscanf(field + 1, "%llu", &ticks) != 1)
        return 0.0;
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

template <class Function>
Function next(const char *name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

bool watched(int fd)
{
    if (!s_watch || fd < 0)
        return false;
    struct stat status{};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    if (fd < kDescriptors && s_seen[fd].known && s_seen[fd].device == status.st_dev
        && s_seen[fd].inode == status.st_ino)
        return s_seen[fd].watched;
    char link[64];
    char path[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, path, sizeof path - 1);
    const bool isWatched = length > 0 && size_t(length) >= s_watchLength
                           && std::strncmp(path, s_watch, s_watchLength) == 0;
    if (fd < kDescriptors)
        s_seen[fd] = Seen{status.st_dev, status.st_ino, true, isWatched};
    return isWatched;
}

// Counts the bytes and holds the caller until the link has carried them.
void carry(ssize_t bytes)
{
    if (bytes <= 0)
        return;
    s_mine += bytes;
    if (!s_state)
        return;
    // The state file is read past this library's own functions: it may lie in the watched
    // folder, and its lock is held meanwhile.
    static const auto readAt = next<ssize_t (*)(int, void *, size_t, off_t)>("pread64");
    const int fd = open(s_state, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    flock(fd, LOCK_EX);
    Link link{};
    if (readAt(fd, &link, sizeof link, 0) != ssize_t(sizeof link))
        link = Link{0, 0};
    const long long now = monotonicNs();
    long long done = now;
    if (s_rate > 0.0) {
        done = (link.nextFreeNs > now ? link.nextFreeNs : now) + (long long)(bytes / s_rate * 1e9);
        link.nextFreeNs = done;
    }
    link.bytes += bytes;
    (void)!pwrite(fd, &link, sizeof link, 0);
    flock(fd, LOCK_UN);
    close(fd);
    for (long long left = done - monotonicNs(); left > 0; left = done - monotonicNs()) {
        const timespec wait{time_t(left / 1000000000LL), long(left % 1000000000LL)};
        nanosleep(&wait, nullptr);
    }
}

// The process's own count of what it read from anything ("rchar").
long long readCharacters()
{
    FILE *io = std::fopen("/proc/self/io", "r");
    if (!io)
        return -1;
    char line[128];
    long long value = -1;
    while (std::fgets(line, sizeof line, io))
        if (std::sscanf(line, "rchar: %lld", &value) == 1)
            break;
    std::fclose(io);
    return value;
}

__attribute__((constructor)) void begin()
{
    s_watch = std::getenv("VEXO_READ_WATCH");
    s_watchLength = s_watch ? std::strlen(s_watch) : 0;
    if (s_watchLength == 0)
        s_watch = nullptr;
    s_state = std::getenv("VEXO_READ_STATE");
    s_log = std::getenv("VEXO_READ_LOG");
    const char *rate = std::getenv("VEXO_READ_RATE");
    s_rate = rate ? std::atof(rate) : 0.0;
}

__attribute__((destructor)) void end()
{
    if (!s_log || !s_watch)
        return;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0
                         + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
    char command[2048] = {0};
    if (FILE *cmdline = std::fopen("/proc/self/cmdline", "r")) {
        const size_t length = std::fread(command, 1, sizeof command - 1, cmdline);
        std::fclose(cmdline);
        for (size_t i = 0; i + 1 < length; ++i)
            if (command[i] == '\0')
                command[i] = ' ';
    }
    if (FILE *log = std::fopen(s_log, "a")) {
        std::fprintf(log, "%d %.1f %.1f %.1f %lld %lld %s\n", int(getpid()), processStartMs(), sinceBootMs(), cpuMs,
                     s_mine, readCharacters(), command);
        std::fclose(log);
    }
}

} // namespace

extern "C" {

ssize_t read(int fd, void *buffer, size_t count)
{
    static const auto real = next<ssize_t (*)(int, void *, size_t)>("read");
    const ssize_t got = real(fd, buffer, count);
    if (got > 0 && watched(fd))
        carry(got);
    return got;
}

ssize_t __read_chk(int fd, void *buffer, size_t count, size_t)
{
    return read(fd, buffer, count);
}

ssize_t pread64(int fd, void *buffer, size_t count, off_t offset)
{
    static const auto real = next<ssize_t (*)(int, void *, size_t, off_t)>("pread64");
    const ssize_t got = real(fd, buffer, count, offset);
    if (got > 0 && watched(fd))
        carry(got);
    return got;
}

ssize_t pread(int fd, void *buffer, size_t count, off_t offset)
{
    return pread64(fd, buffer, count, offset);
}

ssize_t readv(int fd, const iovec *vectors, int count)
{
    static const auto real = next<ssize_t (*)(int, const iovec *, int)>("readv");
    const ssize_t got = real(fd, vectors, count);
    if (got > 0 && watched(fd))
        carry(got);
    return got;
}

} // extern "C"
