// Thread and process identity, processor affinity.
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include "platform/win32/kernel.h"
#include "platform/win32/kernel_internal.h"

HANDLE GetCurrentThread() { return KESTRA_PSEUDO_THREAD; }

DWORD GetCurrentThreadId() { return static_cast<DWORD>(gettid()); }

HANDLE GetCurrentProcess() { return KESTRA_PSEUDO_PROCESS; }

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

// The scheduler places threads well enough; the preference is accepted.
DWORD SetThreadIdealProcessor(HANDLE, DWORD) { return 0; }

// Pins the calling thread to one processor: the first one the mask allows that
// the process may use, else the first the process may use at all (containers
// and CI cpusets often exclude CPU 0). Failure to pin is ignored, as the
// program only asks for steadier timing. Answers the previous mask, never 0.
DWORD_PTR SetThreadAffinityMask(HANDLE, DWORD_PTR mask) {
    if (mask == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return 1;
    DWORD_PTR previous = 0;
    int first = -1;
    int firstInMask = -1;
    const int maskBits = static_cast<int>(sizeof(DWORD_PTR) * 8);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (!CPU_ISSET(cpu, &allowed)) continue;
        if (first < 0) first = cpu;
        if (cpu < maskBits) {
            previous |= static_cast<DWORD_PTR>(1) << cpu;
            if (firstInMask < 0 && (mask >> cpu) & 1) firstInMask = cpu;
        }
    }
    int target = firstInMask >= 0 ? firstInMask : first;
    if (target >= 0) {
        cpu_set_t pin;
        CPU_ZERO(&pin);
        CPU_SET(target, &pin);
        pthread_setaffinity_np(pthread_self(), sizeof pin, &pin);
    }
    return previous ? previous : 1;
}
