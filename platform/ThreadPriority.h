#pragma once

namespace tonwerk::platform {

// Gives the calling thread a below-normal share of the processor (a nice value of 5 above the
// process's), so background work never delays the threads a performer hears. Best effort: a
// refusal leaves the thread as it was. Any thread; never blocks.
void lowerThreadPriority();

} // namespace tonwerk::platform
