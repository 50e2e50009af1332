#pragma once

namespace ink {

// The texts every output of a report shows where there is nothing to show.
inline constexpr const char* NoDescriptionText = "No description.";
inline constexpr const char* NoUnitsText = "This document has no units.";
inline constexpr const char* NoClassesText =
    "This document declares no classes, interfaces or objects.";
// Under a declaration the last build or refresh did not find.
inline constexpr const char* LeftTheSourceNote =
    "Left the source: the last build or refresh did not find it.";
inline constexpr const char* NoVersionInfoText =
    "No version information was found for this document.";

} // namespace ink
