#include "UndescribedDeclarations.h"

#include "Coverage.h"
#include "DeclarationDescriptions.h"
#include "Statement.h"

namespace ink {

QSet<int> UnitsWithUndescribedDeclarations(Database& db, int docNo) {
    const QHash<int, QHash<QString, QString>> shared = RoutineDescriptions(db, docNo);
    Statement rows(db,
                   QStringLiteral("SELECT d.UnitNo, d.DeclKind, d.DeclName, d.Description, ") +
                       DeclarationLeftTheSourceSql(QStringLiteral("d"), QStringLiteral("u"), 1) +
                       QStringLiteral(" FROM DeclsLib d LEFT JOIN UnitsLib u ON u.UnitNo = "
                                      "d.UnitNo WHERE d.DocNo = ?2"));
    BindLastScan(rows, 1, StoredLastScan(db, docNo));
    rows.bindInteger(2, docNo);
    QSet<int> units;
    while (rows.step()) {
        const int unitNo = int(rows.integerAt(0));
        if (units.contains(unitNo) || rows.integerAt(4) != 0)
            continue;
        const DeclarationDescription shown =
            DescriptionShown(rows.textAt(1), rows.textAt(2), rows.textAt(3), shared.value(unitNo));
        if (!IsDescribed(shown.text))
            units.insert(unitNo);
    }
    return units;
}

} // namespace ink
