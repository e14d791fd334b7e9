// The socket server module over loopback (127.0.0.1) on a booted engine, and the
// WinSock stand-in's window notifications beneath it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/Kestra.h"
#include "engine/core/KestraNetwork.h"
#include "platform/winsock/winsock.h"
#include "platform/winsock/winsock_posix.h"
#include "tests/engine/core/boot_harness.h"

namespace {

using boot::U8;

std::function<void()> g_body;

bool ConfigureNoModules() {
    Kestra::SetApplicationName(("KestraNetworkTest" + std::to_string(getpid())).c_str());
    Kestra::SetScreenInfo(640, 480, true);
    Kestra::SetFrameRate(60);
    Kestra::SetLogFile("system_log", "html");
    Kestra::SetUseFlags(0);
    return true;
}

void MainRunsBody(int, char**) {
    if (!Kestra::Start()) {
        ADD_FAILURE() << "Kestra::Start failed";
        return;
    }
    g_body();
    Kestra::Exit();
    while (Kestra::WaitForMessage(true)) {
    }
}

bool FramesUntil(const std::function<bool()>& done, int limit = 600) {
    for (int i = 0; i < limit; ++i) {
        Kestra::WaitForMessage(true);
        if (done()) return true;
    }
    return false;
}

SOCKADDR_IN Loopback(USHORT port) {
    SOCKADDR_IN at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = inet_addr("127.0.0.1");
    at.sin_port = port;
    return at;
}

USHORT PortOf(SOCKET s, bool peer = false) {
    SOCKADDR_IN at{};
    int length = sizeof(at);
    EXPECT_EQ(peer ? getpeername(s, reinterpret_cast<SOCKADDR*>(&at), &length)
                   : getsockname(s, reinterpret_cast<SOCKADDR*>(&at), &length),
              0);
    return at.sin_port;
}

// A listening socket on 127.0.0.1 with a port of the system's choosing.
SOCKET Listener() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_NE(s, INVALID_SOCKET);
    SOCKADDR_IN at = Loopback(0);
    EXPECT_EQ(bind(s, reinterpret_cast<SOCKADDR*>(&at), sizeof(at)), 0);
    EXPECT_EQ(listen(s, 4), 0);
    return s;
}

SOCKET Connect(USHORT port, int receiveBuffer = 0) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_NE(s, INVALID_SOCKET);
    if (receiveBuffer) {
        EXPECT_EQ(setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer),
                             sizeof(receiveBuffer)),
                  0);
    }
    SOCKADDR_IN at = Loopback(port);
    EXPECT_EQ(connect(s, reinterpret_cast<SOCKADDR*>(&at), sizeof(at)), 0) << WSAGetLastError();
    return s;
}

// Blocking read of exactly `length` bytes.
std::string ReadExactly(SOCKET s, size_t length) {
    std::string out;
    char buffer[4096];
    while (out.size() < length) {
        const int n = recv(s, buffer, static_cast<int>(std::min(sizeof(buffer), length - out.size())), 0);
        if (n <= 0) break;
        out.append(buffer, static_cast<size_t>(n));
    }
    return out;
}

