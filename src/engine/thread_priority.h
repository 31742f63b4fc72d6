// Priorities of conversion threads; applied as best effort (a priority the
// process may not take is ignored).
#pragma once

namespace engine {

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Sets the calling thread's priority; false when the system refused.
bool ApplyThreadPriority(TThreadPriority priority);

}  // namespace engine
