// A project made into a stored document, or an existing one refreshed: its
// units and their routines matched to the rows already stored, so that no
// description is lost.
#include "BuildDocument.h"

#include <limits>
#include <optional>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <QSet>

#include "BuildConfiguration.h"
#include "DeclarationRows.h"
#include "PathParts.h"
#include "ProjectInput.h"
#include "ProjectReader.h"
#include "ScanAhead.h"
#include "SourceStamps.h"
#include "store/Database.h"
#include "store/FieldText.h"
#include "store/MissingSource.h"
#include "store/NewDeclarations.h"
#include "store/SeenStamps.h"
#include "store/SourceStampsWriter.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "store/UserError.h"
#include "UnitScanner.h"
#include "UnitSourceFinder.h"

namespace ink {

namespace {

// A name as the store keeps it, cut to its field's width, so that a search
// with a long name finds the row written with it.
QString asStored(const TTable& table, const char* fieldName, const QString& value) {
    const int index = table.definition().indexOf(QLatin1String(fieldName));
    return cutToWidth(value, table.definition().fields[index].size);
}

// Names match without regard to letter case, as the store's searches do.
QString matchKey(const QString& storedName) {
    return storedName.toCaseFolded();
}

QVariant textOrNull(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

void startDocument(TDM1& dm, const QString& projectPath, const QString& documentName, bool refresh,
                   const QString& configuration) {
    if (!refresh)
        dm.tblDocs->append({QVariant(), documentName, QVariant(), QDateTime::currentDateTime()});
    dm.tblDocs->edit();
    if (!refresh) {
        dm.tblDocsDPRFileName->setValue(projectPath);
        dm.tblDocsConfiguration->setValue(textOrNull(configuration));
    }
    dm.tblDocs->post();
}

// What the units of a document are read with: its configuration's defines,
// and the stamps of the option files that give them, kept with each unit so
// that a refresh reads the units again when the options change.
struct ReadingDefines {
    std::optional<BuildConfiguration> configuration;
    QList<FileStamp> optionStamps;
    const CompilerDefines* defines() const {
        return configuration ? &configuration->defines : nullptr;
    }
};

ReadingDefines readingDefines(const ConfiguredProject& project) {
    ReadingDefines reading;
    reading.configuration = project.configuration;
    // A document without a configuration reads every branch: its units do
    // not depend on the options' defines.
    if (project.configuration)
        for (const QString& file : project.options.optionFiles)
            reading.optionStamps << StampFile(file);
    return reading;
}

// Pairs the uses-clause entries with the document's stored unit rows, each
// row with one entry at most. Projects may name one unit twice from
// different folders (`A in 'x\A.pas'` and `A in 'y\A.pas'`), so a row is
// matched by the entry as a whole: first its name with the same `in` path,
// and only then, for an entry whose file moved, a row of that name that no
// entry of the same path claimed. An entry left without a row is new.
class UnitMatcher {
public:
    explicit UnitMatcher(const TTable& units)
        : units_(units), nameField_(units.definition().indexOf(QStringLiteral("UnitName"))),
          pathField_(units.definition().indexOf(QStringLiteral("UnitPath"))),
          claimed_(units.recordCount(), false) {
        for (int row = 0; row < units.recordCount(); ++row)
            rowsByName_[matchKey(units.rowValue(row, nameField_).toString())].append(row);
    }

    // The stored row of each entry, or -1 for an entry that has none.
    QList<int> match(const ProjectUnits& project) {
        const qsizetype count = project.units.size();
        QList<int> rows(count, -1);
        for (qsizetype i = 0; i < count; ++i)
            rows[i] = claim(project.units[i], project.paths.value(i), true);
        for (qsizetype i = 0; i < count; ++i)
            if (rows[i] < 0)
                rows[i] = claim(project.units[i], project.paths.value(i), false);
        // A project unit its options list is named by unit name; documents
        // read before kept it under its file name (chmdataprovider.pas for
        // ChmDataProvider). That row, at the same path, is the unit's, and
        // is renamed rather than left behind as gone with its descriptions.
        for (qsizetype i = 0; i < count; ++i) {
            const QString inPath = project.paths.value(i);
            const QString fileName = FileNamePart(inPath);
            if (rows[i] < 0 && !fileName.isEmpty() &&
                matchKey(fileName) != matchKey(project.units[i]))
                rows[i] = claim(fileName, inPath, true);
        }
        return rows;
    }

private:
    // The first unclaimed row of the entry's name (in unit number order),
    // with the same `in` path when `samePath`; it is claimed.
    int claim(const QString& name, const QString& inPath, bool samePath) {
        const auto rows = rowsByName_.constFind(matchKey(asStored(units_, "UnitName", name)));
        if (rows == rowsByName_.cend())
            return -1;
        const QString storedPath = asStored(units_, "UnitPath", inPath);
        for (int row : *rows) {
            if (claimed_[row])
                continue;
            if (samePath && units_.rowValue(row, pathField_)
                                    .toString()
                                    .compare(storedPath, Qt::CaseInsensitive) != 0)
                continue;
            claimed_[row] = true;
            return row;
        }
        return -1;
    }

    const TTable& units_;
    int nameField_;
    int pathField_;
    QList<bool> claimed_;
    QHash<QString, QList<int>> rowsByName_;
};

void writeUnits(TDM1& dm, const ProjectUnits& project, bool refresh, SeenStamps& seen,
                const QDateTime& stamp) {
    const QVariant docNo = dm.tblDocsDocNo->value();
    TTable& units = *dm.tblUnits;
    // Each stored row is paired with one entry at most, so no row is written
    // twice in one run: a second write would find the row changed by the
    // first and take it for another user's change.
    const QList<int> stored = refresh ? UnitMatcher(units).match(project) : QList<int>();
    const int formField = units.definition().indexOf(QStringLiteral("FormName"));
    const int pathField = units.definition().indexOf(QStringLiteral("UnitPath"));
    const int numberField = units.definition().indexOf(QStringLiteral("UnitNo"));
    const int nameField = units.definition().indexOf(QStringLiteral("UnitName"));
    bool stampedApart = false;
    for (qsizetype i = 0; i < project.units.size(); ++i) {
        const QString& name = project.units[i];
        const bool hasForm = i < project.forms.size();
        const QString form = hasForm ? project.forms[i] : QString();
        const QString inPath = project.paths.value(i);
        const int row = refresh ? stored[i] : -1;
        if (row >= 0) {
            const bool renamed = matchKey(units.rowValue(row, nameField).toString()) !=
                                 matchKey(asStored(units, "UnitName", name));
            // A unit found as it was is only stamped: the cursor stays, and
            // the unit's routines are not loaded for nothing.
            if (!renamed && (!hasForm || (units.rowValue(row, formField) == textOrNull(form) &&
                                          units.rowValue(row, pathField) == textOrNull(inPath)))) {
                seen.unitSeen(units.rowValue(row, numberField).toLongLong());
                stampedApart = true;
                continue;
            }
            units.moveTo(row);
            // Only what changed is written: a description saved by someone
            // else meanwhile stays.
            units.edit();
            if (renamed)
                dm.tblUnitsUnitName->setValue(name);
            if (hasForm) {
                dm.tblUnitsFormName->setValue(textOrNull(form));
                dm.tblUnitsUnitPath->setValue(textOrNull(inPath));
            }
            dm.tblUnitsLastSeen->setValue(stamp);
            units.post();
            continue;
        }
        // Its declarations, all new, are judged from this read on.
        units.append({docNo, QVariant(), name, textOrNull(form), QVariant(), textOrNull(inPath),
                      stamp, QVariant(), QVariant(), stamp});
    }
    // The units stamped beside the cursor are read again.
    if (stampedApart)
        units.refresh();
}

// Adds the routines the unit's scope does not hold yet; one of a name that
// is there already (an overload, or a refresh) is left alone, but for its
// declaration, which follows the source. Every routine found, stored before
// or not, is stamped as seen.
void writeRoutines(TDM1& dm, const UnitRoutines& found, SeenStamps& seen, const QDateTime& stamp) {
    TTable& procs = *dm.tblProc;
    const QVariant docNo = dm.tblUnitsDocNo->value();
    const QVariant unitNo = dm.tblUnitsUnitNo->value();
    const int nameField = procs.definition().indexOf(QStringLiteral("ProcName"));
    const int declarationField = procs.definition().indexOf(QStringLiteral("Declaration"));
    const int numberField = procs.definition().indexOf(QStringLiteral("ProcNo"));
    const int seenField = procs.definition().indexOf(QStringLiteral("LastSeen"));
    QHash<QString, int> known; // name -> row, the first of that name
    known.reserve(procs.recordCount());
    for (int row = procs.recordCount() - 1; row >= 0; --row)
        known.insert(matchKey(procs.rowValue(row, nameField).toString()), row);
    QSet<QString> written;
    for (const RoutineRow& row : found.rows) {
        const QString key = matchKey(asStored(procs, "ProcName", row.name));
        if (written.contains(key))
            continue;
        written.insert(key);
        const auto stored = known.constFind(key);
        if (stored == known.constEnd()) {
            procs.append({docNo, unitNo, QVariant(), row.name, row.procType, row.params, row.result,
                          QVariant(), textOrNull(row.declaration), stamp});
            continue;
        }
        // Only a declaration that changed is written: a description saved by
        // someone else meanwhile stays.
        if (procs.rowValue(*stored, declarationField).toString() == row.declaration) {
            if (procs.rowValue(*stored, seenField).toDateTime() != stamp)
                seen.routineSeen(procs.rowValue(*stored, numberField).toLongLong());
            continue;
        }
        procs.moveTo(*stored);
        procs.edit();
        dm.tblProcDeclaration->setValue(textOrNull(row.declaration));
        dm.tblProcLastSeen->setValue(stamp);
        procs.post();
    }
}

// What the unit's row keeps of a source that could not be read: a library
// unit's package, or where it was looked for, as the user would look.
QString missingNote(const UnitSourceLookup& lookup) {
    if (lookup.library)
        return LibraryUnitNote(lookup.libraryPackage);
    return NotFoundNote(lookup.lookedIn);
}

// Where the source of every unit of the document was found, in list order,
// and what to note of those that were not.
struct UnitSources {
    QStringList paths;
    // By row, for the units not found or of a library; a unit found has
    // nothing to note, should its file prove unreadable.
    QHash<int, QString> notes;
    QString note(int row) const { return notes.value(row); }
};

// Found without moving the cursor (a move would load each unit's routines).
// Only the paths and the few notes are kept: the build holds them to its end,
// and on a project of tens of thousands of units whole lookups would add
// megabytes to its peak.
UnitSources unitSources(TDM1& dm, const QString& projectPath, ProjectSearch& search) {
    const TTable& units = *dm.tblUnits;
    const int nameField = dm.tblUnitsUnitName->index();
    const int pathField = dm.tblUnitsUnitPath->index();
    UnitSourceFinder finder;
    UnitSources sources;
    sources.paths.reserve(units.recordCount());
    for (int row = 0; row < units.recordCount(); ++row) {
        UnitSourceLookup lookup =
            finder.locate(projectPath, units.rowValue(row, nameField).toString(),
                          units.rowValue(row, pathField).toString(), search);
        if (lookup.library || !lookup.lookedIn.isEmpty())
            sources.notes.insert(row, missingNote(lookup));
        sources.paths << std::move(lookup.path);
    }
    return sources;
}

// Keeps with the current unit where its source was looked for in vain, so
// that what shows the unit can say so instead of calling it empty, and the
// stamps of the files read, so that the next refresh can pass it over.
// Written only when either changed; the stamps beside the cursor (see
// SourceStampsWriter), so the rows in memory keep the ones they were read with.
void noteSource(TDM1& dm, SourceStampsWriter& stampsWriter, const QString& missingPath,
                const QString& stamps) {
    if (dm.tblUnitsMissingSource->asString() != missingPath) {
        dm.tblUnits->edit();
        dm.tblUnitsMissingSource->setValue(textOrNull(missingPath));
        dm.tblUnits->post();
    }
    if (dm.tblUnitsSourceStamps->asString() != stamps)
        stampsWriter.write(dm.tblUnitsUnitNo->asInteger(), stamps);
}

// The stamps of the unit at `row` when its source is as the last read found
// it and its rows are as that read left them (none deleted since), so that
// reading it again would change nothing. Stamps without a digest are older
// than the declarations' rows: where such a unit has no declaration rows it
// is read, so that a store made before they were kept gets them.
std::optional<UnitStamps> unchangedSource(const TDM1& dm, int row, const QString& source,
                                          const QHash<qint64, int>& routineRows,
                                          const QHash<qint64, int>& declarationRows,
                                          StampCheck& check) {
    const TTable& units = *dm.tblUnits;
    std::optional<UnitStamps> stamps =
        UnitStamps::fromText(units.rowValue(row, dm.tblUnitsSourceStamps->index()).toString());
    if (!stamps)
        return std::nullopt;
    const qint64 unitNo = units.rowValue(row, dm.tblUnitsUnitNo->index()).toLongLong();
    const bool declarationsAsLeft = stamps->digest.isEmpty()
                                        ? declarationRows.value(unitNo) > 0
                                        : declarationRows.value(unitNo) == stamps->declarationRows;
    if (routineRows.value(unitNo) != stamps->routineRows || !declarationsAsLeft ||
        !check.unchanged(*stamps, source))
        return std::nullopt;
    return stamps;
}

// The stamps of the unit at `row` when its last read is known (its digest)
// and its rows are as that read left them, its source found: a read that
// finds the same digest again would change nothing by writing (its
// declarations' judging stamp included, which only a store from before
// lacks). The files are left out: such a read stamps those it found.
std::optional<UnitStamps> lastReadOf(const TDM1& dm, int row, const QHash<qint64, int>& routineRows,
                                     const QHash<qint64, int>& declarationRows) {
    const TTable& units = *dm.tblUnits;
    if (units.rowValue(row, dm.tblUnitsDeclsSeen->index()).isNull() ||
        !units.rowValue(row, dm.tblUnitsMissingSource->index()).isNull())
        return std::nullopt;
    std::optional<UnitStamps> stamps =
        UnitStamps::fromText(units.rowValue(row, dm.tblUnitsSourceStamps->index()).toString());
    const qint64 unitNo = units.rowValue(row, dm.tblUnitsUnitNo->index()).toLongLong();
    if (!stamps || stamps->digest.isEmpty() || routineRows.value(unitNo) != stamps->routineRows ||
        declarationRows.value(unitNo) != stamps->declarationRows)
        return std::nullopt;
    stamps->files.clear();
    return stamps;
}

// The current unit, whose file is there but could not be read, is no unit
// that lost its source: what it declares is unknown, not gone. Its routines
// and declarations stay as the document's previous scan left them, found or
// left; only the placeholder rows of a unit read as empty are written, as for
// any unit. True when the unit's row was written beside the cursor.
bool keepUnreadUnit(TDM1& dm, SeenStamps& seen, const QDateTime& previousScan) {
    const qint64 unitNo = dm.tblUnitsUnitNo->asInteger();
    seen.unitRoutinesKept(dm.tblDocsDocNo->asInteger(), unitNo, previousScan);
    // Its declarations keep the read that judges them; one of a store from
    // before, judged by the document's scan until now, keeps that one.
    if (dm.tblUnitsDeclsSeen->isNull() && previousScan.isValid()) {
        seen.unitDeclarationsJudgedBy(unitNo, previousScan);
        return true;
    }
    return false;
}

qint64 scanUnits(TDM1& dm, const QString& projectPath, ProjectSearch& search, SeenStamps& seen,
                 const QDateTime& stamp, bool refresh, RefreshReading reading,
                 const ReadingDefines& defines, BuildReport& report, BuildFeedback& feedback) {
    TTable& units = *dm.tblUnits;
    const UnitSources lookups = unitSources(dm, projectPath, search);
    const QStringList& sources = lookups.paths;
    const int count = units.recordCount();
    // Which units need reading is settled before the first is read, so the
    // scanning thread is handed only those.
    QList<std::optional<UnitStamps>> unchanged(count);
    QStringList toRead;
    const QHash<qint64, int> routineRows =
        SeenStamps::routineRowsByUnit(dm.database(), dm.tblDocsDocNo->asInteger());
    const QHash<qint64, int> declarationRows =
        SeenStamps::declarationRowsByUnit(dm.database(), dm.tblDocsDocNo->asInteger());
    if (reading == RefreshReading::ChangedUnits) {
        StampCheck check;
        for (int row = 0; row < count; ++row)
            unchanged[row] =
                unchangedSource(dm, row, sources[row], routineRows, declarationRows, check);
    }
    // Of each unit to read, its last read where a read that finds it again
    // writes nothing (see lastReadOf): settled before the first is read, as
    // no unit's writing changes another's.
    std::vector<std::optional<UnitStamps>> lastReads;
    for (int row = 0; row < count; ++row) {
        if (!unchanged[row]) {
            toRead << sources[row];
            lastReads.push_back(lastReadOf(dm, row, routineRows, declarationRows));
        }
    }
    // The digest is taken on the reading thread, and where it is the last
    // read's the rows are let go there: freeing them there is a thread's own
    // memory, where this thread would free another's.
    const auto judgeRead = [&lastReads](qsizetype index, UnitScan& scan) {
        if (scan.routines.unreadable)
            return;
        scan.digest = ReadDigest(scan);
        const std::optional<UnitStamps>& last = lastReads[std::size_t(index)];
        if (last && last->digest == scan.digest) {
            scan.routines.rows = {};
            scan.declarations.declarations = {};
            scan.rowsLetGo = true;
        }
    };
    // A refresh mostly finds units as their last read left them and writes
    // little: this thread then mostly waits for the readers, which get its core.
    ScanAhead scanner(toRead, QFileInfo(projectPath).absolutePath(), search.includeFolders(),
                      defines.defines(), ScanAhead::defaultWorkers(refresh),
                      ScanAhead::MostBytesAhead, judgeRead);
    qsizetype readIndex = 0;
    const qint64 docNo = dm.tblDocsDocNo->asInteger();
    qint64 totalBytes = 0;
    feedback.setProgressMaximum(count);
    NewDeclarations newDeclarations(dm.database(), stamp);
    // Not yet this build's: the document is stamped at its end.
    const QDateTime previousScan = dm.tblDocsLastScan->asDateTime();
    bool writtenApart = false;
    SourceStampsWriter stampsWriter(dm.database());
    for (int row = 0; row < count; ++row) {
        if (const std::optional<UnitStamps>& stamps = unchanged[row]) {
            // Passed over without moving to it: a move would load its routines.
            const qint64 unitNo = units.rowValue(row, dm.tblUnitsUnitNo->index()).toLongLong();
            seen.unitRoutinesSeenAgain(docNo, unitNo, stamps->read);
            if (units.rowValue(row, dm.tblUnitsDeclsSeen->index()).isNull()) {
                seen.unitDeclarationsJudgedBy(unitNo, stamps->read);
                writtenApart = true;
            }
            totalBytes += stamps->files.first().size;
            feedback.stepProgress();
            continue;
        }
        UnitScan scan = scanner.next();
        const std::optional<UnitStamps>& last = lastReads[std::size_t(readIndex++)];
        UnitRoutines& found = scan.routines;
        totalBytes += found.fileSize;
        report.conditionals += found.conditionals;
        if (!found.sources.isEmpty())
            found.sources += defines.optionStamps;
        const QString& digest = scan.digest; // empty when unreadable
        if (scan.rowsLetGo) {
            // Not moved to either: reading its rows would find nothing to write.
            const qint64 unitNo = units.rowValue(row, dm.tblUnitsUnitNo->index()).toLongLong();
            seen.unitRoutinesSeenAgain(docNo, unitNo, last->read);
            UnitStamps now = *last;
            now.files = found.sources;
            const QString text = now.toText();
            if (text != units.rowValue(row, dm.tblUnitsSourceStamps->index()).toString()) {
                stampsWriter.write(unitNo, text);
                writtenApart = true;
            }
            feedback.stepProgress();
            continue;
        }
        units.moveTo(row);
        writeRoutines(dm, found, seen, stamp);
        if (!found.readFailure.isEmpty()) {
            writtenApart |= keepUnreadUnit(dm, seen, previousScan);
            const QString note =
                UnreadableNote(found.readFailure, QDir::toNativeSeparators(sources[row]));
            noteSource(dm, stampsWriter, note, QString());
            report.unitsNotRead << dm.tblUnitsUnitName->asString() + QStringLiteral(": ") +
                                       MissingSourceText(note);
            feedback.stepProgress();
            continue;
        }
        const int declarationsAfter =
            WriteDeclarations(dm, scan.declarations, seen, newDeclarations, stamp);
        const UnitStamps read{stamp, dm.tblProc->recordCount(), found.sources, digest,
                              declarationsAfter};
        noteSource(dm, stampsWriter, found.unreadable ? lookups.note(row) : QString(),
                   found.unreadable ? QString() : read.toText());
        feedback.stepProgress();
    }
    // The build ends on the document's last unit, read or not.
    if (count > 0 && units.recNo() != count - 1)
        units.last();
    seen.finish();
    if (writtenApart)
        units.refresh();
    return totalBytes;
}

// The rows a refresh changes are read once the batch holds the write lock, so
// nothing another program saved before it is written back stale.
void readAgainUnderTheWriteLock(TDM1& dm) {
    const QVariant docNo = dm.tblDocsDocNo->value();
    dm.tblDocs->refresh();
    if (dm.tblDocsDocNo->value() != docNo)
        throw UserError(QStringLiteral("The document was deleted by another program; there is "
                                       "nothing to refresh."));
    dm.tblUnits->refresh();
    // Also the routines and declarations kept in memory for the units seen before.
    dm.tblProc->refresh();
    dm.tblDecls->refresh();
}

void stampDocument(TDM1& dm, qint64 totalBytes, const QDateTime& scanStamp) {
    const qint64 kilobytes = std::min<qint64>(totalBytes / 1024, std::numeric_limits<int>::max());
    dm.tblDocs->edit();
    dm.tblDocsDocSize->setValue(int(kilobytes));
    dm.tblDocsDocDate->setValue(QDateTime::currentDateTime());
    dm.tblDocsLastScan->setValue(scanStamp);
    dm.tblDocs->post();
    // The routines and declarations found again were stamped beside the
    // cursor: those in view are read again.
    dm.tblProc->refresh();
    dm.tblDecls->refresh();
}

} // namespace

BuildReport BuildDocument(TDM1& dm, const QString& projectPath, const QString& documentName,
                          bool refresh, BuildFeedback& feedback, RefreshReading reading,
                          const QString& configuration) {
    // Settled before anything is written: an unknown configuration makes no
    // document and changes none.
    const QString configurationName = refresh ? dm.tblDocsConfiguration->asString() : configuration;
    ConfiguredProject configured = ReadConfiguredProject(projectPath, configurationName);
    const ReadingDefines defines = readingDefines(configured);
    BuildReport report;
    feedback.setProgressPosition(0);
    feedback.setStatusText(QStringLiteral("Updating:"));
    // What is left in the status bar at the end: nothing, or what could not be read.
    QString endStatus;
    const auto clearStatus = qScopeGuard([&] { feedback.setStatusText(endStatus); });
    Database& db = dm.database();
    try {
        ProjectInput input = ReadProjectInput(std::move(configured.options), defines.defines());
        // One batch for the whole build; it commits on every path, so an
        // error still leaves every row written before it.
        Batch batch(db);
        if (refresh)
            readAgainUnderTheWriteLock(dm);
        if (refresh && OptionFilesChangedSince(input.options, dm.tblDocsLastScan->asDateTime()))
            reading = RefreshReading::AllUnits;
        startDocument(dm, projectPath, documentName, refresh, configuration);
        const ProjectUnits& project = input.units;
        if (!project.error.isEmpty())
            feedback.showError(project.error);
        const QDateTime stamp = SeenStamps::nextScanStamp(db, dm.tblDocsDocNo->asInteger());
        SeenStamps seen(db, stamp);
        writeUnits(dm, project, refresh, seen, stamp);
        // The units' rows hold what the reading needs of the list from here.
        input.units = ProjectUnits();
        stampDocument(dm,
                      scanUnits(dm, projectPath, input.search, seen, stamp, refresh, reading,
                                defines, report, feedback),
                      stamp);
    } catch (const UserError&) {
        // When the batch could not be kept at all, that is what the user
        // must hear, rather than the write that went wrong first.
        if (!db.lostWrites().isEmpty())
            throw UserError(db.lostWrites());
        throw;
    }
    if (!report.unitsNotRead.isEmpty()) {
        endStatus = report.unitsNotRead.first();
        if (const qsizetype more = report.unitsNotRead.size() - 1; more > 0)
            endStatus += QStringLiteral("; %1 more %2 could not be read either")
                             .arg(more)
                             .arg(more == 1 ? QStringLiteral("unit") : QStringLiteral("units"));
    }
    if (defines.configuration)
        feedback.conditionalsRead(*defines.configuration, report.conditionals);
    return report;
}

QString UpperCaseDocumentName(const QString& name) {
    QString upper = name;
    for (QChar& c : upper)
        if (c >= QChar('a') && c <= QChar('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return upper;
}

QString StoredDocumentName(const QString& typed) {
    const TableDef& docs = TDM1::docsDefinition();
    return cutToWidth(UpperCaseDocumentName(typed),
                      docs.fields[docs.indexOf(QStringLiteral("DocName"))].size);
}

bool BuildNewDocument(TDM1& dm, const QString& projectPath, const QString& name,
                      BuildFeedback& feedback, const QString& configuration) {
    Database& db = dm.database();
    try {
        Batch batch(db);
        dm.tblDocs->refresh();
        if (dm.tblDocs->locate(QStringLiteral("DocName"), name))
            return false;
        BuildDocument(dm, projectPath, name, false, feedback, RefreshReading::ChangedUnits,
                      configuration);
    } catch (const UserError&) {
        // A batch that could not be kept at all is what the user must hear.
        if (!db.lostWrites().isEmpty())
            throw UserError(db.lostWrites());
        throw;
    }
    return true;
}

} // namespace ink
