#pragma once
#include "store/UserError.h"

namespace ink {

// A report that cannot be made is an error the user reads like any other;
// the name stays for the report code being rewritten.
using ReportError = UserError;

} // namespace ink
