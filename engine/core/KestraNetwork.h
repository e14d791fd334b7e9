// The socket server module: accepted connections with pending sends, driven by
// socket-event window messages (WM_USER + 1). The game opens no listening socket.
#pragma once

#include <cstdint>

#include "platform/win32/types.h"
#include "platform/winsock/winsock.h"

struct KestraNetworkConnection {
    SOCKET socket;
    SOCKADDR_IN peer;
    char address[16];  // dotted text of the peer's address
    char host[256];    // the peer's host name, or its address when it has none
    uint8_t writable;
    uint8_t readable;
    char* pending;  // bytes still to send, from Kestra::MemoryAlloc
    uint32_t pendingOffset;
    uint32_t pendingLength;
    KestraNetworkConnection* next;
};

namespace KestraNetwork {
constexpr uint32_t kErrorTextSize = 1024;

// Clears the tables and starts WinSock 2.0; always true. When WinSock cannot
// start, the module stays off and its operations do nothing.
bool Initialize();
bool IsStarted();
// Takes a bound, listening socket as the server's: connections arrive as FD_ACCEPT
// on the main window. The module closes it with the connections.
bool SetListenSocket(SOCKET s);
// Closes everything and ends WinSock.
void Finalize();
// Shuts down and frees every connection, then the listening socket.
void CloseAll();
// WM_USER + 1: error in the high word of lParam, event in the low word.
void OnSocketEvent(HWND window, WPARAM socket, LPARAM lParam);
// Accepts a connection on the listening socket.
bool Accept();
// Sends what the connection can take; the rest waits for FD_WRITE. While bytes
// wait, later data queues behind them.
bool Send(const void* data, uint32_t length, SOCKET socket);
// Records the peer's address text and host name for the connection.
void ResolveHost(KestraNetworkConnection* connection);
// The Japanese text of a WinSock error code.
void GetErrorText(int32_t code, char* out);
// The text of the last socket-event error.
const char* GetLastErrorText();
uint32_t GetConnectionCount();
// The accepted connections, newest first (null when there are none).
const KestraNetworkConnection* GetConnections();
}  // namespace KestraNetwork
