// Thread and process identity, processor affinity.
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

// Accepted, not enforced: every thread made after a pin would inherit it (the
// sound thread, the rasterizer's threads), and a busy core would then stall the
// whole game. The pin only ever steadied timers that differ between cores,
// which CLOCK_MONOTONIC does not. Answers the mask the process may use, never 0.
DWORD_PTR SetThreadAffinityMask(HANDLE, DWORD_PTR mask) {
    if (mask == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return 1;
    DWORD_PTR previous = 0;
    const int maskBits = static_cast<int>(sizeof(DWORD_PTR) * 8);
    for (int cpu = 0; cpu < maskBits; ++cpu)
        if (CPU_ISSET(cpu, &allowed)) previous |= static_cast<DWORD_PTR>(1) << cpu;
    return previous ? previous : 1;
}
