// Linked into the tests of the ThreadSanitizer build only (RWN8_TSAN).
//
// QProcess starts a program with clone(CLONE_VM | CLONE_VFORK): the child runs in
// the parent's memory until it executes the program. The tool's clone wrapper
// treats every clone as a fork and runs its after-fork bookkeeping in the child,
// which then lands in the parent's own state: the thread that started the process
// stops seeing its own locks, and every hand-over from it to the audio thread is
// reported as a race. Here such a clone becomes an ordinary one without shared
// memory, which the tool handles as the fork it is; the program started is the same.
#include <dlfcn.h>
#include <sched.h>
#include <sys/types.h>

#include <cstdarg>

extern "C" int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...) {
    va_list more;
    va_start(more, arg);
    pid_t* parentTid = va_arg(more, pid_t*);
    void* tls = va_arg(more, void*);
    pid_t* childTid = va_arg(more, pid_t*);
    va_end(more);
    using Clone = int (*)(int (*)(void*), void*, int, void*, ...);
    // The tool's wrapper, which calls the C library's.
    static const auto next = reinterpret_cast<Clone>(dlsym(RTLD_NEXT, "clone"));
    if ((flags & CLONE_VM) && !(flags & CLONE_THREAD)) flags &= ~(CLONE_VM | CLONE_VFORK);
    return next(fn, stack, flags, arg, parentTid, tls, childTid);
}