TEST(KestraNetwork, AcceptsSendsAndReceivesOverLoopback) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InDisplayChild([&] {
                  boot::Prepare(dir.path(), false);
                  // The test's own WinSock reference keeps its sockets usable after the engine ends.
                  WSADATA data;
                  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
                  SOCKET lateClient = INVALID_SOCKET;
                  USHORT port = 0;
                  g_body = [&] {
                      ASSERT_TRUE(KestraNetwork::IsStarted());
                      SOCKET listener = Listener();
                      port = PortOf(listener);
                      ASSERT_TRUE(KestraNetwork::SetListenSocket(listener));

                      // A client connects: FD_ACCEPT reaches the window procedure and the
                      // module records the connection and its peer.
                      SOCKET client = Connect(port, 8192);
                      ASSERT_TRUE(FramesUntil([] { return KestraNetwork::GetConnectionCount() == 1; }));
                      const KestraNetworkConnection* c = KestraNetwork::GetConnections();
                      ASSERT_NE(c, nullptr);
                      EXPECT_STREQ(c->address, "127.0.0.1");
                      EXPECT_GT(strlen(c->host), 0u);
                      EXPECT_EQ(c->peer.sin_port, PortOf(client));
                      EXPECT_EQ(ntohl(c->peer.sin_addr.s_addr), INADDR_LOOPBACK);
                      ASSERT_TRUE(FramesUntil([&] { return c->writable == 1; }));

                      // The module sends; the client reads.
                      ASSERT_TRUE(KestraNetwork::Send("hello", 5, c->socket));
                      EXPECT_EQ(ReadExactly(client, 5), "hello");

                      // The client sends; FD_READ marks the connection readable and its bytes are there.
                      ASSERT_EQ(send(client, "ping", 4, 0), 4);
                      ASSERT_TRUE(FramesUntil([&] { return c->readable == 1; }));
                      EXPECT_EQ(ReadExactly(c->socket, 4), "ping");

                      // More than the line takes at once: the rest waits for FD_WRITE, and
                      // what is sent meanwhile queues behind it.
                      const int small = 8192;
                      ASSERT_EQ(setsockopt(c->socket, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&small),
                                           sizeof(small)),
                                0);
                      std::string payload(1 << 20, '\0');
                      for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
                      ASSERT_TRUE(KestraNetwork::Send(payload.data(), static_cast<uint32_t>(payload.size()), c->socket));
                      ASSERT_NE(c->pending, nullptr);
                      EXPECT_EQ(c->writable, 0);
                      const uint32_t waiting = c->pendingLength - c->pendingOffset;
                      EXPECT_GT(waiting, 0u);
                      ASSERT_TRUE(KestraNetwork::Send("END", 3, c->socket));
                      EXPECT_EQ(c->pendingLength - c->pendingOffset, waiting + 3);

                      ULONG nonBlocking = 1;
                      ASSERT_EQ(ioctlsocket(client, FIONBIO, &nonBlocking), 0);
                      const std::string expected = payload + "END";
                      std::string received;
                      char buffer[65536];
                      ASSERT_TRUE(FramesUntil(
                          [&] {
                              int n;
                              while ((n = recv(client, buffer, sizeof(buffer), 0)) > 0)
                                  received.append(buffer, static_cast<size_t>(n));
                              return received.size() >= expected.size();
                          },
                          3000));
                      EXPECT_TRUE(received == expected) << "received " << received.size() << " bytes";
                      EXPECT_EQ(recv(client, buffer, sizeof(buffer), 0), SOCKET_ERROR);
                      EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);

                      // The client leaves: FD_CLOSE unlinks the connection.
                      EXPECT_EQ(closesocket(client), 0);
                      ASSERT_TRUE(FramesUntil([] { return KestraNetwork::GetConnectionCount() == 0; }));
                      EXPECT_EQ(KestraNetwork::GetConnections(), nullptr);

                      // Sending on a line that is not connected fails and says so.
                      SOCKET loose = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
                      EXPECT_FALSE(KestraNetwork::Send("x", 1, loose));
                      closesocket(loose);

                      // A connection still open when the engine ends is shut down with it.
                      lateClient = Connect(port);
                      ASSERT_TRUE(FramesUntil([] { return KestraNetwork::GetConnectionCount() == 1; }));
                  };
                  Kestra::SetGameFunctions(ConfigureNoModules, MainRunsBody, nullptr);
                  EXPECT_EQ(boot::BootNow(), 0);
                  ASSERT_NE(lateClient, INVALID_SOCKET);
                  char byte;
                  EXPECT_EQ(recv(lateClient, &byte, 1, 0), 0);  // the server's orderly end
                  closesocket(lateClient);
                  // The listening socket is closed too.
                  SOCKET refused = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
                  SOCKADDR_IN at = Loopback(port);
                  EXPECT_EQ(connect(refused, reinterpret_cast<SOCKADDR*>(&at), sizeof(at)), SOCKET_ERROR);
                  EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
                  closesocket(refused);
                  EXPECT_EQ(WSACleanup(), 0);
              }),
              0);
    const std::string log = testsupport::ReadFile(dir.file("system_log.html"));
    EXPECT_NE(log.find(testsupport::Utf8ToCp932(U8(u8"<FONT color=\"RED\">回線は切断されました</FONT>"))),
              std::string::npos);
}

