// WinSock 2 subset over the system's sockets: the names the engine's network
// module uses, with their documented values.
#pragma once

#include "platform/win32/types.h"

typedef UINT_PTR SOCKET;
#define INVALID_SOCKET ((SOCKET)(~0))
#define SOCKET_ERROR (-1)

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128
typedef struct WSAData {
    WORD wVersion;
    WORD wHighVersion;
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
} WSADATA, *LPWSADATA;

#define AF_INET 2
#define SOCK_STREAM 1
#define SOCK_DGRAM 2
#define IPPROTO_TCP 6
#define INADDR_ANY ((ULONG)0x00000000)
#define INADDR_LOOPBACK ((ULONG)0x7F000001)
#define INADDR_NONE ((ULONG)0xFFFFFFFF)
#define SOMAXCONN 0x7FFFFFFF

// Socket options (setsockopt).
#define SOL_SOCKET 0xFFFF
#define SO_REUSEADDR 0x0004
#define SO_SNDBUF 0x1001
#define SO_RCVBUF 0x1002
#define TCP_NODELAY 0x0001

// recv and send flags.
#define MSG_OOB 0x1
#define MSG_PEEK 0x2

// ioctlsocket: FIONBIO switches non-blocking mode on (argument non-zero) or off.
#define FIONBIO ((LONG)0x8004667EL)

typedef struct in_addr_ws {
    ULONG s_addr;  // network byte order
} IN_ADDR;
typedef struct sockaddr_ws {
    USHORT sa_family;
    char sa_data[14];
} SOCKADDR;
typedef struct sockaddr_in_ws {
    SHORT sin_family;
    USHORT sin_port;  // network byte order
    IN_ADDR sin_addr;
    char sin_zero[8];
} SOCKADDR_IN;

typedef struct hostent_ws {
    char* h_name;
    char** h_aliases;
    SHORT h_addrtype;
    SHORT h_length;
    char** h_addr_list;
} HOSTENT;

// Shutdown directions.
#define SD_RECEIVE 0
#define SD_SEND 1
#define SD_BOTH 2

// WSAAsyncSelect events and the parts of their message's lParam.
#define FD_READ 0x01
#define FD_WRITE 0x02
#define FD_OOB 0x04
#define FD_ACCEPT 0x08
#define FD_CONNECT 0x10
#define FD_CLOSE 0x20
#define WSAGETSELECTEVENT(lParam) LOWORD(lParam)
#define WSAGETSELECTERROR(lParam) HIWORD(lParam)
#define WSAMAKESELECTREPLY(event, error) ((LPARAM)MAKELONG(event, error))

// Error codes.
#define WSABASEERR 10000
#define WSAEINTR 10004
#define WSAEBADF 10009
#define WSAEACCES 10013
#define WSAEFAULT 10014
#define WSAEINVAL 10022
#define WSAEMFILE 10024
#define WSAEWOULDBLOCK 10035
#define WSAEINPROGRESS 10036
#define WSAEALREADY 10037
#define WSAENOTSOCK 10038
#define WSAEDESTADDRREQ 10039
#define WSAEMSGSIZE 10040
#define WSAEPROTOTYPE 10041
#define WSAENOPROTOOPT 10042
#define WSAEPROTONOSUPPORT 10043
#define WSAESOCKTNOSUPPORT 10044
#define WSAEOPNOTSUPP 10045
#define WSAEPFNOSUPPORT 10046
#define WSAEAFNOSUPPORT 10047
#define WSAEADDRINUSE 10048
#define WSAEADDRNOTAVAIL 10049
#define WSAENETDOWN 10050
#define WSAENETUNREACH 10051
#define WSAENETRESET 10052
#define WSAECONNABORTED 10053
#define WSAECONNRESET 10054
#define WSAENOBUFS 10055
#define WSAEISCONN 10056
#define WSAENOTCONN 10057
#define WSAESHUTDOWN 10058
#define WSAETOOMANYREFS 10059
#define WSAETIMEDOUT 10060
#define WSAECONNREFUSED 10061
#define WSAELOOP 10062
#define WSAENAMETOOLONG 10063
#define WSAEHOSTDOWN 10064
#define WSAEHOSTUNREACH 10065
#define WSAENOTEMPTY 10066
#define WSAEPROCLIM 10067
#define WSAEUSERS 10068
#define WSAEDQUOT 10069
#define WSAESTALE 10070
#define WSAEREMOTE 10071
#define WSASYSNOTREADY 10091
#define WSAVERNOTSUPPORTED 10092
#define WSANOTINITIALISED 10093
#define WSAEDISCON 10101
#define WSAENOMORE 10102
#define WSAECANCELLED 10103
#define WSAEINVALIDPROCTABLE 10104
#define WSAEINVALIDPROVIDER 10105
#define WSAEPROVIDERFAILEDINIT 10106
#define WSASYSCALLFAILURE 10107
#define WSASERVICE_NOT_FOUND 10108
#define WSATYPE_NOT_FOUND 10109
#define WSA_E_CANCELLED 10111
#define WSAEREFUSED 10112
#define WSAHOST_NOT_FOUND 11001
#define WSATRY_AGAIN 11002
#define WSANO_RECOVERY 11003
#define WSANO_DATA 11004

