#pragma once
#include <optional>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace ink {

class Database;
class Statement;

// A description counts once it holds a word: a letter or a digit. Blanks,
// line breaks and the asterisks of a separator line are not a description.
// Coverage, the report's outputs and the aids that fill empty descriptions
// all go by this one rule.
bool IsDescribed(const QString& description);

// A row has left the source when the document's last scan did not see it:
// it was last seen before that scan, or never since scans were recorded. A
// document never scanned by a version that records them has no missing rows.
bool LeftTheSource(const QVariant& lastSeen, const QVariant& lastScan);
// The same test in SQL, for a query that reads the stamps as the store keeps
// them: `lastSeen` and `lastScan` are expressions (a column, a parameter).
QString LeftTheSourceSql(const QString& lastSeen, const QString& lastScan);

// Declarations are judged per unit: a refresh writes none that did not
// change, so a declaration left the source when it was last seen before its
// unit's DeclsSeen, the last read that missed one of them. A unit without
// DeclsSeen (as every unit of a store from before) is judged by the
// document's LastScan, as routines are. Every place that shows or counts
// missing declarations goes by this rule.
QVariant DeclarationsJudgedBy(const QVariant& declsSeen, const QVariant& lastScan);
bool DeclarationLeftTheSource(const QVariant& lastSeen, const QVariant& declsSeen,
                              const QVariant& lastScan);
// The rule in SQL, for a query over DeclsLib `decls` joined (LEFT JOIN) with
// the declarations' unit row `units`, the document's LastScan as it is stored
// bound to parameter `lastScanParameter` (see BindLastScan).
QString DeclarationLeftTheSourceSql(const QString& decls, const QString& units,
                                    int lastScanParameter);

// The document's LastScan as the store keeps it (one sortable text form, so
// the store compares stamps itself), null when it has none; and that value
// bound to a statement's parameter.
QVariant StoredLastScan(Database& db, int docNo);
void BindLastScan(Statement& statement, int parameter, const QVariant& lastScan);

// The placeholder a unit without procedures or functions gets ("N/A"): a
// row of the list, but not a routine anyone documents. Queries that leave
// placeholders out compare ProcName with PlaceholderRoutineName bound as a
// parameter.
inline constexpr const char* PlaceholderRoutineName = "N/A";
bool IsPlaceholderRoutine(const QString& procName);

// A described share in tenths of a percent, rounded down, so that 99.96%
// never passes for 100%; 0 when there are no routines.
int describedPermille(qint64 described, qint64 routines);
// A share in tenths of a percent as the user reads it: "21.7%".
QString permilleText(int permille);

struct UnitCoverage {
    int unitNo = 0;
    QString unitName;
    bool unitDescribed = false;
    bool missing = false;    // the unit left the project
    int routines = 0;        // present routines, placeholders left out
    int described = 0;       // of those, the ones with a description
    int missingRoutines = 0; // routines that left the source
    int missingDescribed = 0;

    int permille() const { return describedPermille(described, routines); }
};

// How much of one document is described. Missing units and routines are
// counted apart and left out of the totals.
//
// A document whose units' declarations are kept is counted by its
// declarations (each counts as described by its own description or the one
// it shares with the routine row of its name); one refreshed last by a
// version that kept none, by its routine rows as before. The counts below
// are of whichever is counted, `counted` names it.
struct DocumentCoverage {
    QString counted = QStringLiteral("routines"); // or "declarations"

    QList<UnitCoverage> units; // in list order
    int routines = 0;
    int described = 0;
    int missingUnits = 0;
    int missingRoutines = 0;
    int missingDescribed = 0; // missing routines (also those of missing units) with a description

    int permille() const { return describedPermille(described, routines); }
    QString percentText() const { return permilleText(permille()); }
    // "Described: 1,234 of 5,678 routines (21.7%)", or "... declarations ..."
    QString statusText() const;
    // Whether the described share reaches `minimumPercent`, compared exactly.
    bool reaches(double minimumPercent) const;
};

// What is counted: the routine rows (what the report and the Procedures
// page show), or the declarations where the document has them.
enum class CoverageOf { Routines, Declarations };

// `kinds` chooses the declarations that count by their kind words
// ("class", "function", "property" ...); empty counts every kind.
DocumentCoverage ReadCoverage(Database& db, int docNo, CoverageOf of = CoverageOf::Routines,
                              const QStringList& kinds = {});

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
