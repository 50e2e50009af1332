#pragma once
#include <optional>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "LeftTheSource.h"
#include "model/Described.h"
#include "model/Placeholders.h"

namespace ink {

class Database;
class Statement;

// A described share in tenths of a percent, rounded down, so that 99.96%
// never passes for 100%; 0 when there are no routines.
int describedPermille(qint64 described, qint64 routines);
// A share in tenths of a percent as the user reads it: "21.7%".
QString permilleText(int permille);

// One figure of the coverage: how many rows of one kind are still in the
// source and how many of those are described. Those that left the source,
// or whose unit left the project, are counted apart and left out of the
// totals.
struct CoverageTally {
    int count = 0;
    int described = 0;
    int missing = 0;
    int missingDescribed = 0;

    int permille() const { return describedPermille(described, count); }
};

// What the described share of a document is of: its declarations where it
// keeps them (each described by its own description or the one it shares
// with the routine row of its name), else, in a document refreshed last by
// a version that kept none, its routine rows.
enum class Counted { Routines, Declarations };
// "routines" or "declarations", as every figure is labelled.
QString countedName(Counted counted);

struct UnitCoverage {
    int unitNo = 0;
    QString unitName;
    bool unitDescribed = false;
    bool missing = false; // the unit left the project
    Counted counted = Counted::Routines;
    CoverageTally routines;     // the rows of the routine list
    CoverageTally declarations; // of the kinds asked; none where the document keeps none

    // The tally the described share is of.
    const CoverageTally& countedTally() const {
        return counted == Counted::Declarations ? declarations : routines;
    }
    int permille() const { return countedTally().permille(); }
};

// The figures of one document, the one definition every place that shows
// them reads: the window's status bar and "Coverage" page, the report's
// title and the site's unit list, `inkwright-tool coverage` and `build`.
//
// Routines are the rows of the routine list that are routines
// (CountsAsRoutine); declarations are the declaration rows. A row counts
// as described by IsDescribed.
struct DocumentCoverage {
    Counted counted = Counted::Routines;
    QList<UnitCoverage> units; // in list order
    int missingUnits = 0;
    CoverageTally routines;
    CoverageTally declarations;

    const CoverageTally& countedTally() const {
        return counted == Counted::Declarations ? declarations : routines;
    }
    QString countedName() const { return ink::countedName(counted); }
    int permille() const { return countedTally().permille(); }
    QString percentText() const { return permilleText(permille()); }
    // "1,234 of 5,678 declarations (21.7%)", or "... routines ..."
    QString describedText() const;
    // "Described: " and the described text.
    QString statusText() const;
    // Whether the described share reaches `minimumPercent`, compared exactly.
    bool reaches(double minimumPercent) const;
};

// Whether a row of the routine list is a routine the figures count: the
// placeholder of a unit without procedures or functions is not, nor the
// row of a procedural type (RoutineMarkers.h). Every count of routines
// goes by this one rule.
bool CountsAsRoutine(const QString& procName);

// The figures of a document. `kinds` chooses the declarations that count
// by their kind words ("class", "function", "property" ...); empty counts
// every kind. Reads stores of every version, also those made before scans
// were stamped (where nothing has left the source).
DocumentCoverage ReadCoverage(Database& db, int docNo, const QStringList& kinds = {});
// The routine figures alone, for a summary that prints no other: the
// declarations are not read, and the described share is of the routines.
DocumentCoverage ReadRoutineCoverage(Database& db, int docNo);

// Whether the document has declaration rows (a store made before they were
// kept has none until the document's next refresh).
bool HasDeclarations(Database& db, int docNo);

struct RoutinePlace {
    int unitNo = 0;
    int procNo = 0;
};

// The next present routine without a description after (unitNo, procNo) in
// list order, across the document's units, starting over at its first unit;
// nothing when every routine is described.
std::optional<RoutinePlace> NextUndescribedRoutine(Database& db, int docNo, int unitNo, int procNo);

// "1,234", whatever the user's locale, as the status line is read by people
// and matched by scripts alike.
QString groupedNumber(qint64 number);

} // namespace ink
