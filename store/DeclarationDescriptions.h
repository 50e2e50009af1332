#pragma once
#include <QHash>
#include <QString>

namespace ink {

class Database;

// A routine declaration (a procedure or a function, of the unit or of a
// type) that has no description of its own shows the description of the
// unit's routine row of its name, marked as shared: stores made before the
// declarations were kept hold their words there, and the Procedures page
// goes on showing and editing them. Nothing is copied, so no description
// exists twice; the declaration gets its own the moment one is typed for it.
bool SharesRoutineDescription(const QString& declKind);

struct DeclarationDescription {
    QString text;
    bool shared = false; // the routine row's, not the declaration's own
};

// The description a declaration shows: its own when it holds anything,
// else, for a routine kind, the one of the routine row named `declName` in
// `routineDescriptions` (case-folded names -> descriptions, of its unit).
DeclarationDescription DescriptionShown(const QString& declKind, const QString& declName,
                                        const QString& ownDescription,
                                        const QHash<QString, QString>& routineDescriptions);

// The routine rows' descriptions of one unit (or, with unitNo 0, of every
// unit of the document), by unit number, then case-folded name.
QHash<int, QHash<QString, QString>> RoutineDescriptions(Database& db, int docNo, int unitNo = 0);

} // namespace ink