TEST(KestraNetwork, AFailedStartLeavesTheModuleOff) {
    EXPECT_EQ(boot::InChild([] {
                  platform::InjectFault("WSAStartup");
                  EXPECT_TRUE(KestraNetwork::Initialize());
                  EXPECT_FALSE(KestraNetwork::IsStarted());
                  EXPECT_FALSE(KestraNetwork::SetListenSocket(3));
                  EXPECT_FALSE(KestraNetwork::Send("x", 1, 3));
                  EXPECT_FALSE(KestraNetwork::Accept());
                  KestraNetwork::OnSocketEvent(nullptr, 3, WSAMAKESELECTREPLY(FD_READ, WSAECONNRESET));
                  EXPECT_STREQ(KestraNetwork::GetLastErrorText(), "");
                  KestraNetwork::CloseAll();
                  KestraNetwork::Finalize();
                  // WinSock was never started for the module, so none is left to clean up.
                  EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
                  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
                  platform::ClearFaults();
                  // A later start works.
                  EXPECT_TRUE(KestraNetwork::Initialize());
                  EXPECT_TRUE(KestraNetwork::IsStarted());
                  KestraNetwork::Finalize();
                  EXPECT_FALSE(KestraNetwork::IsStarted());
              }),
              0);
}

// ---- The stand-in's window notifications

struct SocketEvent {
    SOCKET socket;
    int event;
    int error;
};
std::vector<SocketEvent> g_events;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 1)
        g_events.push_back({static_cast<SOCKET>(wParam), WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam)});
    return DefWindowProcA(window, message, wParam, lParam);
}

// Pumps messages for a while (the watcher posts from its own thread).
void Pump(int milliseconds = 150) {
    for (int waited = 0; waited < milliseconds; waited += 10) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        SleepEx(10, FALSE);
    }
}

// Pumps until an event arrives for s, at most a few seconds.
bool PumpUntil(SOCKET s, int event) {
    for (int i = 0; i < 300; ++i) {
        for (const SocketEvent& e : g_events)
            if (e.socket == s && e.event == event) return true;
        Pump(10);
    }
    return false;
}

int Count(SOCKET s, int event) {
    int n = 0;
    for (const SocketEvent& e : g_events) n += e.socket == s && e.event == event;
    return n;
}

