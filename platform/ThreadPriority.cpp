#include "ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tonwerk::platform {

void lowerThreadPriority() {
    // On Linux the nice value belongs to the thread, addressed by its kernel thread id.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    const int current = getpriority(PRIO_PROCESS, tid);
    static_cast<void>(setpriority(PRIO_PROCESS, tid, current + 5));
}

} // namespace tonwerk::platform
