#pragma once

namespace ink {

class Dialogs;
class TDM1;

// What "Document Options..." changed of the current document.
struct DocumentOptionsChange {
    // The caller reads the whole document again, so that its rows follow
    // the new defines. Routines only the old configuration compiled then
    // show as left the source, for "Remove Missing Routines...".
    bool configuration = false;
    // What its reports show: they read it when they open, nothing to redo.
    bool reports = false;
};

// "Document Options...": asks for the build configuration the current
// document follows, offering the project's configurations and the usual
// targets, and for what its reports show (the members' visibilities, the
// form classes' event handlers). A changed configuration is checked against
// the project's option files before anything is stored (an unknown name is
// an error, and nothing changes).
DocumentOptionsChange EditDocumentOptions(TDM1& dm, Dialogs& dialogs);

} // namespace ink
