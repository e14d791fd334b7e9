// The compiler runtime's pieces whose behaviour the program depends on.
#pragma once

#include <cstdio>
#include <cstdint>
#include <cstdlib>

// The runtime's generator: state = state * 214013 + 2531011, result bits 16..30.
namespace crt {
void srand(unsigned int seed);
int rand();
// The runtime heap's zero-filled block (free it with free); null when the heap
// has no room, or while the "calloc" fault is armed.
void* calloc(size_t count, size_t size);
}  // namespace crt
// The C library's RAND_MAX belongs to its own rand; this generator's is 0x7FFF.
#undef RAND_MAX
#define RAND_MAX 0x7fff

typedef int32_t __time32_t;
__time32_t _time32(__time32_t* destination);
typedef int64_t __time64_t;
__time64_t _time64(__time64_t* destination);
// The local time of a moment, in the runtime's shared record (null when the
// moment cannot be converted).
struct tm* _localtime64(const __time64_t* moment);

// fopen with the runtime's text mode: a "t" in the mode (or no "b") writes "\n" as
// CR LF and reads CR LF as "\n". Paths follow the platform's path rules.
FILE* kestra_fopen(const char* path, const char* mode);
#define fopen_text kestra_fopen

// Bounded formatting used where the program formats into fixed buffers.
int wsprintfA(char* buffer, const char* format, ...);

// Standard output and standard error reach the terminal as UTF-8: the program's
// CP932 text is converted on its way out. Called once by the process entry.
void kestra_convert_standard_streams();
