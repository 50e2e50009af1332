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
// way adds about a fifth to its peak. A program that holds its builds to a
// bound of memory sets it (none by default: the window keeps the
// allocator's own way). Called between units: past the bound, freed pages
// are given back at once; below it, less a margin so that it does not
// switch at every unit, they are kept again. Giving back at once costs a
// tenth more time, paid only where memory runs high: around the few very
// large generated units, and late in a build of tens of thousands of units.
void SetMemoryHeldBound(qint64 bytes); // 0: none
void FollowMemoryHeld();
// Puts back the allocator's own way, as at the end of a build.
void StopFollowingMemoryHeld();
// Whether freed pages are given back at once now; for the tests.
bool GivingBackAtOnce();

} // namespace ink
