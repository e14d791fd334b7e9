// The always-on and optional modules: input-method text, sockets, micro threads,
// the generator seed and the start and finish of media, music, fibers and CD audio.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "engine/core/Kestra.h"
#include "engine/core/KestraCDDA.h"
#include "engine/core/KestraFep.h"
#include "engine/core/KestraFiber.h"
#include "engine/core/KestraFrameState.h"
#include "engine/core/KestraMedia.h"
#include "engine/core/KestraMicroThread.h"
#include "engine/core/KestraMusic.h"
#include "engine/core/KestraNetwork.h"
#include "engine/core/KestraRandom.h"
#include "platform/winsock/winsock.h"
#include "tests/engine/core/boot_harness.h"
#include "tests/support/records.h"

namespace {

using boot::U8;

using testsupport::Utf8ToCp932;

void Type(const std::string& bytes) {
    for (char c : bytes) KestraFep::AddChar(static_cast<uint8_t>(c));
}

TEST(KestraFep, BackSpaceRemovesWholeCharacters) {
    ASSERT_TRUE(KestraFep::Initialize());
    Type("ab" + Utf8ToCp932(U8(u8"あ")));
    EXPECT_EQ(std::string(KestraFep::GetString()), "ab" + Utf8ToCp932(U8(u8"あ")));
    KestraFep::AddChar(8);
    EXPECT_STREQ(KestraFep::GetString(), "ab");
    // ソ ends in 0x5C, a byte that is also the ASCII backslash.
    Type(Utf8ToCp932(U8(u8"ソ")));
    KestraFep::AddChar(8);
    EXPECT_STREQ(KestraFep::GetString(), "ab");
    KestraFep::AddChar(8);
    KestraFep::AddChar(8);
    KestraFep::AddChar(8);  // on an empty text
    EXPECT_EQ(KestraFep::GetLength(), 0u);
    KestraFep::Finalize();
    // A restart forgets what was typed before it.
    ASSERT_TRUE(KestraFep::Initialize());
    Type("ab");
    KestraFep::Finalize();
    ASSERT_TRUE(KestraFep::Initialize());
    Type("c");
    EXPECT_STREQ(KestraFep::GetString(), "c");
    EXPECT_EQ(KestraFep::GetLength(), 1u);
    KestraFep::Finalize();
}

TEST(KestraFep, EnterIsRememberedAndControlCodesIgnored) {
    ASSERT_TRUE(KestraFep::Initialize());
    KestraFep::AddChar(13);
    EXPECT_EQ(KestraFep::GetLastChar(), 13);
    KestraFep::AddChar(9);
    KestraFep::AddChar(27);
    EXPECT_EQ(KestraFep::GetLength(), 0u);
    Type("x" + Utf8ToCp932(U8(u8"漢")));
    EXPECT_EQ(KestraFep::GetLastChar(), 0);  // a completed two-byte character
    KestraFep::Finalize();
    // Not enabled any more: typing is ignored.
    const uint32_t length = KestraFep::GetLength();
    Type("zz");
    EXPECT_EQ(KestraFep::GetLength(), length);
}

TEST(KestraFep, AFullBufferKeepsItsTerminatorAndNeverSplitsACharacter) {
    ASSERT_TRUE(KestraFep::Initialize());
    Type("a");
    for (int i = 0; i < 1500; ++i) Type(Utf8ToCp932(U8(u8"あ")));
    const uint32_t length = KestraFep::GetLength();
    EXPECT_LE(length, KestraFep::kBufferSize - 1);
    EXPECT_EQ(length, 2047u);  // "a" and 1023 whole characters
    EXPECT_EQ(KestraFep::GetString()[length], '\0');
    EXPECT_EQ(std::string(KestraFep::GetString() + 1, 2), Utf8ToCp932(U8(u8"あ")));
    EXPECT_EQ(std::string(KestraFep::GetString() + length - 2, 2), Utf8ToCp932(U8(u8"あ")));
    // The trail of a refused character does not slip in as a character of its own.
    Type("b");
    EXPECT_EQ(KestraFep::GetLength(), 2047u);
    KestraFep::AddChar(8);
    EXPECT_EQ(KestraFep::GetLength(), 2045u);
    KestraFep::Finalize();
}

static_assert(KestraNetwork::kErrorTextSize == 1024);  // written out, not taken from the product

// Every code's text, listed or generic, with the bytes after it, folded into a recorded digest.
TEST(KestraNetwork, ErrorTextsOfEveryCodeMatchTheirRecord) {
    char text[KestraNetwork::kErrorTextSize];
    records::Fnv hash;
    for (int code = 9990; code <= 11010; ++code) {
        memset(text, 0x5A, sizeof(text));
        KestraNetwork::GetErrorText(code, text);
        hash.Add(code, text);
    }
    EXPECT_EQ(records::Check("tests/engine/core/records.txt", "network-error-texts", hash.h), "");
}

TEST(KestraNetwork, SocketEventsForUnknownSocketsChangeNothing) {
    EXPECT_EQ(boot::InChild([] {
                  ASSERT_TRUE(KestraNetwork::Initialize());
                  KestraNetwork::OnSocketEvent(nullptr, 77, WSAMAKESELECTREPLY(FD_READ, WSAECONNABORTED));
                  EXPECT_EQ(std::string(KestraNetwork::GetLastErrorText()),
                            Utf8ToCp932(U8(u8"ネットワーク接続が破棄された")));
                  KestraNetwork::OnSocketEvent(nullptr, 77, WSAMAKESELECTREPLY(FD_WRITE, 0));
                  KestraNetwork::OnSocketEvent(nullptr, 77, WSAMAKESELECTREPLY(FD_CLOSE, 0));
                  // No listening socket: nothing to accept.
                  KestraNetwork::OnSocketEvent(nullptr, 77, WSAMAKESELECTREPLY(FD_ACCEPT, 0));
                  EXPECT_FALSE(KestraNetwork::Accept());
                  EXPECT_EQ(KestraNetwork::GetConnectionCount(), 0u);
                  KestraNetwork::Finalize();
                  KestraNetwork::Finalize();  // twice is harmless
              }),
              0);
}

TEST(WinSock, StartsCleansUpAndReportsErrorsAsWsaCodes) {
    EXPECT_EQ(boot::InChild([] {
                  EXPECT_EQ(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP), INVALID_SOCKET);
                  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
                  WSADATA data;
                  ASSERT_EQ(WSAStartup(MAKEWORD(2, 0), &data), 0);
                  EXPECT_EQ(data.wVersion, MAKEWORD(2, 0));
                  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
                  ASSERT_NE(s, INVALID_SOCKET);
                  char buffer[8] = "abc";
                  EXPECT_EQ(send(s, buffer, 3, 0), SOCKET_ERROR);
                  EXPECT_EQ(WSAGetLastError(), WSAENOTCONN);
                  EXPECT_EQ(WSAAsyncSelect(s, nullptr, WM_USER + 1, FD_READ), SOCKET_ERROR);
                  EXPECT_EQ(closesocket(s), 0);
                  EXPECT_EQ(closesocket(s), SOCKET_ERROR);
                  EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
                  EXPECT_EQ(WSACleanup(), 0);
                  EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
                  EXPECT_EQ(htons(0x1234), 0x3412);
                  EXPECT_EQ(ntohl(htonl(0x01020304u)), 0x01020304u);
              }),
              0);
}

