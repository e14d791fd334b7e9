// The system calls behind the WinSock names.
#include "platform/winsock/winsock_posix.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

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
