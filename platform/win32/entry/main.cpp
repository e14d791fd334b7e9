// The process entry: hands the runtime's arguments to the program's WinMain.
#include "platform/win32/crt.h"
#include "platform/win32/kernel.h"
#include "platform/win32/user.h"

int main(int argc, char** argv) {
    kestra_convert_standard_streams();
    __argc = argc;
    __argv = argv;
    char empty[1] = {0};
    const int result = WinMain(GetModuleHandleA(nullptr), nullptr, argc > 1 ? argv[1] : empty, SW_SHOW);
    return platform::ProcessExitStatus(result);
}
