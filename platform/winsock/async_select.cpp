// WSAAsyncSelect: a watcher thread polls the registered sockets and posts their
// events to the registered windows, re-enabling each event the way Windows does.
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <vector>

#include "platform/win32/user.h"
#include "platform/winsock/winsock_posix.h"

namespace {

// WinSock's event bits and error codes (winsock.h cannot meet the system's
// socket header in one file).
constexpr LONG FD_READ = 0x01;
constexpr LONG FD_WRITE = 0x02;
constexpr LONG FD_OOB = 0x04;
constexpr LONG FD_ACCEPT = 0x08;
constexpr LONG FD_CONNECT = 0x10;
constexpr LONG FD_CLOSE = 0x20;
constexpr int WSAEINVAL = 10022;
constexpr int WSAENOBUFS = 10055;
typedef UINT_PTR SOCKET;

struct Registration {
    HWND window = nullptr;
    UINT message = 0;
    LONG events = 0;
    LONG armed = 0;        // events that may be posted now
    uint64_t serial = 0;   // tells a reused descriptor from the one registered
    bool connected = false;
    bool closeSent = false;
    bool waitingForRead = false;  // data (or the end) waits until the program reads
};

struct Post {
    HWND window;
    UINT message;
    SOCKET socket;
    LPARAM lParam;
};

struct Watcher {
    std::mutex lock;
    std::map<int, Registration> registrations;
    uint64_t nextSerial = 1;
    bool running = false;
    bool stopping = false;
    pid_t owner = 0;  // a forked child has no watcher thread of its own
    pthread_t thread{};
    int wake[2] = {-1, -1};
};

Watcher& TheWatcher() {
    static Watcher* watcher = new Watcher;
    return *watcher;
}

void Wake(Watcher& w) {
    if (w.wake[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] ssize_t n = write(w.wake[1], &byte, 1);
    }
}

bool IsListening(int fd) {
    int value = 0;
    socklen_t length = sizeof(value);
    return getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &value, &length) == 0 && value != 0;
}

bool IsConnected(int fd) {
    sockaddr_storage peer{};
    socklen_t length = sizeof(peer);
    return getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0;
}

// What to wait for on a registration; 0 when nothing can be posted for now.
short Interest(int fd, Registration& r) {
    if (r.closeSent) return 0;
    if (IsListening(fd)) return (r.armed & FD_ACCEPT) ? POLLIN : 0;
    if (!r.connected) {
        if (!IsConnected(fd)) return 0;
        r.connected = true;
    }
    short interest = 0;
    if ((r.armed & FD_READ) && !r.waitingForRead) interest |= POLLIN;
    if ((r.events & FD_CLOSE) && !r.waitingForRead) interest |= POLLRDHUP;
    if (r.armed & FD_WRITE) interest |= POLLOUT;
    return interest;
}

// Lock held. Decides what the socket's readiness posts.
void Examine(int fd, Registration& r, short revents, std::vector<Post>& posts) {
    auto post = [&](LONG event, int error) {
        posts.push_back({r.window, r.message, static_cast<SOCKET>(fd),
                         static_cast<LPARAM>(MAKELONG(static_cast<WORD>(event), static_cast<WORD>(error)))});
    };
    if (IsListening(fd)) {
        if ((revents & POLLIN) && (r.armed & FD_ACCEPT)) {
            r.armed &= ~FD_ACCEPT;
            post(FD_ACCEPT, 0);
        }
        return;
    }
    if (revents & (POLLIN | POLLRDHUP | POLLHUP | POLLERR)) {
        char byte;
        const ssize_t n = recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n > 0) {
            if (r.armed & FD_READ) {
                r.armed &= ~FD_READ;
                post(FD_READ, 0);
            }
            // The end, if it came, is told once the program has read what is left.
            r.waitingForRead = true;
        } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            const int error = n == 0 ? 0 : wsposix::ToWsa(errno);
            if (r.events & FD_CLOSE) post(FD_CLOSE, error);
            r.closeSent = true;
            r.armed = 0;
            return;
        }
    }
    if ((revents & POLLOUT) && (r.armed & FD_WRITE)) {
        r.armed &= ~FD_WRITE;
        post(FD_WRITE, 0);
    }
}

