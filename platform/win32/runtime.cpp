// The runtime's argument globals and COM's base interface id.
#include "platform/win32/kernel.h"

int __argc = 0;
char** __argv = nullptr;

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
