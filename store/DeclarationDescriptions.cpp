#include "DeclarationDescriptions.h"

#include "Statement.h"

namespace ink {

QHash<int, RoutineDescriptionsByName> RoutineDescriptions(Database& db, int docNo, int unitNo) {
    Statement rows(db, QStringLiteral("SELECT UnitNo, ProcName, Description FROM ProcsLib "
                                      "WHERE DocNo = ?1 AND (?2 = 0 OR UnitNo = ?2) "
                                      "AND Description IS NOT NULL ORDER BY UnitNo, ProcNo"));
    rows.bindInteger(1, docNo);
    rows.bindInteger(2, unitNo);
    QHash<int, RoutineDescriptionsByName> result;
    while (rows.step())
        AddRoutineDescription(result[int(rows.integerAt(0))], rows.textAt(1), rows.textAt(2));
    return result;
}

} // namespace ink