int WSAStartup(WORD versionRequested, LPWSADATA data);
int WSACleanup();
int WSAGetLastError();
void WSASetLastError(int error);

SOCKET socket(int family, int type, int protocol);
int closesocket(SOCKET s);
int shutdown(SOCKET s, int how);
int recv(SOCKET s, char* buffer, int length, int flags);
int send(SOCKET s, const char* buffer, int length, int flags);
// The accepted socket takes the listening socket's blocking mode and its
// WSAAsyncSelect registration, as on Windows.
SOCKET accept(SOCKET s, SOCKADDR* address, int* addressLength);
int bind(SOCKET s, const SOCKADDR* address, int addressLength);
int listen(SOCKET s, int backlog);
// A non-blocking socket answers WSAEWOULDBLOCK while the connection is made;
// FD_CONNECT is not offered.
int connect(SOCKET s, const SOCKADDR* address, int addressLength);
int getsockname(SOCKET s, SOCKADDR* address, int* addressLength);
int getpeername(SOCKET s, SOCKADDR* address, int* addressLength);
// SO_REUSEADDR, SO_SNDBUF, SO_RCVBUF (SOL_SOCKET) and TCP_NODELAY (IPPROTO_TCP).
int setsockopt(SOCKET s, int level, int name, const char* value, int length);
int ioctlsocket(SOCKET s, LONG command, ULONG* argument);

// Socket events as window messages: wParam the socket, lParam
// WSAMAKESELECTREPLY(event, error). FD_READ, FD_WRITE, FD_ACCEPT and FD_CLOSE are
// posted by a watcher thread with Windows' re-enabling rules: FD_READ again after
// a recv, FD_ACCEPT after an accept, FD_WRITE first when the socket can send and
// then after a send failed with WSAEWOULDBLOCK, FD_CLOSE once, after the data
// still waiting has been read. The socket becomes non-blocking; events 0 cancels.
int WSAAsyncSelect(SOCKET s, HWND window, UINT message, LONG events);

// Dotted text of an address; INADDR_NONE for text that is not one.
ULONG inet_addr(const char* text);
// Dotted text in a buffer of the calling thread, valid until its next call.
char* inet_ntoa(IN_ADDR address);
// The host name of an AF_INET address (4 bytes in network order), from the
// system's resolver; null (WSAHOST_NOT_FOUND) when it has none. The record
// belongs to the calling thread until its next call.
HOSTENT* gethostbyaddr(const char* address, int length, int type);

USHORT htons(USHORT value);
USHORT ntohs(USHORT value);
ULONG htonl(ULONG value);
ULONG ntohl(ULONG value);
