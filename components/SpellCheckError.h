#pragma once
#include "store/UserError.h"

namespace ink {

// No dictionary for the user's language nor for English could be had; a
// caller tells this apart from other spelling errors to say so once.
class SpellUnavailableError : public UserError {
public:
    SpellUnavailableError()
        : UserError("Spell checking is not available: no dictionary is installed.") {}
};

} // namespace ink