static_assert(KestraMicroThread::kRecordCount == 33);  // written out, not taken from the product

TEST(KestraMicroThread, MainRecordLinksToItselfAndExitLogsTheEnd) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InChild([&] {
                  Kestra::SetLogFile((dir.path() + "/mt").c_str(), "html");
                  ASSERT_TRUE(Kestra::OpenLog("t"));
                  platform::UseVirtualClock(true);
                  Kestra::SetFrameRate(60);
                  Kestra::detail::Frame().frequency = platform::kCounterFrequency;
                  ASSERT_TRUE(KestraMicroThread::Initialize());
                  EXPECT_TRUE(KestraMicroThread::CheckEnd());
                  KestraMicroThread::StartMain();
                  const KestraMicroThreadRecord* records = KestraMicroThread::GetRecords();
                  ASSERT_NE(records, nullptr);
                  EXPECT_EQ(records[32].next, 32);
                  EXPECT_EQ(records[32].previous, 32);
                  EXPECT_EQ(records[32].active, 1);
                  for (int i = 0; i < 32; ++i) {
                      EXPECT_EQ(records[i].thread, nullptr);
                      EXPECT_EQ(records[i].next, -1);
                      EXPECT_EQ(records[i].previous, -1);
                  }
                  // The baton comes straight back; the turn took half a second of the virtual clock.
                  platform::AdvanceVirtualClock(platform::kCounterFrequency / 2);
                  KestraMicroThread::Switch(-1);
                  EXPECT_EQ(records[32].idleFrames, 30u);
                  EXPECT_EQ(records[32].lastTurn, platform::VirtualClockNow());
                  // Indexes past the table name no record: nothing is read or written.
                  for (int32_t past : {KestraMicroThread::kRecordCount, 1000}) KestraMicroThread::Switch(past);
                  EXPECT_EQ(records[32].next, 32);
                  EXPECT_EQ(records[32].active, 1);
                  KestraMicroThread::Exit();
                  KestraMicroThread::Finalize();
                  KestraMicroThread::Finalize();
                  Kestra::CloseLog();
              }),
              0);
    const std::string log = testsupport::ReadFile(dir.file("mt.html"));
    const std::string body = boot::OnDisk(
        U8(u8"<B><FONT color=\"GREEN\">KestraMicroThread::メインマイクロスレッドの起動</FONT></B><BR>\n"
        "<B><FONT color=\"BLUE\">KestraMicroThread::UpdateList</FONT></B><BR>\n"
        "　[32] -> [32]<BR>\n"
        "<B><FONT color=\"GREEN\">KestraMicroThread::全マイクロスレッドの終了</FONT></B><BR>\n"
        "</BODY>\n</HTML>\n"));
    ASSERT_GE(log.size(), body.size());
    EXPECT_EQ(log.substr(log.size() - body.size()), body);
    EXPECT_EQ(log.find("KestraMicroThread::Exit"), std::string::npos);
}

