// The memory manager table this library publishes for a process that has
// none: six routines over the process heap, placed in a page of their own
// outside every module image.
//
// Other modules keep calling a published table for as long as they live,
// and may outlive the module that published it. Routines inside our image
// would go with it when the library is unloaded (the second of two copies
// of KARVO.DLL would then call into freed memory); these stay until the
// process ends, and need nothing of ours, so the library itself can still
// be unloaded and loaded afresh. The process heap they use is the one our
// own allocations use, so a string from either may be freed by the other.
#pragma once

#include "platform/MemoryManager.h"

namespace karvo {

// A new table in a new executable page, or null when the process refuses
// executable memory of its own making (the caller then publishes its own
// routines and keeps its image loaded instead). The page is never freed.
const TMemoryManagerEx* MakePublishedManager();

// Gives back a page that MakePublishedManager made and nobody saw (another
// module published first).
void DiscardPublishedManager(const TMemoryManagerEx* table);

}  // namespace karvo
