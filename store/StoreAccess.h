#pragma once

namespace ink {

// How a store is opened: to be written, or only read. A store opened to be
// read is never created, changed or stamped (Database::Access names the same).
enum class StoreAccess { ReadWrite, ReadOnly };

} // namespace ink
