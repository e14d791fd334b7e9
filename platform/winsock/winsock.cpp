// WinSock 2 names over the system's sockets (winsock_posix.cpp does the calls).
#include "platform/winsock/winsock.h"

#include <cstdio>
#include <cstring>

#include "platform/win32/testing.h"
#include "platform/winsock/winsock_posix.h"

namespace {
thread_local int t_lastError = 0;
int g_startups = 0;

bool Started() {
    if (g_startups > 0) return true;
    t_lastError = WSANOTINITIALISED;
    return false;
}

int Fd(SOCKET s) { return s > 0x7FFFFFFF ? -1 : static_cast<int>(s); }

// An IPv4 address of the caller's: family and length checked.
bool ReadAddress(const SOCKADDR* address, int length, uint32_t* host, uint16_t* port) {
    if (!address || length < static_cast<int>(sizeof(SOCKADDR_IN))) {
        t_lastError = WSAEFAULT;
        return false;
    }
    SOCKADDR_IN in;
    memcpy(&in, address, sizeof(in));
    if (in.sin_family != AF_INET) {
        t_lastError = WSAEAFNOSUPPORT;
        return false;
    }
    *host = in.sin_addr.s_addr;
    *port = in.sin_port;
    return true;
}

int Result(int result, int error) {
    if (result < 0) {
        t_lastError = error;
        return SOCKET_ERROR;
    }
    return 0;
}
}  // namespace

int WSAStartup(WORD versionRequested, LPWSADATA data) {
    if (!data) return WSAEFAULT;
    // Versions below 1.1 are not offered.
    if (LOBYTE(versionRequested) < 1 || (LOBYTE(versionRequested) == 1 && HIBYTE(versionRequested) < 1)) {
        return WSAVERNOTSUPPORTED;
    }
    // A machine whose network stack cannot start.
    if (platform::FaultHit("WSAStartup")) return WSASYSNOTREADY;
    memset(data, 0, sizeof(*data));
    const BYTE major = LOBYTE(versionRequested) > 2 ? 2 : LOBYTE(versionRequested);
    const BYTE minor = LOBYTE(versionRequested) > 2 ? 2 : HIBYTE(versionRequested);
    data->wVersion = MAKEWORD(major, minor);
    data->wHighVersion = MAKEWORD(2, 2);
    strcpy(data->szDescription, "WinSock 2.0");
    strcpy(data->szSystemStatus, "Running");
    ++g_startups;
    return 0;
}

int WSACleanup() {
    if (!Started()) return SOCKET_ERROR;
    if (--g_startups == 0) wsasync::Stop();
    return 0;
}

int WSAGetLastError() { return t_lastError; }
void WSASetLastError(int error) { t_lastError = error; }

SOCKET socket(int family, int type, int protocol) {
    if (!Started()) return INVALID_SOCKET;
    int error = 0;
    const int fd = wsposix::Socket(family, type, protocol, &error);
    if (fd < 0) {
        t_lastError = error;
        return INVALID_SOCKET;
    }
    return static_cast<SOCKET>(fd);
}

int closesocket(SOCKET s) {
    if (!Started()) return SOCKET_ERROR;
    int error = 0;
    wsasync::Forget(Fd(s));
    if (wsposix::Close(Fd(s), &error) < 0) {
        t_lastError = error;
        return SOCKET_ERROR;
    }
    return 0;
}

int shutdown(SOCKET s, int how) {
    if (!Started()) return SOCKET_ERROR;
    int error = 0;
    if (wsposix::Shutdown(Fd(s), how, &error) < 0) {
        t_lastError = error;
        return SOCKET_ERROR;
    }
    return 0;
}

int recv(SOCKET s, char* buffer, int length, int flags) {
    if (!Started()) return SOCKET_ERROR;
    int error = 0;
    const int n = wsposix::Recv(Fd(s), buffer, length, flags, &error);
    wsasync::Reenable(Fd(s), FD_READ);
    if (n < 0) {
        t_lastError = error;
        return SOCKET_ERROR;
    }
    return n;
}

int send(SOCKET s, const char* buffer, int length, int flags) {
    if (!Started()) return SOCKET_ERROR;
    int error = 0;
    const int n = wsposix::Send(Fd(s), buffer, length, flags, &error);
    if (n < 0) {
        if (error == WSAEWOULDBLOCK) wsasync::Reenable(Fd(s), FD_WRITE);
        t_lastError = error;
        return SOCKET_ERROR;
    }
    return n;
}

SOCKET accept(SOCKET s, SOCKADDR* address, int* addressLength) {
    if (!Started()) return INVALID_SOCKET;
    if (address && (!addressLength || *addressLength < static_cast<int>(sizeof(SOCKADDR_IN)))) {
        t_lastError = WSAEFAULT;
        return INVALID_SOCKET;
    }
    int error = 0;
    uint32_t host = 0;
    uint16_t port = 0;
    const int fd = wsposix::Accept(Fd(s), &host, &port, &error);
    wsasync::Reenable(Fd(s), FD_ACCEPT);
    if (fd >= 0) {
        if (wsposix::NonBlocking(Fd(s))) wsposix::SetNonBlocking(fd, true, &error);
        wsasync::Inherit(Fd(s), fd);
    }
    if (fd < 0) {
        t_lastError = error;
        return INVALID_SOCKET;
    }
    if (address) {
        SOCKADDR_IN in{};
        in.sin_family = AF_INET;
        in.sin_port = port;
        in.sin_addr.s_addr = host;
        memcpy(address, &in, sizeof(in));
        *addressLength = static_cast<int>(sizeof(in));
    }
    return static_cast<SOCKET>(fd);
}

