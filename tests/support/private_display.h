// A private X server for one test: windows of tests running in parallel on a
// shared display take the keyboard focus from each other, and an application
// without focus stops running frames (as it should). The server ends with the
// test whatever becomes of it: stopped by the destructor, or by the kernel when
// the thread that started it ends (a crash, an exit from deep inside, a kill).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace testdisplay {

// For a process forked by a test (or its X server): it gets `signal` when the
// thread of `parent` that forked it ends, however it ends.
inline void EndWithParent(pid_t parent, int signal = SIGKILL) {
    prctl(PR_SET_PDEATHSIG, signal);
    if (getppid() != parent) _exit(1);  // it had ended already
}

class PrivateDisplay {
public:
    // Key repeat is off on this server (a key held past the repeat delay by a
    // slow xdotool must not come back as a second press); `keyRepeat` keeps it
    // on, as a person's display has it.
    explicit PrivateDisplay(bool keyRepeat = false) {
        int fds[2];
        if (pipe(fds) != 0) return;
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ == 0) {
            EndWithParent(parent, SIGTERM);
            // Nothing of the test's is held open: its output (a pipe its reader
            // waits to see closed) is the null device here.
            const int null = open("/dev/null", O_RDWR);
            if (null < 0 || dup2(null, 0) < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0 || dup2(fds[1], 3) < 0) _exit(1);
            syscall(SYS_close_range, 4u, ~0u, 0u);
            execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset",
                   keyRepeat ? "r" : "-r", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        if (pid_ < 0) {
            close(fds[0]);
            return;
        }
        // The server names its display once it takes connections; one that
        // never does is given up on.
        std::string number;
        char c = 0;
        pollfd ready{fds[0], POLLIN, 0};
        // A signal to this process (a child ending) must not end the wait early.
        for (;;) {
            const int polled = poll(&ready, 1, kStartMs);
            if (polled < 0 && errno == EINTR) continue;
            if (polled != 1) break;
            const ssize_t got = read(fds[0], &c, 1);
            if (got < 0 && errno == EINTR) continue;
            if (got != 1 || c == '\n') break;
            number += c;
        }
        close(fds[0]);
        if (number.empty() || c != '\n') {
            Stop();
            return;
        }
        name_ = ":" + number;
        const char* old = std::getenv("DISPLAY");
        if (old) previous_ = old;
        setenv("DISPLAY", name_.c_str(), 1);
    }
    ~PrivateDisplay() { Stop(); }
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // The display's name (":N"), or empty when the shared display is used.
    const std::string& name() const { return name_; }

    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
            if (!previous_.empty()) setenv("DISPLAY", previous_.c_str(), 1);
        }
    }

private:
    static constexpr int kStartMs = 30000;
    pid_t pid_ = -1;
    std::string name_;
    std::string previous_;
};

}  // namespace testdisplay
