// The system calls behind the WinSock names.
#include "platform/winsock/winsock_posix.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace wsposix {

int ToWsa(int e) {
    switch (e) {
        case EINTR: return 10004;
        case EBADF: return 10038;  // not a socket
        case EACCES: return 10013;
        case EFAULT: return 10014;
        case EINVAL: return 10022;
        case EMFILE: case ENFILE: return 10024;
        case EAGAIN: return 10035;
        case EINPROGRESS: return 10036;
        case EALREADY: return 10037;
        case ENOTSOCK: return 10038;
        case EDESTADDRREQ: return 10039;
        case EMSGSIZE: return 10040;
        case EPROTOTYPE: return 10041;
        case ENOPROTOOPT: return 10042;
        case EPROTONOSUPPORT: return 10043;
        case ESOCKTNOSUPPORT: return 10044;
        case EOPNOTSUPP: return 10045;
        case EPFNOSUPPORT: return 10046;
        case EAFNOSUPPORT: return 10047;
        case EADDRINUSE: return 10048;
        case EADDRNOTAVAIL: return 10049;
        case ENETDOWN: return 10050;
        case ENETUNREACH: return 10051;
        case ENETRESET: return 10052;
        case ECONNABORTED: return 10053;
        case ECONNRESET: case EPIPE: return 10054;
        case ENOBUFS: case ENOMEM: return 10055;
        case EISCONN: return 10056;
        case ENOTCONN: return 10057;
        case ESHUTDOWN: return 10058;
        case ETIMEDOUT: return 10060;
        case ECONNREFUSED: return 10061;
        case EHOSTDOWN: return 10064;
        case EHOSTUNREACH: return 10065;
        default: return 10022;
    }
}

}  // namespace wsposix

namespace {

using wsposix::ToWsa;

int Fail(int* error) {
    if (error) *error = ToWsa(errno);
    return -1;
}

}  // namespace

namespace wsposix {

int Socket(int family, int type, int protocol, int* error) {
    const int fd = ::socket(family == 2 ? AF_INET : family, type == 1 ? SOCK_STREAM : SOCK_DGRAM, protocol);
    return fd < 0 ? Fail(error) : fd;
}

int Close(int fd, int* error) { return ::close(fd) < 0 ? Fail(error) : 0; }

int Shutdown(int fd, int how, int* error) {
    const int mode = how == 0 ? SHUT_RD : how == 1 ? SHUT_WR : SHUT_RDWR;
    return ::shutdown(fd, mode) < 0 ? Fail(error) : 0;
}

int Recv(int fd, char* buffer, int length, int flags, int* error) {
    if (length < 0) {
        if (error) *error = 10014;
        return -1;
    }
    const ssize_t n = ::recv(fd, buffer, static_cast<size_t>(length), flags);
    return n < 0 ? Fail(error) : static_cast<int>(n);
}

int Send(int fd, const char* buffer, int length, int flags, int* error) {
    if (length < 0) {
        if (error) *error = 10014;
        return -1;
    }
    // A closed peer reports an error, never a signal.
    const ssize_t n = ::send(fd, buffer, static_cast<size_t>(length), flags | MSG_NOSIGNAL);
    if (n >= 0) return static_cast<int>(n);
    if (errno == EPIPE) {
        // Windows tells a socket never connected from one shut down for sending.
        sockaddr_in peer{};
        socklen_t size = sizeof(peer);
        const bool connected = ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) == 0;
        if (error) *error = connected ? 10058 : 10057;
        return -1;
    }
    return Fail(error);
}

int Accept(int fd, uint32_t* host, uint16_t* port, int* error) {
    sockaddr_in address{};
    socklen_t length = sizeof(address);
    const int client = ::accept(fd, reinterpret_cast<sockaddr*>(&address), &length);
    if (client < 0) return Fail(error);
    if (host) *host = address.sin_addr.s_addr;
    if (port) *port = address.sin_port;
    return client;
}

}  // namespace wsposix

namespace wsposix {

namespace {
sockaddr_in Address(uint32_t host, uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = host;
    address.sin_port = port;
    return address;
}
}  // namespace

int Bind(int fd, uint32_t host, uint16_t port, int* error) {
    const sockaddr_in address = Address(host, port);
    return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) < 0 ? Fail(error) : 0;
}

int Listen(int fd, int backlog, int* error) {
    if (backlog > SOMAXCONN) backlog = SOMAXCONN;
    return ::listen(fd, backlog) < 0 ? Fail(error) : 0;
}

int Connect(int fd, uint32_t host, uint16_t port, int* error) {
    const sockaddr_in address = Address(host, port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) return 0;
    // A non-blocking connection under way is "would block" on Windows.
    if (errno == EINPROGRESS) {
        if (error) *error = 10035;
        return -1;
    }
    return Fail(error);
}

int Name(int fd, bool peer, uint32_t* host, uint16_t* port, int* error) {
    sockaddr_in address{};
    socklen_t length = sizeof(address);
    const int result = peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length)
                            : ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    if (result < 0) return Fail(error);
    if (host) *host = address.sin_addr.s_addr;
    if (port) *port = address.sin_port;
    return 0;
}

int SetOption(int fd, int level, int name, int value, int* error) {
    int sysLevel = -1, sysName = -1;
    if (level == 0xFFFF) {
        sysLevel = SOL_SOCKET;
        if (name == 0x0004) sysName = SO_REUSEADDR;
        if (name == 0x1001) sysName = SO_SNDBUF;
        if (name == 0x1002) sysName = SO_RCVBUF;
    } else if (level == 6) {
        sysLevel = IPPROTO_TCP;
        if (name == 0x0001) sysName = TCP_NODELAY;
    }
    if (sysName < 0) {
        if (error) *error = 10042;  // WSAENOPROTOOPT
        return -1;
    }
    return ::setsockopt(fd, sysLevel, sysName, &value, sizeof(value)) < 0 ? Fail(error) : 0;
}

int SetNonBlocking(int fd, bool on, int* error) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) return Fail(error);
    const int wanted = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(fd, F_SETFL, wanted) < 0 ? Fail(error) : 0;
}

bool NonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_NONBLOCK) != 0;
}

bool HostName(uint32_t host, char* out, size_t size) {
    const sockaddr_in address = Address(host, 0);
    return ::getnameinfo(reinterpret_cast<const sockaddr*>(&address), sizeof(address), out,
                         static_cast<socklen_t>(size), nullptr, 0, NI_NAMEREQD) == 0;
}

void Dotted(uint32_t host, char* out, size_t size) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&host);
    std::snprintf(out, size, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
}

}  // namespace wsposix
