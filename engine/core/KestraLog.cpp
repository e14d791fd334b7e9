// The run's HTML log and the zero-filling allocator.
#include "engine/core/KestraLog.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "engine/core/Kestra.h"
#include "engine/core/KestraConsole.h"
#include "platform/win32/loaded_memory.h"
#include "platform/win32/win32.h"

namespace {

char g_logFileName[MAX_PATH];
FILE* g_log = nullptr;

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

const char kHead[] =
    "<HTML>\n<HEAD>\n<META http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n"
    "<TITLE>%s</TITLE>\n<STYLE type=\"text/css\">\n<!--\nBODY{\n  font-size : 12px;\n"
    "  font-family : \"ＭＳ ゴシック\";\n}\n-->\n</STYLE>\n</HEAD>\n"
    "<BODY bgcolor=\"#ffffff\" text=\"#000000\" link=\"#444444\" vlink=\"#444444\" alink=\"#444444\">\n";

const char kHeadlineOpen[] =
    "<TABLE width=\"100%\" bgcolor=\"#000000\">\n  <TBODY>\n    <TR>\n      <TD align=\"center\">\n"
    "        <B>\n          <FONT color=\"WHITE\">";
const char kHeadlineClose[] = "</FONT>\n        </B>\n      </TD>\n    </TR>\n  </TBODY>\n</TABLE>\n";

// Console colours of the mirrored entries (only while a debug console is open).
constexpr WORD kConsolePlain = 0x07;

void Write(const char* before, const char* after, WORD consoleColor, const char* format, va_list args) {
    CCriticalSectionLock lock(Kestra::LogLock());
    if (!g_log) return;
    if (KestraConsole::IsOpen()) {
        va_list copy;
        va_copy(copy, args);
        char text[1024];
        vsnprintf(text, sizeof(text), format, copy);
        va_end(copy);
        KestraConsole::SetColor(consoleColor);
        KestraConsole::Print("%s", text);
        KestraConsole::SetColor(kConsolePlain);
    }
    fputs(before, g_log);
    vfprintf(g_log, format, args);
    fputs(after, g_log);
    fflush(g_log);
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
    if (g_log) return true;
    if (g_logFileName[0] == '\0') return false;
    g_log = kestra_fopen(g_logFileName, "wt");
    if (!g_log) return false;
    fprintf(g_log, kHead, title ? title : "");
    fflush(g_log);
    return true;
}

void CloseLog() {
    CCriticalSectionLock lock(LogLock());
    if (!g_log) return;
    fputs("</BODY>\n</HTML>\n", g_log);
    fflush(g_log);
    fclose(g_log);
    g_log = nullptr;
}

bool IsLogOpen() {
    CCriticalSectionLock lock(LogLock());
    return g_log != nullptr;
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
    if (!g_log) return;
    if (KestraConsole::IsOpen()) KestraConsole::Print("\n");
    fputs("<BR>\n", g_log);
    fflush(g_log);
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
