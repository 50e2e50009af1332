#include "FreedMemory.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#if defined(__GLIBC__)
#include <dlfcn.h>
#include <malloc.h>
#endif
#if defined(__linux__)
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace ink {

namespace {

// mimalloc is reached by name: the programs link it, the libraries and the
// tests need not.
template <typename Function> Function mimalloc(const char* name) {
#if defined(__GLIBC__)
    return reinterpret_cast<Function>(dlsym(RTLD_DEFAULT, name));
#else
    Q_UNUSED(name);
    return nullptr;
#endif
}

// mi_option_decommit_delay (named mi_option_purge_delay since mimalloc 2.1).
constexpr int DecommitDelayOption = 15;
constexpr qint64 HeldMargin = 8 * 1024 * 1024;

std::mutex followMutex;
std::atomic<qint64> heldBound{0}; // none
bool atOnce = false;
long allocatorsDelay = -1; // kept while giving back at once

// What the process holds in memory, as the system counts it (the figure a
// build's peak is measured by); 0 where that is not known.
qint64 residentBytes() {
#if defined(__linux__)
    char text[64] = {};
    const int file = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return 0;
    const ssize_t got = ::read(file, text, sizeof text - 1);
    ::close(file);
    long long size = 0;
    long long resident = 0;
    if (got <= 0 || std::sscanf(text, "%lld %lld", &size, &resident) != 2)
        return 0;
    return qint64(resident) * qint64(::sysconf(_SC_PAGESIZE));
#else
    return 0;
#endif
}

// Called under followMutex.
void giveBackAtOnce(bool wanted) {
    if (wanted == atOnce)
        return;
    atOnce = wanted;
    using OptionGet = long (*)(int);
    using OptionSet = void (*)(int, long);
    static const auto optionGet = mimalloc<OptionGet>("mi_option_get");
    static const auto optionSet = mimalloc<OptionSet>("mi_option_set");
    if (!optionGet || !optionSet)
        return;
    if (wanted) {
        allocatorsDelay = optionGet(DecommitDelayOption);
        optionSet(DecommitDelayOption, 0);
    } else {
        optionSet(DecommitDelayOption, allocatorsDelay);
    }
}

} // namespace

// Where mimalloc replaces malloc it is asked directly: malloc_trim would only
// trim the C library's own heap, which it then hardly uses.
void GiveBackFreedMemory() {
#if defined(__GLIBC__)
    using Collect = void (*)(bool);
    static const auto collect = mimalloc<Collect>("mi_collect");
    if (collect)
        collect(true);
    else
        malloc_trim(0);
#endif
}

void FollowMemoryHeld() {
    const qint64 bound = heldBound.load();
    const qint64 held = bound > 0 ? residentBytes() : 0;
    std::lock_guard lock(followMutex);
    giveBackAtOnce(bound > 0 && (atOnce ? held > bound - HeldMargin : held > bound));
}

void StopFollowingMemoryHeld() {
    std::lock_guard lock(followMutex);
    giveBackAtOnce(false);
}

bool GivingBackAtOnce() {
    std::lock_guard lock(followMutex);
    return atOnce;
}

void SetMemoryHeldBound(qint64 bytes) {
    heldBound = std::max<qint64>(bytes, 0);
}

} // namespace ink
