// The socket server module.
#include "engine/core/KestraNetwork.h"

#include <cstdio>
#include <cstring>

#include "engine/core/Kestra.h"

namespace {

char g_errorText[KestraNetwork::kErrorTextSize];
KestraNetworkConnection* g_connections = nullptr;
uint32_t g_count = 0;
SOCKET g_listen = INVALID_SOCKET;
WSADATA g_wsaData;
bool g_started = false;

CCriticalSection& NetworkLock() {
    static CCriticalSection lock;
    return lock;
}

struct ErrorRow {
    int32_t code;
    const char* text;
};

const ErrorRow kErrorTable[] = {
    {10000, "エラーは発生していない"},
    {10004, "関数呼び出しが中断された"},
    {10009, "ファイルハンドルが不正である"},
    {10013, "アクセスが拒否された"},
    {10014, "アドレスが不正である"},
    {10022, "引数が不正である"},
    {10024, "開いているソケットが多すぎる"},
    {10035, "操作はブロッキングされる"},
    {10036, "ブロッキング操作の実行中である"},
    {10037, "操作は既に実行中である"},
    {10038, "ソケットではないものを操作しようとした"},
    {10039, "送信先のアドレスが必要である"},
    {10040, "メッセージが長すぎる"},
    {10041, "ソケットに対するプロトコルの種類が間違っている"},
    {10042, "プロトコルのオプションが不正である"},
    {10043, "プロトコルがサポートされていない"},
    {10044, "ソケットの種類がサポートされていない"},
    {10045, "操作がソケット上でサポートされていない"},
    {10046, "プロトコルファミリーがサポートされていない"},
    {10047, "アドレスファミリーがプロトコルファミリーでサポートされていない"},
    {10048, "アドレスは既に使用中である"},
    {10049, "要求されたアドレスを割り当てられない"},
    {10050, "ネットワークがダウンしている"},
    {10051, "ネットワークに到達できない"},
    {10052, "ネットワーク接続が破棄された"},
    {10053, "ネットワーク接続が破棄された"},
    {10054, "ネットワーク接続が相手によって破棄された"},
    {10055, "バッファ領域が不足している"},
    {10056, "ソケットは既に接続されている"},
    {10057, "ソケットは接続されていない"},
    {10058, "ソケットはシャットダウンされている"},
    {10059, "参照の数が多すぎる"},
    {10060, "接続要求がタイムアウトした"},
    {10061, "接続が拒否された"},
    {10062, "名前の解決がループしている"},
    {10063, "名前が長すぎる"},
    {10064, "ホストがダウンしている"},
    {10065, "ホストに到達するための経路がない"},
    {10066, "ディレクトリが空ではない"},
    {10067, "プロセスの数が多すぎる"},
    {10068, "ユーザーの数が多すぎる"},
    {10069, "ディスククォータを超えた"},
    {10070, "ファイルハンドルの参照が古い"},
    {10071, "リモートのアイテムである"},
    {10091, "ネットワークサブシステムが利用できない"},
    {10092, "要求されたWinSockのバージョンはサポートされていない"},
    {10093, "WinSockシステムが初期化されていない"},
    {10101, "正常なシャットダウンが進行中である"},
    {10102, "これ以上の結果はない"},
    {10103, "呼び出しが取り消された"},
    {10104, "プロシージャテーブルが不正である"},
    {10105, "サービスプロバイダが不正である"},
    {10106, "サービスプロバイダの初期化に失敗した"},
    {10107, "システムコールが失敗した"},
    {10108, "サービスが見つからない"},
    {10109, "クラスの種類が見つからない"},
    {10111, "呼び出しが取り消された"},
    {10112, "データベースの問い合わせが拒否された"},
    {11001, "ホストが見つからない"},
    {11002, "ホストが見つからないか、サーバーの障害である"},
    {11003, "回復不能なエラーが発生した"},
    {11004, "要求されたタイプのデータレコードが見つからない"},
};

KestraNetworkConnection* Find(SOCKET s) {
    for (KestraNetworkConnection* c = g_connections; c; c = c->next)
        if (c->socket == s) return c;
    return nullptr;
}

// Sends nothing more, drains what is left to read, then closes the socket.
void ShutDownSocket(SOCKET s) {
    if (s == INVALID_SOCKET) return;
    // The drain takes what has arrived; it never waits for a peer that stays.
    ULONG nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    shutdown(s, SD_SEND);
    char discard[64];
    while (recv(s, discard, sizeof(discard), 0) > 0) {
    }
    shutdown(s, SD_BOTH);
    closesocket(s);
}

void FreeConnection(KestraNetworkConnection* c) {
    if (c->pending) Kestra::MemoryFree(c->pending);
    Kestra::MemoryFree(c);
}

void Unlink(KestraNetworkConnection* target) {
    for (KestraNetworkConnection** link = &g_connections; *link; link = &(*link)->next) {
        if (*link == target) {
            *link = target->next;
            --g_count;
            return;
        }
    }
}

}  // namespace

