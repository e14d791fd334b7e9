// Locks: the named mutex shared between processes, recursive ownership,
// semaphores and critical sections with two threads; thread identity.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "tests/platform/win32/kernel_fixture.h"

using namespace kerneltest;

namespace {

class KernelSync : public KernelTest {
protected:
    // Unique per test process: tests run in parallel.
    static std::string MutexName(const char* tag) {
        return std::string("Quenrith test ") + tag + " ソ " + std::to_string(getpid());
    }
};

// A child that takes the named mutex, reports it on `ready`, and keeps it
// until a byte arrives on `release`.
pid_t StartHolder(const std::string& name, int ready, int release) {
    fflush(nullptr);
    pid_t pid = fork();
    if (pid != 0) return pid;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    char answer = mutex && WaitForSingleObject(mutex, 0) == WAIT_OBJECT_0 ? 'y' : 'n';
    if (write(ready, &answer, 1) != 1) _exit(2);
    char byte;
    if (read(release, &byte, 1) != 1) _exit(3);
    _exit(0);
}

}  // namespace

TEST_F(KernelSync, NamedMutexIsHeldAcrossProcessesUntilTheHolderEnds) {
    const std::string name = MutexName("instance");
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    pid_t child = StartHolder(name, ready[1], release[0]);
    ASSERT_GT(child, 0);
    char answer = 0;
    ASSERT_EQ(read(ready[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y');

    // A second instance: the mutex exists and cannot be taken.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitForSingleObject(mutex, 30), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));

    // The holder ends (without releasing): the kernel drops its lock.
    ASSERT_EQ(write(release[1], "x", 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    // Ownership is recursive for the owning thread.
    EXPECT_EQ(WaitForSingleObject(mutex, 0), static_cast<DWORD>(WAIT_OBJECT_0));

    // Now this process holds it against others.
    EXPECT_EQ(testsupport::RunInChild([&] {
                  HANDLE other = CreateMutexA(nullptr, FALSE, name.c_str());
                  bool exists = GetLastError() == ERROR_ALREADY_EXISTS;
                  return exists && WaitForSingleObject(other, 0) == WAIT_TIMEOUT ? 0 : 1;
              }),
              0);
    // Closing the last handle gives it up.
    EXPECT_TRUE(CloseHandle(mutex));
    EXPECT_EQ(testsupport::RunInChild([&] {
                  HANDLE other = CreateMutexA(nullptr, FALSE, name.c_str());
                  return WaitForSingleObject(other, 0) == WAIT_OBJECT_0 ? 0 : 1;
              }),
              0);
    for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
}

// The lock files' folder is passed over when its group or others may enter it: a
// fresh process (the folder is chosen once) puts its locks in the temporary folder,
// under names that other instances must derive alike.
TEST_F(KernelSync, ALockFolderOpenToOthersIsPassedOver) {
    // Other bytes than [A-Za-z0-9_.-] and a leading dot are %XX; past 180 bytes a name is
    // cut to 160 and tagged with a hash of the whole, so that names sharing a head stay apart.
    const std::string head(160, 'n'), longest(180, 'n');
    if (std::getenv("KESTRA_TEST_LOCK_PROBE")) {
        for (const std::string& name : {std::string("probe"), std::string(".a.b c\x83\x5C"), longest, longest + "n",
                                        longest + std::string(65, 'm')})
            if (!CreateMutexA(nullptr, FALSE, name.c_str())) _exit(1);
        _exit(0);
    }
    for (const mode_t mode : {0750, 0705}) {
        testsupport::TempDir runtime, temporary;
        ASSERT_EQ(mkdir(runtime.file("kestra").c_str(), 0700), 0);
        ASSERT_EQ(chmod(runtime.file("kestra").c_str(), mode), 0);
        fflush(nullptr);
        const pid_t child = fork();
        if (child == 0) {
            setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
            setenv("TMPDIR", temporary.path().c_str(), 1);
            setenv("KESTRA_TEST_LOCK_PROBE", "1", 1);
            execl("/proc/self/exe", "probe", "--gtest_filter=KernelSync.ALockFolderOpenToOthersIsPassedOver", nullptr);
            _exit(127);
        }
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(std::filesystem::is_empty(runtime.file("kestra")));
        const std::string locks = temporary.file("kestra-" + std::to_string(getuid()));
        std::set<std::string> files, cut;
        for (const auto& file : std::filesystem::directory_iterator(locks)) {
            const std::string name = file.path().filename().string();
            (name.starts_with("mutex-" + head + "~") && name.size() == 188 ? cut : files).insert(name);
        }
        EXPECT_EQ(files, (std::set<std::string>{"mutex-probe.lock", "mutex-%2Ea.b%20c%83%5C.lock",
                                                "mutex-" + longest + ".lock"}));
        EXPECT_EQ(cut.size(), 2u);
    }
}

TEST_F(KernelSync, MutexOwnershipBelongsToAThreadAndIsRecursive) {
    const std::string name = MutexName("threads");
    HANDLE mutex = CreateMutexA(nullptr, TRUE, name.c_str());
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    // A second handle of the same name is the same mutex.
    HANDLE again = CreateMutexA(nullptr, FALSE, name.c_str());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(WaitForSingleObject(again, 0), static_cast<DWORD>(WAIT_OBJECT_0));  // owned twice now

    DWORD otherWait = 0;
    std::thread([&] { otherWait = WaitForSingleObject(mutex, 0); }).join();
    EXPECT_EQ(otherWait, static_cast<DWORD>(WAIT_TIMEOUT));

    EXPECT_TRUE(ReleaseMutex(mutex));
    std::thread([&] { otherWait = WaitForSingleObject(mutex, 0); }).join();
    EXPECT_EQ(otherWait, static_cast<DWORD>(WAIT_TIMEOUT));  // still owned once
    EXPECT_TRUE(ReleaseMutex(again));
    EXPECT_FALSE(ReleaseMutex(mutex));

    // Released: a waiting thread gets it, and the owner is then that thread.
    std::atomic<bool> taken{false}, letGo{false};
    std::thread other([&] {
        otherWait = WaitForSingleObject(mutex, INFINITE);
        taken = true;
        while (!letGo) sched_yield();
        ReleaseMutex(mutex);
    });
    while (!taken) sched_yield();
    EXPECT_EQ(otherWait, static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_FALSE(ReleaseMutex(mutex));
    letGo = true;
    other.join();
    EXPECT_EQ(WaitForSingleObject(mutex, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(ReleaseMutex(mutex));
    CloseHandle(again);
    CloseHandle(mutex);
}

TEST_F(KernelSync, UnnamedLocksAreNeverShared) {
    for (LPCSTR name : {static_cast<LPCSTR>(nullptr), ""}) {  // an empty name is no name
        HANDLE owned = CreateMutexA(nullptr, TRUE, name);
        HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
        EXPECT_FALSE(ReleaseMutex(mutex));  // only the first is owned
        HANDLE full = CreateSemaphoreA(nullptr, 1, 1, name);
        HANDLE empty = CreateSemaphoreA(nullptr, 0, 1, name);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
        EXPECT_EQ(WaitForSingleObject(empty, 0), static_cast<DWORD>(WAIT_TIMEOUT));
        for (HANDLE handle : {owned, mutex, full, empty}) CloseHandle(handle);
    }
}

TEST_F(KernelSync, InjectedOwnedMutexLooksLikeAnotherInstance) {
    platform::InjectFault("CreateMutexA.owned", 0, 1);
    // Only a named mutex can be another instance's; an unnamed one leaves the fault armed.
    HANDLE unnamed = CreateMutexA(nullptr, FALSE, "");
    EXPECT_EQ(WaitForSingleObject(unnamed, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(unnamed);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, MutexName("fault").c_str());
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    CloseHandle(mutex);
    // The fault was for one creation only.
    mutex = CreateMutexA(nullptr, FALSE, MutexName("fault").c_str());
    EXPECT_EQ(WaitForSingleObject(mutex, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(mutex);
}

TEST_F(KernelSync, SemaphoreCountsAndWakesWaiters) {
    HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 2, nullptr);
    ASSERT_NE(semaphore, nullptr);
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitForSingleObject(semaphore, 10), static_cast<DWORD>(WAIT_TIMEOUT));
    LONG previous = -1;
    ASSERT_TRUE(ReleaseSemaphore(semaphore, 2, &previous));
    EXPECT_EQ(previous, 0);
    EXPECT_FALSE(ReleaseSemaphore(semaphore, 1, &previous));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TOO_MANY_POSTS));
    EXPECT_FALSE(ReleaseSemaphore(semaphore, 0, nullptr));
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    std::atomic<int> woken{0};
    std::thread a([&] { woken += WaitForSingleObject(semaphore, INFINITE) == WAIT_OBJECT_0; });
    std::thread b([&] { woken += WaitForSingleObject(semaphore, INFINITE) == WAIT_OBJECT_0; });
    ASSERT_TRUE(ReleaseSemaphore(semaphore, 2, &previous));
    a.join();
    b.join();
    EXPECT_EQ(woken.load(), 2);

    EXPECT_EQ(CreateSemaphoreA(nullptr, 3, 2, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(CloseHandle(semaphore));
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), static_cast<DWORD>(WAIT_FAILED));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(KernelSync, CriticalSectionIsReentrantAndExcludesOtherThreads) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);
    EXPECT_TRUE(TryEnterCriticalSection(&section));  // the owner again: a third level

    auto otherCanEnter = [&] {
        BOOL entered = FALSE;
        std::thread([&] {
            entered = TryEnterCriticalSection(&section);
            if (entered) LeaveCriticalSection(&section);
        }).join();
        return entered == TRUE;
    };
    EXPECT_FALSE(otherCanEnter());
    LeaveCriticalSection(&section);
    LeaveCriticalSection(&section);
    EXPECT_FALSE(otherCanEnter());  // one level still held

    // A blocked thread enters only after the last leave.
    std::atomic<bool> leftAll{false};
    std::atomic<bool> enteredEarly{false};
    std::atomic<bool> started{false};
    std::thread waiter([&] {
        started = true;
        EnterCriticalSection(&section);
        if (!leftAll) enteredEarly = true;
        LeaveCriticalSection(&section);
    });
    while (!started) sched_yield();
    leftAll = true;
    LeaveCriticalSection(&section);
    waiter.join();
    EXPECT_FALSE(enteredEarly.load());
    EXPECT_TRUE(otherCanEnter());
    DeleteCriticalSection(&section);
    EXPECT_EQ(section.impl, nullptr);
}

TEST_F(KernelSync, ThreadIdentityAndAnUnenforcedPin) {
    EXPECT_EQ(GetCurrentProcessId(), static_cast<DWORD>(getpid()));
    EXPECT_NE(GetCurrentThread(), nullptr);
    EXPECT_TRUE(CloseHandle(GetCurrentThread()));  // pseudo handles close harmlessly
    DWORD mainId = GetCurrentThreadId();
    DWORD otherId = 0;
    DWORD_PTR previous = 0;
    cpu_set_t before, after;
    std::thread([&] {
        otherId = GetCurrentThreadId();
        sched_getaffinity(0, sizeof before, &before);
        EXPECT_EQ(SetThreadIdealProcessor(GetCurrentThread(), 0), 0u);
        previous = SetThreadAffinityMask(GetCurrentThread(), 1);
        sched_getaffinity(0, sizeof after, &after);
    }).join();
    EXPECT_NE(otherId, mainId);
    // The pin is answered with the processors allowed, and none is taken away.
    EXPECT_TRUE(CPU_EQUAL(&before, &after));
    for (int cpu = 0; cpu < 64; ++cpu) EXPECT_EQ((previous >> cpu) & 1, CPU_ISSET(cpu, &before) ? 1u : 0u) << cpu;
}
