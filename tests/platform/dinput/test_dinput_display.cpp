// Input follows the window focus, and test processes running side by side on
// one X server take the focus from each other. Each process of this suite
// therefore starts its own X server before SDL opens a display; the server ends
// with the process.
#include <SDL.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class PrivateDisplay : public ::testing::Environment {
public:
    void SetUp() override {
        if (SDL_WasInit(SDL_INIT_VIDEO)) return;  // a display is in use already
        int fds[2];
        if (pipe(fds) != 0) return;
        const pid_t parent = getpid();
        const pid_t child = fork();
        if (child < 0) {
            close(fds[0]);
            close(fds[1]);
            return;
        }
        if (child == 0) {
            // The server must not outlive the tests.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent) _exit(1);
            close(fds[0]);
            if (!std::freopen("/dev/null", "w", stderr) || !std::freopen("/dev/null", "w", stdout)) _exit(1);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // The server writes its display number once it accepts connections.
        std::string number;
        pollfd wait{fds[0], POLLIN, 0};
        while (poll(&wait, 1, 10000) > 0) {
            char c;
            if (read(fds[0], &c, 1) != 1 || c == '\n') break;
            number += c;
        }
        close(fds[0]);
        if (number.empty()) {
            kill(child, SIGTERM);  // no server: the inherited display stays in use
            return;
        }
        setenv("DISPLAY", (":" + number).c_str(), 1);
    }
};

[[maybe_unused]] ::testing::Environment* const g_display = ::testing::AddGlobalTestEnvironment(new PrivateDisplay);

}  // namespace