int WSAAsyncSelect(SOCKET s, HWND window, UINT message, LONG events) {
    if (!Started()) return SOCKET_ERROR;
    int error = 0;
    const int result = wsasync::Select(Fd(s), window, message, events, &error);
    return Result(result, error);
}

int bind(SOCKET s, const SOCKADDR* address, int addressLength) {
    if (!Started()) return SOCKET_ERROR;
    uint32_t host;
    uint16_t port;
    if (!ReadAddress(address, addressLength, &host, &port)) return SOCKET_ERROR;
    int error = 0;
    const int result = wsposix::Bind(Fd(s), host, port, &error);
    return Result(result, error);
}

int listen(SOCKET s, int backlog) {
    if (!Started()) return SOCKET_ERROR;
    int error = 0;
    const int result = wsposix::Listen(Fd(s), backlog, &error);
    return Result(result, error);
}

int connect(SOCKET s, const SOCKADDR* address, int addressLength) {
    if (!Started()) return SOCKET_ERROR;
    uint32_t host;
    uint16_t port;
    if (!ReadAddress(address, addressLength, &host, &port)) return SOCKET_ERROR;
    int error = 0;
    const int result = wsposix::Connect(Fd(s), host, port, &error);
    return Result(result, error);
}

namespace {
int Name(SOCKET s, bool peer, SOCKADDR* address, int* addressLength) {
    if (!Started()) return SOCKET_ERROR;
    if (!address || !addressLength || *addressLength < static_cast<int>(sizeof(SOCKADDR_IN))) {
        t_lastError = WSAEFAULT;
        return SOCKET_ERROR;
    }
    int error = 0;
    uint32_t host = 0;
    uint16_t port = 0;
    if (wsposix::Name(Fd(s), peer, &host, &port, &error) < 0) return Result(-1, error);
    SOCKADDR_IN in{};
    in.sin_family = AF_INET;
    in.sin_port = port;
    in.sin_addr.s_addr = host;
    memcpy(address, &in, sizeof(in));
    *addressLength = static_cast<int>(sizeof(in));
    return 0;
}
}  // namespace

int getsockname(SOCKET s, SOCKADDR* address, int* addressLength) { return Name(s, false, address, addressLength); }

int getpeername(SOCKET s, SOCKADDR* address, int* addressLength) { return Name(s, true, address, addressLength); }

int setsockopt(SOCKET s, int level, int name, const char* value, int length) {
    if (!Started()) return SOCKET_ERROR;
    if (!value || length < 1) {
        t_lastError = WSAEFAULT;
        return SOCKET_ERROR;
    }
    // BOOL and int options alike; a one-byte value is a BOOL given as char.
    int number = 0;
    if (length >= static_cast<int>(sizeof(int)))
        memcpy(&number, value, sizeof(int));
    else
        number = static_cast<unsigned char>(value[0]);
    int error = 0;
    const int result = wsposix::SetOption(Fd(s), level, name, number, &error);
    return Result(result, error);
}

int ioctlsocket(SOCKET s, LONG command, ULONG* argument) {
    if (!Started()) return SOCKET_ERROR;
    if (command != FIONBIO) {
        t_lastError = WSAEINVAL;
        return SOCKET_ERROR;
    }
    if (!argument) {
        t_lastError = WSAEFAULT;
        return SOCKET_ERROR;
    }
    int error = 0;
    const int result = wsposix::SetNonBlocking(Fd(s), *argument != 0, &error);
    return Result(result, error);
}

ULONG inet_addr(const char* text) {
    if (!text) return INADDR_NONE;
    unsigned parts[4];
    char rest;
    if (sscanf(text, "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3], &rest) != 4) return INADDR_NONE;
    for (unsigned part : parts)
        if (part > 255) return INADDR_NONE;
    const ULONG host = (parts[0] << 24) | (parts[1] << 16) | (parts[2] << 8) | parts[3];
    return htonl(host);
}

char* inet_ntoa(IN_ADDR address) {
    thread_local char text[16];
    wsposix::Dotted(address.s_addr, text, sizeof(text));
    return text;
}

HOSTENT* gethostbyaddr(const char* address, int length, int type) {
    if (!Started()) return nullptr;
    if (!address || length < 4) {
        t_lastError = WSAEFAULT;
        return nullptr;
    }
    if (type != AF_INET || length != 4) {
        t_lastError = WSAEAFNOSUPPORT;
        return nullptr;
    }
    struct Record {
        char name[1025];
        char address[4];
        char* aliases[1];
        char* addresses[2];
        HOSTENT host;
    };
    thread_local Record record;
    uint32_t host;
    memcpy(&host, address, 4);
    if (!wsposix::HostName(host, record.name, sizeof(record.name))) {
        t_lastError = WSAHOST_NOT_FOUND;
        return nullptr;
    }
    memcpy(record.address, address, 4);
    record.aliases[0] = nullptr;
    record.addresses[0] = record.address;
    record.addresses[1] = nullptr;
    record.host.h_name = record.name;
    record.host.h_aliases = record.aliases;
    record.host.h_addrtype = AF_INET;
    record.host.h_length = 4;
    record.host.h_addr_list = record.addresses;
    return &record.host;
}

USHORT htons(USHORT value) { return static_cast<USHORT>((value >> 8) | (value << 8)); }
USHORT ntohs(USHORT value) { return htons(value); }
ULONG htonl(ULONG value) {
    return ((value & 0xFFu) << 24) | ((value & 0xFF00u) << 8) | ((value >> 8) & 0xFF00u) | (value >> 24);
}
ULONG ntohl(ULONG value) { return htonl(value); }
