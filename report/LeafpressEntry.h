#pragma once
// The one entry point of the report library "Leafpress.dll", as its callers
// see it: LoadReport(DocNo) lays out the document with that number, shows it
// in a modal print preview and returns when the preview is closed.
#include <cstdint>

// 32-bit Windows callers pass the argument the standard way (the callee pops
// it); everywhere else the platform's C convention is the only one.
#if defined(_WIN32) && !defined(_WIN64)
#define LEAFPRESS_CALL __stdcall
#else
#define LEAFPRESS_CALL
#endif

#if defined(_WIN32)
#define LEAFPRESS_EXPORT __declspec(dllexport)
#else
#define LEAFPRESS_EXPORT __attribute__((visibility("default")))
#endif

inline constexpr const char* LeafpressFileName = "Leafpress.dll";
inline constexpr const char* LeafpressEntryName = "LoadReport";

using LoadReportFunction = void(LEAFPRESS_CALL*)(std::int32_t DocNo);

extern "C" LEAFPRESS_EXPORT void LEAFPRESS_CALL LoadReport(std::int32_t DocNo);
