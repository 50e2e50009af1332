#pragma once
#include "store/StoreAddress.h"

namespace ink {

class AliasRegistry;

// The documentation store Inkwright set up: the folder of the alias
// "Quillmark", or the server store it names. UserError when the alias is
// missing or has no folder.
StoreAddress reportStore(const AliasRegistry& registry);

} // namespace ink
