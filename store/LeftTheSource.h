#pragma once
#include <QString>
#include <QVariant>

namespace ink {

class Database;
class Statement;

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

} // namespace ink