namespace KestraNetwork {

bool Initialize() {
    CCriticalSectionLock lock(NetworkLock());
    if (g_started) return true;
    memset(g_errorText, 0, sizeof(g_errorText));
    g_connections = nullptr;
    g_count = 0;
    g_listen = INVALID_SOCKET;
    memset(&g_wsaData, 0, sizeof(g_wsaData));
    g_started = WSAStartup(MAKEWORD(2, 0), &g_wsaData) == 0;
    return true;
}

void Finalize() {
    CCriticalSectionLock lock(NetworkLock());
    if (!g_started) return;
    CloseAll();
    WSACleanup();
    g_started = false;
}

bool IsStarted() { return g_started; }

bool SetListenSocket(SOCKET s) {
    CCriticalSectionLock lock(NetworkLock());
    if (!g_started || s == INVALID_SOCKET) return false;
    if (WSAAsyncSelect(s, Kestra::GetWindowHandle(), WM_USER + 1, FD_ACCEPT) == SOCKET_ERROR) return false;
    if (g_listen != INVALID_SOCKET && g_listen != s) ShutDownSocket(g_listen);
    g_listen = s;
    return true;
}

void CloseAll() {
    CCriticalSectionLock lock(NetworkLock());
    if (!g_started) return;
    while (g_connections) {
        KestraNetworkConnection* c = g_connections;
        g_connections = c->next;
        ShutDownSocket(c->socket);
        FreeConnection(c);
    }
    g_count = 0;
    ShutDownSocket(g_listen);
    g_listen = INVALID_SOCKET;
}

void OnSocketEvent(HWND window, WPARAM socket, LPARAM lParam) {
    CCriticalSectionLock lock(NetworkLock());
    if (!g_started) return;
    const int32_t error = WSAGETSELECTERROR(lParam);
    if (error) GetErrorText(error, g_errorText);
    const SOCKET s = static_cast<SOCKET>(socket);
    switch (WSAGETSELECTEVENT(lParam)) {
        case FD_READ:
            if (KestraNetworkConnection* c = Find(s)) c->readable = 1;
            break;
        case FD_WRITE:
            if (KestraNetworkConnection* c = Find(s)) {
                c->writable = 1;
                if (c->pending && c->pendingOffset < c->pendingLength) {
                    // Move the rest out first: Send keeps what still does not go.
                    const uint32_t rest = c->pendingLength - c->pendingOffset;
                    char* data = c->pending;
                    const uint32_t offset = c->pendingOffset;
                    c->pending = nullptr;
                    c->pendingOffset = c->pendingLength = 0;
                    Send(data + offset, rest, s);
                    Kestra::MemoryFree(data);
                }
            }
            break;
        case FD_ACCEPT:
            Accept();
            break;
        case FD_CLOSE:
            if (KestraNetworkConnection* c = Find(s)) {
                Unlink(c);
                ShutDownSocket(c->socket);
                FreeConnection(c);
            }
            break;
        default:
            break;
    }
}

bool Accept() {
    CCriticalSectionLock lock(NetworkLock());
    if (!g_started || g_listen == INVALID_SOCKET) return false;
    SOCKADDR_IN peer{};
    int length = sizeof(peer);
    const SOCKET s = accept(g_listen, reinterpret_cast<SOCKADDR*>(&peer), &length);
    if (s == INVALID_SOCKET) return false;
    auto* c = static_cast<KestraNetworkConnection*>(Kestra::MemoryAlloc(sizeof(KestraNetworkConnection)));
    if (!c) {
        closesocket(s);
        return false;
    }
    c->socket = s;
    c->peer = peer;
    WSAAsyncSelect(s, Kestra::GetWindowHandle(), WM_USER + 1, FD_READ | FD_WRITE | FD_CLOSE);
    ResolveHost(c);
    c->next = g_connections;
    g_connections = c;
    ++g_count;
    return true;
}

bool Send(const void* data, uint32_t length, SOCKET s) {
    CCriticalSectionLock lock(NetworkLock());
    if (!g_started || (!data && length)) return false;
    KestraNetworkConnection* c = Find(s);
    const char* bytes = static_cast<const char*>(data);
    if (c && c->pending && c->pendingOffset < c->pendingLength) {
        // Bytes still wait for FD_WRITE: these go after them, never ahead.
        const uint32_t waiting = c->pendingLength - c->pendingOffset;
        if (length > UINT32_MAX - waiting) return false;
        char* joined = static_cast<char*>(Kestra::MemoryAlloc(waiting + length));
        if (!joined) return false;
        memcpy(joined, c->pending + c->pendingOffset, waiting);
        if (length) memcpy(joined + waiting, bytes, length);
        Kestra::MemoryFree(c->pending);
        c->pending = joined;
        c->pendingOffset = 0;
        c->pendingLength = waiting + length;
        return true;
    }
    uint32_t sent = 0;
    while (sent < length) {
        const uint32_t chunk = length - sent > 0x7FFFFFFFu ? 0x7FFFFFFFu : length - sent;
        const int n = send(s, bytes + sent, static_cast<int>(chunk), 0);
        if (n == SOCKET_ERROR) {
            if (WSAGetLastError() == WSAEWOULDBLOCK && c) {
                c->writable = 0;
                const uint32_t rest = length - sent;
                char* keep = static_cast<char*>(Kestra::MemoryAlloc(rest));
                if (!keep) return false;
                memcpy(keep, bytes + sent, rest);
                if (c->pending) Kestra::MemoryFree(c->pending);
                c->pending = keep;
                c->pendingOffset = 0;
                c->pendingLength = rest;
                return true;
            }
            Kestra::LogRed("回線は切断されました");
            Kestra::LogNewLine();
            return false;
        }
        sent += static_cast<uint32_t>(n);
    }
    return true;
}

void ResolveHost(KestraNetworkConnection* connection) {
    if (!connection) return;
    snprintf(connection->address, sizeof(connection->address), "%s", inet_ntoa(connection->peer.sin_addr));
    const HOSTENT* host =
        gethostbyaddr(reinterpret_cast<const char*>(&connection->peer.sin_addr.s_addr), 4, AF_INET);
    snprintf(connection->host, sizeof(connection->host), "%s",
             host && host->h_name && *host->h_name ? host->h_name : connection->address);
}

void GetErrorText(int32_t code, char* out) {
    if (!out) return;
    for (const ErrorRow& row : kErrorTable) {
        if (row.code == code) {
            strcpy(out, row.text);
            return;
        }
    }
    // An unknown code still gets a text, never the previous error's.
    snprintf(out, kErrorTextSize, "不明なエラー [ %d ]", code);
}

const char* GetLastErrorText() { return g_errorText; }

uint32_t GetConnectionCount() { return g_count; }

const KestraNetworkConnection* GetConnections() { return g_connections; }

}  // namespace KestraNetwork
