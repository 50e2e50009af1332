// inkwright-tool build PROJECT_FILE --data DIR|--db URL [--name NAME]
//                      [--config NAME|--every-branch]
// inkwright-tool refresh DOCNO --data DIR|--db URL [--full]
// Build or refresh a document with the very same code as the window, and
// print one line: docno, units, routines and size_kb, tab-separated; a
// refresh adds missing_units and missing_routines, what it did not find. A
// refresh reads only the units whose files changed; --full reads every one.
// Units whose source was not found are named on standard error; so are those
// whose file is there but could not be read, which make the exit status 1
// once everything else is done. A document
// built with --config follows conditional compilation with that
// configuration's defines, and so do its refreshes; both then print on
// standard error how many conditionals could not be decided and were read
// as without defines. Without --config, a project whose options name the
// configuration it is built with (a .dproj's default, a .lpi's active build
// mode) is built with that one, as the window's Add does; --every-branch
// reads every branch instead.
#include <QFileInfo>

#include "DefinesOptions.h"
#include "scan/BuildDocument.h"
#include "scan/FreedMemory.h"
#include "store/Coverage.h"
#include "store/Database.h"
#include "store/MissingSource.h"
#include "store/RegularFile.h"
#include "store/Statement.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "ToolCommand.h"
#include "ToolStore.h"

using namespace ink;