static_assert(Kestra::kRandomStateWords == 624);  // written out, not taken from the product

TEST(KestraRandom, SeedMatchesTheReferenceGenerator) {
    for (uint32_t seed : {5489u, 0u, 0xFFFFFFFFu, 123456789u}) {
        Kestra::SeedRandom(seed);
        uint32_t words[Kestra::kRandomStateWords];
        uint32_t index = 0;
        Kestra::GetRandomState(words, &index);
        EXPECT_EQ(index, 624u);
        // The standard engine prints its 624 words followed by its position.
        std::mt19937 reference(seed);
        std::stringstream state;
        state << reference;
        for (uint32_t i = 0; i < Kestra::kRandomStateWords; ++i) {
            uint64_t word = 0;
            state >> word;
            ASSERT_EQ(words[i], word) << "seed " << seed << " word " << i;
        }
    }
}

TEST(KestraOptionalModules, MusicFailsWithoutDirectMusicAndFinishesCleanly) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InChild([&] {
                  Kestra::SetLogFile((dir.path() + "/music").c_str(), "html");
                  Kestra::OpenLog("t");
                  EXPECT_FALSE(KestraMusic::Initialize());
                  // A failed start leaves the module off: a second start fails again.
                  EXPECT_FALSE(KestraMusic::IsStarted());
                  EXPECT_FALSE(KestraMusic::Initialize());
                  EXPECT_FALSE(KestraMusic::IsStarted());
                  KestraMusic::Finalize();
                  KestraMusic::Finalize();
                  KestraMusic::ReleaseSlot(3);
                  Kestra::CloseLog();
              }),
              0);
    const std::string log = testsupport::ReadFile(dir.file("music.html"));
    // Each failed start logs its attempt; the finish frees the table of the last one.
    const std::string attempt = boot::Headline(U8(u8"KestraMusicクラスの初期化")) +
                                U8(u8"<B>ミュージック用メモリ確保</B><BR>\n") +
                                U8(u8"<B><FONT color=\"RED\">　エラー : DirectMusicLoaderの生成に失敗</FONT></B><BR>\n");
    const std::string expected = boot::OnDisk(attempt + attempt + boot::Headline(U8(u8"KestraMusicクラスの解放")) +
                                              "</BODY>\n</HTML>\n");
    ASSERT_GE(log.size(), expected.size());
    EXPECT_EQ(log.substr(log.size() - expected.size()), expected);
}

TEST(KestraOptionalModules, MediaFiberAndCdAudioStartAndFinishOnce) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InChild([&] {
                  // Finishing what never started says nothing.
                  KestraMedia::Finalize();
                  KestraFiber::Finalize();
                  KestraCDDA::Finalize();
                  Kestra::SetLogFile((dir.path() + "/opt").c_str(), "html");
                  Kestra::OpenLog("t");
                  EXPECT_TRUE(KestraMedia::Initialize());
                  EXPECT_TRUE(KestraFiber::Initialize());
                  EXPECT_TRUE(KestraCDDA::Initialize());
                  KestraMedia::OnGraphEvent();
                  KestraMedia::ReleaseSlot(0);
                  KestraMedia::ReleaseSlot(1000);
                  KestraCDDA::OnNotify(MCI_NOTIFY_SUCCESSFUL, 1);
                  EXPECT_FALSE(KestraCDDA::IsOpen());
                  KestraMedia::Finalize();
                  KestraMedia::Finalize();
                  KestraFiber::Finalize();
                  KestraFiber::Finalize();
                  KestraCDDA::Finalize();
                  Kestra::CloseLog();
              }),
              0);
    const std::string log = testsupport::ReadFile(dir.file("opt.html"));
    EXPECT_EQ(boot::Headlines(log),
              boot::Cp932All({U8(u8"KestraMediaクラスの初期化"), U8(u8"KestraFiberクラスの初期化"), U8(u8"KestraMediaクラスの解放"),
                              U8(u8"KestraFiberクラスの解放")}));
    EXPECT_NE(log.find(Utf8ToCp932(U8(u8"<B>メディア用メモリ確保</B><BR>"))), std::string::npos);
    EXPECT_NE(log.find(Utf8ToCp932(U8(u8"<B>ファイバークラス用メモリ確保</B><BR>"))), std::string::npos);
}

}  // namespace
