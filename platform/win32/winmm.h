// winmm subset: timer period, millisecond clock, joystick count, MCI.
#pragma once

#include "platform/win32/types.h"

typedef UINT MMRESULT;
#define TIMERR_NOERROR 0
#define MMSYSERR_NOERROR 0
#define MMSYSERR_ERROR 1
#define MMSYSERR_NODRIVER 6

// The period changes nothing here: sleeps already have millisecond granularity.
MMRESULT timeBeginPeriod(UINT period);
MMRESULT timeEndPeriod(UINT period);
DWORD timeGetTime();
UINT joyGetNumDevs();

typedef UINT MCIDEVICEID;
typedef DWORD MCIERROR;
#define MCI_OPEN 0x0803
#define MCI_CLOSE 0x0804
#define MCI_PLAY 0x0806
#define MCI_STOP 0x0808
#define MCI_STATUS 0x0814
#define MCI_SET 0x080D
#define MCI_NOTIFY 0x00000001L
#define MCI_WAIT 0x00000002L
#define MCI_FROM 0x00000004L
#define MCI_TO 0x00000008L
#define MCI_NOTIFY_SUCCESSFUL 0x0001
#define MCIERR_DEVICE_NOT_INSTALLED 306
// No CD device exists: every command answers an error.
MCIERROR mciSendCommandA(MCIDEVICEID device, UINT message, DWORD_PTR param1, DWORD_PTR param2);
