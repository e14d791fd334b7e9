// WinSock 2 names over the system's sockets (winsock_posix.cpp does the calls).
#include "platform/winsock/winsock.h"

#include <cstring>

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
}  // namespace

int WSAStartup(WORD versionRequested, LPWSADATA data) {
    if (!data) return WSAEFAULT;
    // Versions below 1.1 are not offered.
    if (LOBYTE(versionRequested) < 1 || (LOBYTE(versionRequested) == 1 && HIBYTE(versionRequested) < 1)) {
        return WSAVERNOTSUPPORTED;
    }
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
    --g_startups;
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

int WSAAsyncSelect(SOCKET, HWND, UINT, LONG) {
    if (!Started()) return SOCKET_ERROR;
    t_lastError = WSAEOPNOTSUPP;
    return SOCKET_ERROR;
}

USHORT htons(USHORT value) { return static_cast<USHORT>((value >> 8) | (value << 8)); }
USHORT ntohs(USHORT value) { return htons(value); }
ULONG htonl(ULONG value) {
    return ((value & 0xFFu) << 24) | ((value & 0xFF00u) << 8) | ((value >> 8) & 0xFF00u) | (value >> 24);
}
ULONG ntohl(ULONG value) { return htonl(value); }
