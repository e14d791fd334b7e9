// The system calls behind the WinSock names; errors come back as WSAE codes.
#pragma once

#include <cstdint>

namespace wsposix {
int Socket(int family, int type, int protocol, int* error);
int Close(int fd, int* error);
int Shutdown(int fd, int how, int* error);
int Recv(int fd, char* buffer, int length, int flags, int* error);
int Send(int fd, const char* buffer, int length, int flags, int* error);
// host and port in network byte order.
int Accept(int fd, uint32_t* host, uint16_t* port, int* error);
}  // namespace wsposix
