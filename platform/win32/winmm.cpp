// winmm: the timer period and MCI. timeGetTime lives with the other clocks.
#include "platform/win32/winmm.h"

// Sleeps already have millisecond granularity; the period changes nothing.
MMRESULT timeBeginPeriod(UINT) { return TIMERR_NOERROR; }

MMRESULT timeEndPeriod(UINT) { return TIMERR_NOERROR; }

// There is no CD audio device.
MCIERROR mciSendCommandA(MCIDEVICEID, UINT, DWORD_PTR, DWORD_PTR) { return MCIERR_DEVICE_NOT_INSTALLED; }