TEST(WinSockAsyncSelect, PostsEventsWithTheReenablingRules) {
    EXPECT_EQ(boot::InDisplayChild([] {
                  WNDCLASSA wc{};
                  wc.lpfnWndProc = RecordingProc;
                  wc.hInstance = GetModuleHandleA(nullptr);
                  wc.lpszClassName = "SocketEvents";
                  ASSERT_TRUE(RegisterClassA(&wc));
                  HWND window = CreateWindowExA(0, "SocketEvents", "sockets", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                                nullptr, GetModuleHandleA(nullptr), nullptr);
                  ASSERT_NE(window, nullptr);
                  WSADATA data;
                  ASSERT_EQ(WSAStartup(MAKEWORD(2, 0), &data), 0);

                  SOCKET listener = Listener();
                  const USHORT port = PortOf(listener);
                  EXPECT_EQ(WSAAsyncSelect(listener, window, WM_USER + 1, 0x4000), SOCKET_ERROR);  // unknown event
                  EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
                  ASSERT_EQ(WSAAsyncSelect(listener, window, WM_USER + 1, FD_ACCEPT | FD_READ | FD_WRITE | FD_CLOSE), 0);
                  // Another user leaving the module does not stop the notifications.
                  ASSERT_EQ(WSAStartup(MAKEWORD(2, 0), &data), 0);
                  EXPECT_EQ(WSACleanup(), 0);

                  // Two clients wait, but FD_ACCEPT comes once until accept is called.
                  SOCKET a = Connect(port);
                  SOCKET b = Connect(port);
                  ASSERT_TRUE(PumpUntil(listener, FD_ACCEPT));
                  Pump();
                  EXPECT_EQ(Count(listener, FD_ACCEPT), 1);
                  SOCKET served = accept(listener, nullptr, nullptr);
                  ASSERT_NE(served, INVALID_SOCKET);
                  Pump();
                  EXPECT_EQ(Count(listener, FD_ACCEPT), 2);  // b still waits

                  // The accepted socket takes the listener's registration: it may send at once.
                  ASSERT_TRUE(PumpUntil(served, FD_WRITE));
                  // FD_READ comes once until recv, then again while data is left.
                  ASSERT_EQ(send(a, "abcdef", 6, 0), 6);
                  ASSERT_TRUE(PumpUntil(served, FD_READ));
                  ASSERT_EQ(send(a, "gh", 2, 0), 2);
                  Pump();
                  EXPECT_EQ(Count(served, FD_READ), 1);
                  char buffer[16];
                  ASSERT_EQ(recv(served, buffer, 3, 0), 3);
                  Pump();
                  EXPECT_EQ(Count(served, FD_READ), 2);

                  // The client leaves with data unread: FD_CLOSE waits for it to be read, then comes once.
                  closesocket(a);
                  Pump();
                  EXPECT_EQ(Count(served, FD_CLOSE), 0);
                  ASSERT_EQ(recv(served, buffer, sizeof(buffer), 0), 5);
                  ASSERT_TRUE(PumpUntil(served, FD_CLOSE));
                  EXPECT_EQ(recv(served, buffer, sizeof(buffer), 0), 0);
                  Pump();
                  EXPECT_EQ(Count(served, FD_CLOSE), 1);
                  for (const SocketEvent& e : g_events) EXPECT_EQ(e.error, 0);

                  // A registered socket does not block, even one accepted after the listener was asked
                  // to; events 0 stops the messages.
                  ULONG blocking = 0;
                  ioctlsocket(listener, FIONBIO, &blocking);
                  // An address buffer too short for the peer is refused and takes no client.
                  SOCKADDR_IN peer{};
                  int peerLength = sizeof(peer) - 1;
                  EXPECT_EQ(accept(listener, reinterpret_cast<SOCKADDR*>(&peer), &peerLength), INVALID_SOCKET);
                  EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
                  peerLength = sizeof(peer) + 8;  // answered with the length written
                  SOCKET second = accept(listener, reinterpret_cast<SOCKADDR*>(&peer), &peerLength);
                  ASSERT_NE(second, INVALID_SOCKET);
                  EXPECT_EQ(peerLength, static_cast<int>(sizeof(peer)));
                  EXPECT_EQ(peer.sin_port, PortOf(b));
                  EXPECT_EQ(PortOf(b, true), port);
                  ASSERT_TRUE(wsposix::NonBlocking(static_cast<int>(second))) << "recv would wait for ever";
                  EXPECT_EQ(recv(second, buffer, sizeof(buffer), 0), SOCKET_ERROR);
                  EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
                  ASSERT_EQ(WSAAsyncSelect(second, window, WM_USER + 1, 0), 0);
                  ASSERT_EQ(send(b, "z", 1, 0), 1);
                  Pump();
                  EXPECT_EQ(Count(second, FD_READ), 0);
                  // FD_CLOSE only when asked for; FD_WRITE once while nothing would block.
                  ASSERT_EQ(WSAAsyncSelect(second, window, WM_USER + 1, FD_READ), 0);
                  closesocket(b);
                  ASSERT_EQ(recv(second, buffer, sizeof(buffer), 0), 1);  // the end is all that is left
                  Pump();
                  EXPECT_EQ(Count(second, FD_CLOSE), 0);
                  EXPECT_EQ(Count(served, FD_WRITE), 1);

                  closesocket(second);
                  closesocket(served);
                  closesocket(listener);
                  EXPECT_EQ(WSACleanup(), 0);
                  DestroyWindow(window);
              }),
              0);
}

