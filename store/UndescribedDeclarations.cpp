#include "UndescribedDeclarations.h"

#include "Coverage.h"
#include "DeclarationDescriptions.h"
#include "FieldValue.h"
#include "Statement.h"
#include "TDM1.h"

namespace ink {

QSet<int> UnitsWithUndescribedDeclarations(Database& db, int docNo) {
    QVariant lastScan;
    {
        Statement scan(db, QStringLiteral("SELECT LastScan FROM DocsLib WHERE DocNo = ?"));
        scan.bindInteger(1, docNo);
        if (scan.step() && !scan.isNullAt(0))
            lastScan = scan.textAt(0);
    }
    const QHash<int, QHash<QString, QString>> shared = RoutineDescriptions(db, docNo);
    const TableDef& decls = TDM1::declsDefinition();
    const FieldDef& lastSeen = decls.fields.at(decls.indexOf(QStringLiteral("LastSeen")));
    Statement rows(db, QStringLiteral("SELECT UnitNo, DeclKind, DeclName, Description, LastSeen "
                                      "FROM DeclsLib WHERE DocNo = ?"));
    rows.bindInteger(1, docNo);
    QSet<int> units;
    while (rows.step()) {
        const int unitNo = int(rows.integerAt(0));
        if (units.contains(unitNo) || LeftTheSource(readValue(rows, 4, lastSeen), lastScan))
            continue;
        const DeclarationDescription shown =
            DescriptionShown(rows.textAt(1), rows.textAt(2), rows.textAt(3), shared.value(unitNo));
        if (!IsDescribed(shown.text))
            units.insert(unitNo);
    }
    return units;
}

} // namespace ink
