#pragma once
#include <QString>

namespace ink {

class BuildFeedback;
class Dialogs;
class TDM1;
class TTable;

// The commands of the documents list and of the units and routines lists,
// written against the store and the dialogs so they run without a window.
class DocumentCommands {
public:
    DocumentCommands(TDM1& dm, Dialogs& dialogs, BuildFeedback& feedback);

    // "Add": pick a project file, name the document, build it.
    void add();
    // "Rename": a new name for the current document.
    void rename();
    // "Delete": the current document with all its units and routines.
    void deleteDocument();
    // "Refresh": rebuild the current document from disk, keeping every
    // description. Only the units whose files changed are read, unless
    // `readEveryUnit` (the user doubts the files' times, or wants to be sure).
    void refresh(bool readEveryUnit = false);
    // "Remove from Project" / "Remove from documentation": the current unit
    // (with its routines) / the current routine.
    void removeFromProject();
    void removeFromDocumentation();

    // Leaving an editor stores what was typed: the row is posted when the
    // table has rows, even when nothing changed.
    static void postOnExit(TTable& table);
    // Document names are stored with only the letters a to z raised.
    static QString upperCaseName(const QString& name);
    // A typed name as the store keeps it: raised, and cut to the width of
    // DocName, so a long name is compared the way it will be stored.
    static QString storedName(const QString& typed);
    // Builds a new document of that (stored) name, unless the store holds
    // one of that name already: false then, with nothing written. The name
    // is looked for under the store's write lock, so two programs adding
    // one name at once make one document. `configuration`, when given, is
    // the build configuration the document follows.
    static bool buildNewDocument(TDM1& dm, const QString& projectPath, const QString& name,
                                 BuildFeedback& feedback, const QString& configuration = {});

private:
    TDM1& dm_;
    Dialogs& dialogs_;
    BuildFeedback& feedback_;
    QString lastChosenFile_;
};

} // namespace ink
