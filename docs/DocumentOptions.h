#pragma once

namespace ink {

class Dialogs;
class TDM1;

// "Document Options...": asks for the build configuration the current
// document follows, offering the project's configurations and the usual
// targets. A changed one is checked against the project's option files
// before it is stored (an unknown name is an error, and nothing changes);
// the answer is whether it changed, upon which the caller reads the whole
// document again, so that its rows follow the new defines. Routines only
// the old configuration compiled then show as left the source, for
// "Remove Missing Routines...".
bool EditDocumentOptions(TDM1& dm, Dialogs& dialogs);

} // namespace ink