TEST(WinSock, AddressesNamesAndOptions) {
    // Each system error is the WinSock code of the same meaning (a closed descriptor is no socket).
    const std::pair<int, int> codes[] = {
        {EINTR, WSAEINTR}, {EBADF, WSAENOTSOCK}, {EACCES, WSAEACCES}, {EFAULT, WSAEFAULT}, {EINVAL, WSAEINVAL},
        {EMFILE, WSAEMFILE}, {ENFILE, WSAEMFILE}, {EAGAIN, WSAEWOULDBLOCK}, {EINPROGRESS, WSAEINPROGRESS},
        {EALREADY, WSAEALREADY}, {ENOTSOCK, WSAENOTSOCK}, {EDESTADDRREQ, WSAEDESTADDRREQ}, {EMSGSIZE, WSAEMSGSIZE},
        {EPROTOTYPE, WSAEPROTOTYPE}, {ENOPROTOOPT, WSAENOPROTOOPT}, {EPROTONOSUPPORT, WSAEPROTONOSUPPORT},
        {ESOCKTNOSUPPORT, WSAESOCKTNOSUPPORT}, {EOPNOTSUPP, WSAEOPNOTSUPP}, {EPFNOSUPPORT, WSAEPFNOSUPPORT},
        {EAFNOSUPPORT, WSAEAFNOSUPPORT}, {EADDRINUSE, WSAEADDRINUSE}, {EADDRNOTAVAIL, WSAEADDRNOTAVAIL},
        {ENETDOWN, WSAENETDOWN}, {ENETUNREACH, WSAENETUNREACH}, {ENETRESET, WSAENETRESET}, {ENOTCONN, WSAENOTCONN},
        {ECONNABORTED, WSAECONNABORTED}, {ECONNRESET, WSAECONNRESET}, {EPIPE, WSAECONNRESET}, {ENOBUFS, WSAENOBUFS},
        {ENOMEM, WSAENOBUFS}, {EISCONN, WSAEISCONN}, {ESHUTDOWN, WSAESHUTDOWN}, {ETIMEDOUT, WSAETIMEDOUT},
        {ECONNREFUSED, WSAECONNREFUSED}, {EHOSTDOWN, WSAEHOSTDOWN}, {EHOSTUNREACH, WSAEHOSTUNREACH},
        {ENOENT, WSAEINVAL}};
    for (const auto& [error, code] : codes) EXPECT_EQ(wsposix::ToWsa(error), code) << error;
    EXPECT_EQ(boot::InChild([] {
                  EXPECT_EQ(inet_addr("127.0.0.1"), htonl(INADDR_LOOPBACK));
                  EXPECT_EQ(inet_addr("10.1.2.3"), htonl(0x0A010203u));
                  for (const char* bad : {"", "1.2.3", "256.1.1.1", "1.2.3.4x", "a.b.c.d"})
                      EXPECT_EQ(inet_addr(bad), INADDR_NONE) << bad;
                  IN_ADDR address{htonl(0xC0A80001u)};
                  EXPECT_STREQ(inet_ntoa(address), "192.168.0.1");

                  // Versions from 1.1; above 2.2 the answer is 2.2.
                  WSADATA data;
                  EXPECT_EQ(WSAStartup(MAKEWORD(1, 0), &data), WSAVERNOTSUPPORTED);
                  ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
                  EXPECT_EQ(data.wVersion, MAKEWORD(1, 1));
                  ASSERT_EQ(WSAStartup(MAKEWORD(3, 5), &data), 0);
                  EXPECT_EQ(data.wVersion, MAKEWORD(2, 2));
                  EXPECT_EQ(data.wHighVersion, MAKEWORD(2, 2));
                  EXPECT_EQ(WSACleanup(), 0);
                  EXPECT_EQ(WSACleanup(), 0);
                  ASSERT_EQ(WSAStartup(MAKEWORD(2, 0), &data), 0);
                  const ULONG loopback = htonl(INADDR_LOOPBACK);
                  const HOSTENT* host = gethostbyaddr(reinterpret_cast<const char*>(&loopback), 4, AF_INET);
                  ASSERT_NE(host, nullptr);
                  EXPECT_GT(strlen(host->h_name), 0u);
                  EXPECT_EQ(host->h_addrtype, AF_INET);
                  EXPECT_EQ(memcmp(host->h_addr_list[0], &loopback, 4), 0);
                  EXPECT_EQ(host->h_addr_list[1], nullptr);
                  EXPECT_EQ(gethostbyaddr(reinterpret_cast<const char*>(&loopback), 16, AF_INET), nullptr);
                  EXPECT_EQ(gethostbyaddr(reinterpret_cast<const char*>(&loopback), 4, 23), nullptr);

                  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
                  const int on = 1;
                  EXPECT_EQ(setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof(on)), 0);
                  EXPECT_EQ(setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof(on)), 0);
                  EXPECT_EQ(setsockopt(s, SOL_SOCKET, 0x7777, reinterpret_cast<const char*>(&on), sizeof(on)),
                            SOCKET_ERROR);
                  EXPECT_EQ(WSAGetLastError(), WSAENOPROTOOPT);
                  SOCKADDR_IN wrong = Loopback(0);
                  wrong.sin_family = 23;
                  EXPECT_EQ(bind(s, reinterpret_cast<SOCKADDR*>(&wrong), sizeof(wrong)), SOCKET_ERROR);
                  EXPECT_EQ(WSAGetLastError(), WSAEAFNOSUPPORT);
                  // Lengths one short of what is read.
                  int shortLength = sizeof(SOCKADDR_IN) - 1;
                  EXPECT_EQ(bind(s, reinterpret_cast<SOCKADDR*>(&wrong), shortLength), SOCKET_ERROR);
                  EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
                  EXPECT_EQ(getsockname(s, reinterpret_cast<SOCKADDR*>(&wrong), &shortLength), SOCKET_ERROR);
                  EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
                  EXPECT_EQ(setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), 0),
                            SOCKET_ERROR);
                  EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
                  EXPECT_EQ(gethostbyaddr(reinterpret_cast<const char*>(&loopback), 3, AF_INET), nullptr);
                  EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
                  ULONG nonBlocking = 1;
                  EXPECT_EQ(ioctlsocket(s, 0x4004667F, &nonBlocking), SOCKET_ERROR);  // FIONREAD: not offered
                  EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
                  // A socket accepted from a non-blocking listener does not block either.
                  SOCKET quiet = Listener();
                  ASSERT_EQ(ioctlsocket(quiet, FIONBIO, &nonBlocking), 0);
                  SOCKET caller = Connect(PortOf(quiet));
                  SOCKADDR_IN peer{};
                  EXPECT_EQ(accept(quiet, reinterpret_cast<SOCKADDR*>(&peer), &shortLength), INVALID_SOCKET);
                  EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
                  SOCKET answered = accept(quiet, nullptr, nullptr);
                  ASSERT_NE(answered, INVALID_SOCKET);
                  // The system's refusals reach the caller with their own codes.
                  SOCKADDR_IN taken = Loopback(PortOf(quiet));
                  EXPECT_EQ(bind(s, reinterpret_cast<SOCKADDR*>(&taken), sizeof(taken)), SOCKET_ERROR);
                  EXPECT_EQ(WSAGetLastError(), WSAEADDRINUSE);
                  taken.sin_addr.s_addr = htonl(0xC0000201);  // 192.0.2.1, no host's own
                  EXPECT_EQ(bind(s, reinterpret_cast<SOCKADDR*>(&taken), sizeof(taken)), SOCKET_ERROR);
                  EXPECT_EQ(WSAGetLastError(), WSAEADDRNOTAVAIL);
                  SOCKET datagram = socket(AF_INET, SOCK_DGRAM, 0);
                  EXPECT_EQ(listen(datagram, 1), SOCKET_ERROR);
                  EXPECT_EQ(WSAGetLastError(), WSAEOPNOTSUPP);
                  // A non-blocking connection under way is "would block", not "in progress".
                  SOCKET pending = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
                  ASSERT_EQ(ioctlsocket(pending, FIONBIO, &nonBlocking), 0);
                  taken = Loopback(PortOf(quiet));
                  // (Loopback may also finish the handshake at once.)
                  const int made = connect(pending, reinterpret_cast<SOCKADDR*>(&taken), sizeof(taken));
                  EXPECT_TRUE(made == 0 || WSAGetLastError() == WSAEWOULDBLOCK) << WSAGetLastError();
                  for (SOCKET done : {datagram, pending}) closesocket(done);
                  char byte;
                  EXPECT_EQ(recv(answered, &byte, 1, 0), SOCKET_ERROR);
                  EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
                  // Zero bytes is a call like any other; a negative length is a bad buffer.
                  EXPECT_EQ(send(caller, &byte, 0, 0), 0);
                  EXPECT_EQ(send(caller, &byte, -1, 0), SOCKET_ERROR);
                  EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
                  for (SOCKET done : {answered, caller, quiet}) closesocket(done);
                  // Nothing listens on the port just freed.
                  SOCKET probe = Listener();
                  const USHORT port = PortOf(probe);
                  closesocket(probe);
                  SOCKADDR_IN at = Loopback(port);
                  EXPECT_EQ(connect(s, reinterpret_cast<SOCKADDR*>(&at), sizeof(at)), SOCKET_ERROR);
                  EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
                  EXPECT_EQ(shutdown(s, SD_BOTH), SOCKET_ERROR);
                  EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
                  closesocket(s);
                  EXPECT_EQ(WSACleanup(), 0);
              }),
              0);
}

}  // namespace
