// The system calls behind the WinSock names; errors come back as WSAE codes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wsposix {
int Socket(int family, int type, int protocol, int* error);
int Close(int fd, int* error);
int Shutdown(int fd, int how, int* error);
int Recv(int fd, char* buffer, int length, int flags, int* error);
int Send(int fd, const char* buffer, int length, int flags, int* error);
// host and port in network byte order.
int Accept(int fd, uint32_t* host, uint16_t* port, int* error);
int Bind(int fd, uint32_t host, uint16_t port, int* error);
int Listen(int fd, int backlog, int* error);
int Connect(int fd, uint32_t host, uint16_t port, int* error);
// The socket's own address (peer false) or its peer's.
int Name(int fd, bool peer, uint32_t* host, uint16_t* port, int* error);
// level and name are WinSock's; value is an int.
int SetOption(int fd, int level, int name, int value, int* error);
int SetNonBlocking(int fd, bool on, int* error);
bool NonBlocking(int fd);
// The resolver's name of an address (network order); false when it has none.
bool HostName(uint32_t host, char* out, size_t size);
// The dotted text of an address (network order).
void Dotted(uint32_t host, char* out, size_t size);
// The WSAE code of an errno value.
int ToWsa(int e);
}  // namespace wsposix

// Socket events posted as window messages (WSAAsyncSelect), by a watcher thread.
namespace wsasync {
// Registers fd's events for window/message (events 0 cancels) and makes it non-blocking.
int Select(int fd, void* window, unsigned message, long events, int* error);
// The accepted socket takes the listener's registration.
void Inherit(int listener, int accepted);
// A call that re-enables an event was made on fd (FD_READ by recv, FD_ACCEPT by
// accept, FD_WRITE by a send that would block).
void Reenable(int fd, long event);
// fd is being closed: nothing more is posted for it.
void Forget(int fd);
// The last WSACleanup: the watcher ends and every registration is dropped.
void Stop();
}  // namespace wsasync
