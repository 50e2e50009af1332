#pragma once
#include <QtGlobal>

namespace ink {

// Units larger than this are read only this far (no real unit comes near).
// The scanners and the include-file reader share it, so it lives apart from
// both.
constexpr qint64 unitReadLimit = 64 * 1024 * 1024;

} // namespace ink
