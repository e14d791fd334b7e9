// Everything the engine and the game see of Win32, winmm and COM.
#pragma once

#include "platform/win32/types.h"
#include "platform/win32/kernel.h"
#include "platform/win32/user.h"
#include "platform/win32/winmm.h"
#include "platform/win32/ole.h"
#include "platform/win32/crt.h"
