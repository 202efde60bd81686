// A preloaded library that makes file calls fail on purpose, for the tests of what a failing
// disk does to a save. Only calls on files whose path contains the watched text count: the
// descriptors opened on such a path (open, openat and their 64-bit twins), and rename with
// either name matching. One failure is armed at a time:
//   op     "write", "fdatasync", "fsync", "close", "rename" or "open": the nth watched call of
//          that kind fails with err (the descriptor of a failing close is closed all the same);
//   bytes  (op "write"): watched writes take that many bytes in all, a write crossing it is
//          cut short there and the next one fails with err, as on a disk that fills up.
// Armed from the environment at load (KDV_FAULT_PATH, KDV_FAULT_OP, KDV_FAULT_NTH,
// KDV_FAULT_BYTES, KDV_FAULT_ERRNO) or from a test through kdv_fault_arm. kdv_fault_calls
// counts the watched calls of a kind since the last arming.
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

constexpr int FD_MAX = 4096;
constexpr int PATH_MAX_WATCHED = 1024;
enum Op { OP_WRITE, OP_FDATASYNC, OP_FSYNC, OP_CLOSE, OP_RENAME, OP_OPEN, OP_COUNT, OP_NONE };
const char *const kOpNames[OP_COUNT] = {"write", "fdatasync", "fsync", "close", "rename", "open"};

char g_path[PATH_MAX_WATCHED];
Op g_op = OP_NONE;
long g_nth = 0;
long long g_bytes = -1; // budget of watched writes, -1 for none
int g_errno = ENOSPC;
long g_calls[OP_COUNT];
std::atomic<bool> g_watched[FD_MAX];

template <typename F> F real(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

Op opNamed(const char *name)
{
    for (int i = 0; name && i < OP_COUNT; ++i) {
        if (std::strcmp(name, kOpNames[i]) == 0)
            return static_cast<Op>(i);
    }
    return OP_NONE;
}

bool pathWatched(const char *path)
{
    return g_path[0] != '\0' && path && std::strstr(path, g_path) != nullptr;
}

bool fdWatched(int fd)
{
    return fd >= 0 && fd < FD_MAX && g_watched[fd].load();
}

void watch(int fd, const char *path)
{
    if (fd >= 0 && fd < FD_MAX)
        g_watched[fd] = pathWatched(path);
}

// Counts a watched call of op; true when it is the one to fail.
bool failsNow(Op op)
{
    const long n = ++g_calls[op];
    return g_op == op && g_bytes < 0 && n == g_nth;
}

int failWith()
{
    errno = g_errno;
    return -1;
}

template <typename Open> int openWatched(const char *path, Open realOpen)
{
    if (pathWatched(path) && failsNow(OP_OPEN))
        return failWith();
    const int fd = realOpen();
    watch(fd, path);
    return fd;
}

void arm(const char *path, const char *op, long nth, long long bytes, int err)
{
    std::strncpy(g_path, path ? path : "", sizeof g_path - 1);
    g_op = opNamed(op);
    g_nth = nth;
    g_bytes = g_op == OP_WRITE ? bytes : -1;
    g_errno = err != 0 ? err : (g_op == OP_WRITE ? ENOSPC : EIO);
    for (long &c : g_calls)
        c = 0;
}

__attribute__((constructor)) void armFromEnvironment()
{
    const char *path = std::getenv("KDV_FAULT_PATH");
    if (!path)
        return;
    const char *nth = std::getenv("KDV_FAULT_NTH");
    const char *bytes = std::getenv("KDV_FAULT_BYTES");
    const char *err = std::getenv("KDV_FAULT_ERRNO");
    arm(path, std::getenv("KDV_FAULT_OP"), nth ? std::atol(nth) : 0, bytes ? std::atoll(bytes) : -1,
        err ? std::atoi(err) : 0);
}

} // namespace

extern "C" {

void kdv_fault_arm(const char *path, const char *op, long nth, long long bytes, int err)
{
    arm(path, op, nth, bytes, err);
}

long kdv_fault_calls(const char *op)
{
    const Op o = opNamed(op);
    return o == OP_NONE ? -1 : g_calls[o];
}

int open(const char *path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(ap, mode_t) : 0;
    va_end(ap);
    static auto next = real<int (*)(const char *, int, ...)>("open");
    return openWatched(path, [&] { return next(path, flags, mode); });
}

int open64(const char *path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(ap, mode_t) : 0;
    va_end(ap);
    static auto next = real<int (*)(const char *, int, ...)>("open64");
    return openWatched(path, [&] { return next(path, flags, mode); });
}

int openat(int dirfd, const char *path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(ap, mode_t) : 0;
    va_end(ap);
    static auto next = real<int (*)(int, const char *, int, ...)>("openat");
    return openWatched(path, [&] { return next(dirfd, path, flags, mode); });
}

int openat64(int dirfd, const char *path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(ap, mode_t) : 0;
    va_end(ap);
    static auto next = real<int (*)(int, const char *, int, ...)>("openat64");
    return openWatched(path, [&] { return next(dirfd, path, flags, mode); });
}

ssize_t write(int fd, const void *buf, size_t count)
{
    static auto next = real<ssize_t (*)(int, const void *, size_t)>("write");
    if (!fdWatched(fd))
        return next(fd, buf, count);
    if (failsNow(OP_WRITE))
        return failWith();
    if (g_op == OP_WRITE && g_bytes >= 0) {
        if (g_bytes == 0)
            return failWith();
        if (static_cast<long long>(count) > g_bytes)
            count = static_cast<size_t>(g_bytes);
        const ssize_t n = next(fd, buf, count);
        if (n > 0)
            g_bytes -= n;
        return n;
    }
    return next(fd, buf, count);
}

int fdatasync(int fd)
{
    static auto next = real<int (*)(int)>("fdatasync");
    if (fdWatched(fd) && failsNow(OP_FDATASYNC))
        return failWith();
    return next(fd);
}

int fsync(int fd)
{
    static auto next = real<int (*)(int)>("fsync");
    if (fdWatched(fd) && failsNow(OP_FSYNC))
        return failWith();
    return next(fd);
}

int close(int fd)
{
    static auto next = real<int (*)(int)>("close");
    const bool watched = fdWatched(fd);
    if (watched)
        g_watched[fd] = false;
    const int r = next(fd);
    if (watched && failsNow(OP_CLOSE))
        return failWith();
    return r;
}

int rename(const char *from, const char *to)
{
    static auto next = real<int (*)(const char *, const char *)>("rename");
    if ((pathWatched(from) || pathWatched(to)) && failsNow(OP_RENAME))
        return failWith();
    return next(from, to);
}

} // extern "C"
