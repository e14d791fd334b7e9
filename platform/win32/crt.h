// The compiler runtime's pieces whose behaviour the program depends on.
#pragma once

#include <cstdio>
#include <cstdint>
#include <cstdlib>

// The runtime's generator: state = state * 214013 + 2531011, result bits 16..30.
namespace crt {
void srand(unsigned int seed);
int rand();
}  // namespace crt
// The C library's RAND_MAX belongs to its own rand; this generator's is 0x7FFF.
#undef RAND_MAX
#define RAND_MAX 0x7fff

typedef int32_t __time32_t;
__time32_t _time32(__time32_t* destination);

// fopen with the runtime's text mode: a "t" in the mode (or no "b") writes "\n" as
// CR LF and reads CR LF as "\n". Paths follow the platform's path rules.
FILE* kestra_fopen(const char* path, const char* mode);
#define fopen_text kestra_fopen

// Bounded formatting used where the program formats into fixed buffers.
int wsprintfA(char* buffer, const char* format, ...);
