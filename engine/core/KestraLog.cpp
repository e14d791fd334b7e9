// The run's HTML log and the zero-filling allocator.
#include "engine/core/KestraLog.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>

#include "engine/core/Kestra.h"
#include "engine/core/KestraConsole.h"
#include "engine/core/KestraFileWriter.h"
#include "platform/win32/loaded_memory.h"
#include "platform/win32/win32.h"

namespace {

char g_logFileName[MAX_PATH];
HANDLE g_log = INVALID_HANDLE_VALUE;

// Blocks of loaded data and the bytes each holds of the process's budget. Never
// destroyed: a block may be freed by another object's destructor at exit.
struct LoadedBlocks {
    platform::LoadedMemory memory;
    std::unordered_map<void*, uint32_t> sizes;
};
LoadedBlocks& Loaded() {
    static auto* blocks = new LoadedBlocks;
    return *blocks;
}

const char kHeadOpen[] =
    "<HTML>\n<HEAD>\n<META http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n<TITLE>";
const char kHeadClose[] =
    "</TITLE>\n<STYLE type=\"text/css\">\n<!--\nBODY{\n  font-size : 12px;\n"
    "  font-family : \"ＭＳ ゴシック\";\n}\n-->\n</STYLE>\n</HEAD>\n"
    "<BODY bgcolor=\"#ffffff\" text=\"#000000\" link=\"#444444\" vlink=\"#444444\" alink=\"#444444\">\n";

const char kHeadlineOpen[] =
    "<TABLE width=\"100%\" bgcolor=\"#000000\">\n  <TBODY>\n    <TR>\n      <TD align=\"center\">\n"
    "        <B>\n          <FONT color=\"WHITE\">";
const char kHeadlineClose[] = "</FONT>\n        </B>\n      </TD>\n    </TR>\n  </TBODY>\n</TABLE>\n";

// Console colours of the mirrored entries (only while a debug console is open).
constexpr WORD kConsolePlain = 0x07;

// Straight to the file, each "\n" as CR LF (a text file's line end): nothing
// waits in a buffer, so the log is whole up to its last line if the program stops.
void Put(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    KestraFileWriter::WriteAll(g_log, out.data(), out.size());
}

std::string Format(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int length = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(length));
    return text;
}

void Write(const char* before, const char* after, WORD consoleColor, const char* format, va_list args) {
    CCriticalSectionLock lock(Kestra::LogLock());
    if (g_log == INVALID_HANDLE_VALUE) return;
    const std::string text = Format(format, args);
    if (KestraConsole::IsOpen()) {
        KestraConsole::SetColor(consoleColor);
        KestraConsole::Print("%s", text.c_str());
        KestraConsole::SetColor(kConsolePlain);
    }
    Put(before + text + after);
}

}  // namespace

namespace Kestra {

CCriticalSection& LogLock() {
    // Built on first use, so a static object of another file may log or allocate
    // from its constructor.
    static CCriticalSection lock;
    return lock;
}

void SetLogFile(const char* name, const char* type) {
    ResetCurrentDirectory();
    CCriticalSectionLock lock(LogLock());
    g_logFileName[0] = '\0';
    if (!name) return;
    int length = type ? snprintf(g_logFileName, sizeof(g_logFileName), "%s.%s", name, type)
                      : snprintf(g_logFileName, sizeof(g_logFileName), "%s", name);
    if (length < 0 || static_cast<size_t>(length) >= sizeof(g_logFileName)) {
        // A name that does not fit names no file: the run goes on without a log.
        g_logFileName[0] = '\0';
        return;
    }
    DeleteFileA(g_logFileName);
}

bool OpenLog(const char* title) {
    CCriticalSectionLock lock(LogLock());
    if (g_log != INVALID_HANDLE_VALUE) return true;
    if (g_logFileName[0] == '\0') return false;
    // Made new beside its name and renamed over it, as every file the program
    // writes: whatever stands at the name, a link included, is replaced, never
    // written through.
    std::string made;
    g_log = KestraFileWriter::CreateBeside(g_logFileName, made);
    if (g_log != INVALID_HANDLE_VALUE) {
        Put(kHeadOpen + std::string(title ? title : "") + kHeadClose);
        if (MoveFileExA(made.c_str(), g_logFileName, MOVEFILE_REPLACE_EXISTING)) return true;
        const DWORD error = GetLastError();
        CloseHandle(g_log);
        DeleteFileA(made.c_str());
        g_log = INVALID_HANDLE_VALUE;
        SetLastError(error);
    }
    // Nowhere else would say that the run has no log; said once a run.
    static bool told = false;
    if (!told) {
        told = true;
        std::fprintf(stderr, "ログファイルを作成できませんでした [ %s ] %s\n", g_logFileName,
                     KestraFileWriter::Reason(GetLastError()).c_str());
    }
    return false;
}

void CloseLog() {
    CCriticalSectionLock lock(LogLock());
    if (g_log == INVALID_HANDLE_VALUE) return;
    Put("</BODY>\n</HTML>\n");
    CloseHandle(g_log);
    g_log = INVALID_HANDLE_VALUE;
}

bool IsLogOpen() {
    CCriticalSectionLock lock(LogLock());
    return g_log != INVALID_HANDLE_VALUE;
}

void LogPrint(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Write("", "", kConsolePlain, format, args);
    va_end(args);
}

void LogBold(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Write("<B>", "</B>", kConsolePlain, format, args);
    va_end(args);
}

void LogBlue(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Write("<B><FONT color=\"BLUE\">", "</FONT></B>", 0x17, format, args);
    va_end(args);
}

void LogRed(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Write("<B><FONT color=\"RED\">", "</FONT></B>", 0x47, format, args);
    va_end(args);
}

void LogGreen(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Write("<B><FONT color=\"GREEN\">", "</FONT></B>", 0x27, format, args);
    va_end(args);
}

void LogHeadline(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Write(kHeadlineOpen, kHeadlineClose, 0x70, format, args);
    va_end(args);
}

void LogNewLine() {
    CCriticalSectionLock lock(LogLock());
    if (g_log == INVALID_HANDLE_VALUE) return;
    if (KestraConsole::IsOpen()) KestraConsole::Print("\n");
    Put("<BR>\n");
}

void* MemoryAlloc(uint32_t size) {
    CCriticalSectionLock lock(LogLock());
    // calloc clears every byte; a zero size still gives a block that MemoryFree takes.
    return crt::calloc(size ? size : 1, 1);
}

void MemoryFree(void* block) {
    CCriticalSectionLock lock(LogLock());
    LoadedBlocks& loaded = Loaded();
    const auto charged = loaded.sizes.find(block);
    if (charged != loaded.sizes.end()) {
        loaded.memory.Give(charged->second);
        loaded.sizes.erase(charged);
    }
    free(block);
}

void* MemoryAllocLoaded(uint32_t size) {
    CCriticalSectionLock lock(LogLock());
    LoadedBlocks& loaded = Loaded();
    const uint32_t bytes = size ? size : 1;
    if (!loaded.memory.Take(bytes)) return nullptr;
    void* block = crt::calloc(bytes, 1);
    if (block) loaded.sizes.emplace(block, bytes);
    else loaded.memory.Give(bytes);
    return block;
}

uint64_t LoadedMemoryLeft() { return Loaded().memory.Left(); }

}  // namespace Kestra