void* Run(void*) {
    Watcher& w = TheWatcher();
    std::vector<pollfd> fds;
    std::vector<uint64_t> serials;
    for (;;) {
        fds.clear();
        serials.clear();
        fds.push_back({w.wake[0], POLLIN, 0});
        serials.push_back(0);
        {
            std::lock_guard<std::mutex> guard(w.lock);
            if (w.stopping) break;
            for (auto& [fd, r] : w.registrations) {
                const short interest = Interest(fd, r);
                if (!interest) continue;
                fds.push_back({fd, interest, 0});
                serials.push_back(r.serial);
            }
        }
        // The time-out catches sockets that connect while nothing else happens.
        if (poll(fds.data(), fds.size(), 50) < 0 && errno != EINTR) continue;
        if (fds[0].revents) {
            char drain[64];
            while (read(w.wake[0], drain, sizeof(drain)) > 0) {
            }
        }
        std::vector<Post> posts;
        {
            std::lock_guard<std::mutex> guard(w.lock);
            if (w.stopping) break;
            for (size_t i = 1; i < fds.size(); ++i) {
                if (!fds[i].revents || (fds[i].revents & POLLNVAL)) continue;
                auto it = w.registrations.find(fds[i].fd);
                if (it == w.registrations.end() || it->second.serial != serials[i]) continue;
                Examine(fds[i].fd, it->second, fds[i].revents, posts);
            }
        }
        for (const Post& p : posts) PostMessageA(p.window, p.message, p.socket, p.lParam);
    }
    return nullptr;
}

// Lock held.
bool EnsureRunning(Watcher& w) {
    if (w.running && w.owner == getpid()) return true;
    if (w.running) {
        // Inherited through fork: the thread stayed with the parent.
        if (w.wake[0] >= 0) close(w.wake[0]);
        if (w.wake[1] >= 0) close(w.wake[1]);
        w.wake[0] = w.wake[1] = -1;
        w.running = false;
    }
    if (pipe2(w.wake, O_NONBLOCK | O_CLOEXEC) != 0) return false;
    w.stopping = false;
    if (pthread_create(&w.thread, nullptr, &Run, nullptr) != 0) {
        close(w.wake[0]);
        close(w.wake[1]);
        w.wake[0] = w.wake[1] = -1;
        return false;
    }
    w.running = true;
    w.owner = getpid();
    return true;
}

}  // namespace

namespace wsasync {

int Select(int fd, void* window, unsigned message, long events, int* error) {
    Watcher& w = TheWatcher();
    const LONG known = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;
    if ((events & ~known) || (events && !IsWindow(static_cast<HWND>(window)))) {
        if (error) *error = WSAEINVAL;
        return -1;
    }
    if (wsposix::SetNonBlocking(fd, true, error) < 0) return -1;
    std::lock_guard<std::mutex> guard(w.lock);
    if (!events) {
        w.registrations.erase(fd);
        Wake(w);
        return 0;
    }
    if (!EnsureRunning(w)) {
        if (error) *error = WSAENOBUFS;
        return -1;
    }
    Registration r;
    r.window = static_cast<HWND>(window);
    r.message = message;
    r.events = static_cast<LONG>(events);
    r.armed = r.events;
    r.serial = w.nextSerial++;
    w.registrations[fd] = r;
    Wake(w);
    return 0;
}

void Inherit(int listener, int accepted) {
    Watcher& w = TheWatcher();
    std::lock_guard<std::mutex> guard(w.lock);
    auto it = w.registrations.find(listener);
    if (it == w.registrations.end()) return;
    int error = 0;
    wsposix::SetNonBlocking(accepted, true, &error);
    Registration r;
    r.window = it->second.window;
    r.message = it->second.message;
    r.events = it->second.events;
    r.armed = r.events;
    r.serial = w.nextSerial++;
    w.registrations[accepted] = r;
    Wake(w);
}

void Reenable(int fd, long event) {
    Watcher& w = TheWatcher();
    std::lock_guard<std::mutex> guard(w.lock);
    auto it = w.registrations.find(fd);
    if (it == w.registrations.end()) return;
    Registration& r = it->second;
    if (!(r.events & event) || r.closeSent) return;
    r.armed |= static_cast<LONG>(event);
    if (event == FD_READ) r.waitingForRead = false;
    Wake(w);
}

void Forget(int fd) {
    Watcher& w = TheWatcher();
    std::lock_guard<std::mutex> guard(w.lock);
    if (w.registrations.erase(fd)) Wake(w);
}

void Stop() {
    Watcher& w = TheWatcher();
    pthread_t thread{};
    bool join = false;
    {
        std::lock_guard<std::mutex> guard(w.lock);
        w.registrations.clear();
        if (!w.running) return;
        join = w.owner == getpid();
        w.stopping = true;
        thread = w.thread;
        Wake(w);
    }
    if (join) pthread_join(thread, nullptr);
    std::lock_guard<std::mutex> guard(w.lock);
    if (w.wake[0] >= 0) close(w.wake[0]);
    if (w.wake[1] >= 0) close(w.wake[1]);
    w.wake[0] = w.wake[1] = -1;
    w.running = false;
    w.stopping = false;
}

}  // namespace wsasync
