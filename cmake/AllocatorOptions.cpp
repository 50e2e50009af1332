// Built into the programs that link mimalloc (inkwright_fast_allocator in the
// root CMakeLists.txt), before main runs.
#include <mimalloc.h>

namespace {

// A build reads a few generated units that hold tens of megabytes each for a
// moment (their text, their declarations); mimalloc keeps a segment freed
// that way for half a second before giving it back, which lets several of
// them stack up on the build's peak. Given back at once, the peak is lower
// and the build no slower: whole segments are freed seldom, unlike pages.
// (Later mimalloc versions keep them only a few milliseconds.)
const bool segmentsGivenBackAtOnce = [] {
#if MI_MALLOC_VERSION < 210
    mi_option_set(mi_option_segment_decommit_delay, 0);
#endif
    return true;
}();

} // namespace
