// Fibers (use flag 32): the fiber table's memory. No fiber is created in this system.
#pragma once

namespace KestraFiber {
bool Initialize();
void Finalize();
bool IsStarted();
}  // namespace KestraFiber