namespace {

// A build from the command line holds its memory to about this much (see
// SetMemoryHeldBound); past it, it gives back freed memory at once, at the
// cost of some time. The window keeps no such bound.
constexpr qint64 MemoryHeldBound = 84 * 1024 * 1024;

// The build's feedback on a terminal: nothing but its error messages.
class ConsoleFeedback : public BuildFeedback {
public:
    explicit ConsoleFeedback(QTextStream& err) : err_(err) {}
    void setStatusText(const QString&) override {}
    void setProgressVisible(bool) override {}
    void setProgressMaximum(int) override {}
    void setProgressPosition(int) override {}
    void stepProgress() override {}
    void showError(const QString& text) override {
        err_ << text << '\n';
        failed = true;
    }
    void conditionalsRead(const BuildConfiguration& configuration,
                          const ConditionalCounts& counts) override {
        err_ << conditionalsLine(configuration, counts) << '\n';
    }
    bool failed = false;

private:
    QTextStream& err_;
};

// The routines are counted as the window, the coverage and the report count
// them: those found in the source, without the "N/A" placeholder rows of
// units that declare none; what left the source is counted apart.
void printSummary(TDM1& dm, QTextStream& out, bool withMissing = false) {
    const int docNo = dm.tblDocsDocNo->asInteger();
    const DocumentCoverage coverage = ReadRoutineCoverage(dm.database(), docNo);
    out << "docno\t" << docNo << "\tunits\t" << dm.tblUnits->recordCount() << "\troutines\t"
        << coverage.routines.count << "\tsize_kb\t" << dm.tblDocsDocSize->asInteger();
    if (withMissing)
        out << "\tmissing_units\t" << coverage.missingUnits << "\tmissing_routines\t"
            << coverage.routines.missing;
    out << '\n';
}

// The units whose source the build did not read, on standard error: a
// library unit or a moved file is not a unit without routines. Those are no
// failure; a file that is there and could not be read is (true), though the
// rest of the document was built.
bool reportMissingSources(TDM1& dm, QTextStream& err) {
    Statement units(dm.database(),
                    QStringLiteral("SELECT UnitName, MissingSource FROM UnitsLib WHERE DocNo = ?1 "
                                   "AND MissingSource IS NOT NULL ORDER BY UnitNo"));
    units.bindInteger(1, dm.tblDocsDocNo->asInteger());
    bool unreadable = false;
    while (units.step()) {
        const QString note = units.textAt(1);
        if (IsLibraryUnitNote(note)) {
            err << MissingSourceText(note) << ": unit " << units.textAt(0) << '\n';
        } else if (IsUnreadableNote(note)) {
            err << "Source of unit " << units.textAt(0) << ' ' << note << '\n';
            unreadable = true;
        } else {
            err << "Source not found for unit " << units.textAt(0) << ": " << note << '\n';
        }
    }
    return unreadable;
}

int runBuild(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    SetMemoryHeldBound(MemoryHeldBound);
    QStringList args = arguments;
    QString storeProblem;
    const std::optional<StoreAddress> data = takeStoreOption(args, &storeProblem);
    QString name = takeOption(args, QStringLiteral("--name"));
    QString configuration = takeOption(args, QStringLiteral("--config"));
    const bool everyBranch = args.removeAll(QStringLiteral("--every-branch")) > 0;
    if (args.size() != 1 || !data || (everyBranch && !configuration.isEmpty())) {
        err << usageWithProblem("build PROJECT_FILE --data DIR|--db URL [--name NAME] [--config "
                                "NAME|--every-branch]",
                                storeProblem);
        return 2;
    }
    const QString project = QFileInfo(args.first()).absoluteFilePath();
    if (configuration.isEmpty() && !everyBranch)
        configuration = ProjectDefaultConfiguration(project);
    if (name.isEmpty())
        name = QFileInfo(project).completeBaseName();
    name = StoredDocumentName(name);
    // The window's open-file dialog only hands over a file that is there; a
    // script may name anything. A build from a file that cannot be read would
    // leave an empty document whose name then refuses the retry, so nothing
    // is made (not even the store) until the file has been opened.
    if (QFile file; !OpenRegularFile(file, project)) {
        err << "File " << project << " could not be opened. No document was made.\n";
        return 1;
    }

    ToolStore store(*data, ToolStore::Missing::Create);
    TDM1& dm = store.dm();
    ConsoleFeedback feedback(err);
    if (!BuildNewDocument(dm, project, name, feedback, configuration)) {
        err << "A document named " << name << " exists already; choose another with --name.\n";
        return 1;
    }
    printSummary(dm, out);
    out.flush();
    const bool unreadable = reportMissingSources(dm, err);
    return feedback.failed || unreadable ? 1 : 0;
}

int runRefresh(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    SetMemoryHeldBound(MemoryHeldBound);
    QStringList args = arguments;
    const bool full = args.removeAll(QStringLiteral("--full")) > 0;
    QString storeProblem;
    const std::optional<DocumentArguments> document = takeDocumentArguments(args, &storeProblem);
    if (!document) {
        err << usageWithProblem("refresh DOCNO --data DIR|--db URL [--full]", storeProblem);
        return 2;
    }
    ToolStore store(document->store);
    TDM1& dm = store.dm();
    if (!moveToDocument(dm, document->docNo)) {
        err << noSuchDocument(document->docNo, document->store) << '\n';
        return 1;
    }
    ConsoleFeedback feedback(err);
    BuildDocument(dm, dm.tblDocsDPRFileName->asString(), dm.tblDocsDocName->asString(), true,
                  feedback, full ? RefreshReading::AllUnits : RefreshReading::ChangedUnits);
    printSummary(dm, out, true);
    out.flush();
    const bool unreadable = reportMissingSources(dm, err);
    return feedback.failed || unreadable ? 1 : 0;
}

const ToolCommandRegistration buildRegistration({
    QStringLiteral("build"),
    QStringLiteral("build PROJECT_FILE --data DIR|--db URL [--name NAME] [--config "
                   "NAME|--every-branch]   document a project in DIR, as the configuration its "
                   "options name compiles it unless told otherwise; routines counts those found, "
                   "without placeholder rows"),
    runBuild,
});
const ToolCommandRegistration refreshRegistration({
    QStringLiteral("refresh"),
    QStringLiteral("refresh DOCNO --data DIR|--db URL [--full]   refresh a document from its "
                   "project files (--full: read every unit, not only those whose files "
                   "changed); routines counts those found, missing_routines those that left"),
    runRefresh,
});

} // namespace
