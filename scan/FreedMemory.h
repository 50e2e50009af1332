#pragma once
#include <QtGlobal>

namespace ink {

// How a build keeps the memory it frees from piling up. The programs link
// mimalloc where it is installed; where they do not, the C library's
// allocator is asked instead, or nothing is done.

// Gives back to the system the pages this thread freed and the allocator
// still keeps.
void GiveBackFreedMemory();

// mimalloc keeps the pages a thread frees for a while (25 ms) before it
// gives them back, so that pages freed and soon taken again cost no system
// calls. A build frees and takes pages all the time, and what is kept that
// way adds about a fifth to its peak. Called between units: past a bound of
// memory held by the process it has them given back at once; below the
// bound, less a margin so that it does not switch at every unit, kept
// again. Giving back at once costs a tenth more time, paid only where
// memory runs high: around the few very large generated units, and late in
// a build of tens of thousands of units.
void FollowMemoryHeld();
// Puts back the allocator's own way, as at the end of a build.
void StopFollowingMemoryHeld();

// For the tests: whether freed pages are given back at once now, and the
// bound (0 puts back the default).
bool GivingBackAtOnce();
void SetMemoryHeldBound(qint64 bytes);
constexpr qint64 DefaultMemoryHeldBound = 84 * 1024 * 1024;

} // namespace ink
