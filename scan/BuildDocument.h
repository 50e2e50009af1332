#pragma once
#include <QString>
#include <QStringList>

#include "BuildConfiguration.h"

namespace ink {

class TDM1;

// What the document build shows while it runs: the status text, the progress
// bar, and the error box of a project file that cannot be opened.
class BuildFeedback {
public:
    virtual ~BuildFeedback() = default;
    virtual void setStatusText(const QString& text) = 0;
    virtual void setProgressVisible(bool visible) = 0;
    virtual void setProgressMaximum(int maximum) = 0;
    virtual void setProgressPosition(int position) = 0;
    virtual void stepProgress() = 0;
    // A box captioned "Error" that the build shows and then carries on.
    virtual void showError(const QString& text) = 0;
    // At the end of a build with a configuration: how many conditionals of
    // the units read it decided, and how many it could not and read every
    // branch of, keeping the first. Nothing is shown unless a view says so.
    virtual void conditionalsRead(const BuildConfiguration& configuration,
                                  const ConditionalCounts& counts) {
        Q_UNUSED(configuration);
        Q_UNUSED(counts);
    }
};

// Turns a project file into a stored document, or refreshes the current one.
//
// A new document (refresh false) gets a DocsLib row named `documentName`
// (already upper-cased and checked for duplicates by the caller), a unit row
// per uses-clause entry and a routine row per procedure and function of each
// unit. A refresh adds only what is new, brings FormName and UnitPath up to
// date, and never touches a description. Either notes in MissingSource where
// a unit's source was looked for when it was not found, or why a file that is
// there could not be read; such a unit keeps its rows as they were (see
// BuildReport::unitsNotRead). Both end by stamping DocSize and DocDate. Writes are batched; an
// error ends the build with every row written before it kept, the status text cleared, and the
// error passed on.
//
// A refresh reads only the units whose source may have changed since it was
// last read: a unit whose file, include files and the folders they were
// looked up in all keep their sizes and times, and whose routine rows are as
// that read left them, is passed over, its rows stamped as found and its
// size taken from its stamp. The rows come out as a full read would give
// them. `AllUnits` reads every unit whatever its stamps.
//
// A document with a Configuration (a new one gets `configuration`; a refresh
// keeps the row's) follows conditional compilation with that configuration's
// defines; the build's report tells how many conditionals it decided and how
// many it could not. An unknown configuration ends the build before anything
// is written.
enum class RefreshReading { ChangedUnits, AllUnits };
struct BuildReport {
    ConditionalCounts conditionals; // of the units read, none when none was
    // The units whose file is there but could not be read, each as
    // "Unit1.pas: Source could not be read: permission denied (path)". The
    // first is left in the status text at the end, as the build shows no box.
    QStringList unitsNotRead;
};
BuildReport BuildDocument(TDM1& dm, const QString& projectPath, const QString& documentName,
                          bool refresh, BuildFeedback& feedback,
                          RefreshReading reading = RefreshReading::ChangedUnits,
                          const QString& configuration = {});

// Document names are stored with only the letters a to z raised.
QString UpperCaseDocumentName(const QString& name);
// A typed name as the store keeps it: raised, and cut to the width of
// DocName, so a long name is compared the way it will be stored.
QString StoredDocumentName(const QString& typed);
// Builds a new document of that (stored) name, unless the store holds one of
// that name already: false then, with nothing written. The name is looked
// for under the store's write lock, so two programs adding one name at once
// make one document. `configuration`, when given, is the build
// configuration the document follows.
bool BuildNewDocument(TDM1& dm, const QString& projectPath, const QString& name,
                      BuildFeedback& feedback, const QString& configuration = {});

} // namespace ink
