#include "DescriptionFill.h"

#include "Coverage.h"
#include "Database.h"
#include "FieldValue.h"
#include "Statement.h"
#include "TDM1.h"

namespace ink {

int FillEmptyDescriptions(Database& db, const QList<DescriptionFill>& fills) {
    const TableDef& units = TDM1::unitsDefinition();
    const FieldDef& memo = units.fields[units.indexOf(QStringLiteral("Description"))];
    Batch batch(db);
    Statement readUnit(db, QStringLiteral("SELECT Description FROM UnitsLib WHERE UnitNo = ?"));
    Statement readRoutine(db, QStringLiteral("SELECT Description FROM ProcsLib WHERE ProcNo = ?"));
    Statement writeUnit(db, QStringLiteral("UPDATE UnitsLib SET Description = ? WHERE UnitNo = ?"));
    Statement writeRoutine(db,
                           QStringLiteral("UPDATE ProcsLib SET Description = ? WHERE ProcNo = ?"));
    Statement readDeclaration;
    Statement writeDeclaration;
    bool declarationsPrepared = false;
    int written = 0;
    for (const DescriptionFill& fill : fills) {
        const bool unit = fill.kind == DescriptionFill::Kind::Unit;
        const bool declaration = fill.kind == DescriptionFill::Kind::Declaration;
        // Prepared only when needed: a store may not have the table yet.
        if (declaration && !declarationsPrepared) {
            declarationsPrepared = true;
            readDeclaration =
                Statement(db, QStringLiteral("SELECT Description FROM DeclsLib WHERE DeclNo = ?"));
            writeDeclaration = Statement(
                db, QStringLiteral("UPDATE DeclsLib SET Description = ? WHERE DeclNo = ?"));
        }
        Statement& read = declaration ? readDeclaration : unit ? readUnit : readRoutine;
        read.bindInteger(1, fill.number);
        const bool found = read.step();
        const bool empty = found && !IsDescribed(read.textAt(0));
        read.reset();
        if (!empty)
            continue;
        Statement& write = declaration ? writeDeclaration : unit ? writeUnit : writeRoutine;
        // Stored as a typed description is: CR LF line breaks.
        bindValue(write, 1, memo, storedValue(memo, fill.text));
        write.bindInteger(2, fill.number);
        write.run();
        ++written;
    }
    return written;
}

} // namespace ink
