// Test hooks of the DirectInput stand-in. A real run uses none of them.
#pragma once

namespace platform {
// joyGetNumDevs answers count instead of its 16 slots; a negative count restores them.
void SetJoystickSlotCountForTesting(int count);
}  // namespace platform
