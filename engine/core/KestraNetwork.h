// The socket server module: accepted connections with pending sends, driven by
// socket-event window messages. This system never opens a listening socket.
#pragma once

#include <cstdint>

#include "platform/win32/types.h"
#include "platform/winsock/winsock.h"

struct KestraNetworkConnection {
    SOCKET socket;
    SOCKADDR_IN peer;
    char host[256];
    uint8_t writable;
    uint8_t readable;
    char* pending;  // bytes still to send, from Kestra::MemoryAlloc
    uint32_t pendingOffset;
    uint32_t pendingLength;
    KestraNetworkConnection* next;
};

namespace KestraNetwork {
constexpr uint32_t kErrorTextSize = 1024;

// Clears the tables and starts WinSock 2.0; always true.
bool Initialize();
// Closes everything and ends WinSock.
void Finalize();
// Shuts down and frees every connection, then the listening socket.
void CloseAll();
// WM_USER + 1: error in the high word of lParam, event in the low word.
void OnSocketEvent(HWND window, WPARAM socket, LPARAM lParam);
// Accepts a connection on the listening socket.
bool Accept();
// Sends what the connection can take; the rest waits for FD_WRITE.
bool Send(const void* data, uint32_t length, SOCKET socket);
// Records the peer's address text for the connection.
void ResolveHost(KestraNetworkConnection* connection);
// The Japanese text of a WinSock error code.
void GetErrorText(int32_t code, char* out);
// The text of the last socket-event error.
const char* GetLastErrorText();
uint32_t GetConnectionCount();
}  // namespace KestraNetwork
