#include "DeclarationDescriptions.h"

#include "Statement.h"

namespace ink {

bool SharesRoutineDescription(const QString& declKind) {
    return declKind == QLatin1String("procedure") || declKind == QLatin1String("function");
}

DeclarationDescription DescriptionShown(const QString& declKind, const QString& declName,
                                        const QString& ownDescription,
                                        const QHash<QString, QString>& routineDescriptions) {
    // Own text of blanks only is no description of its own: the user
    // cleared it.
    if (!ownDescription.trimmed().isEmpty() || !SharesRoutineDescription(declKind))
        return {ownDescription, false};
    const QString shared = routineDescriptions.value(declName.toCaseFolded());
    if (shared.trimmed().isEmpty())
        return {ownDescription, false};
    return {shared, true};
}

QHash<int, QHash<QString, QString>> RoutineDescriptions(Database& db, int docNo, int unitNo) {
    Statement rows(db, QStringLiteral("SELECT UnitNo, ProcName, Description FROM ProcsLib "
                                      "WHERE DocNo = ?1 AND (?2 = 0 OR UnitNo = ?2) "
                                      "AND Description IS NOT NULL ORDER BY UnitNo, ProcNo"));
    rows.bindInteger(1, docNo);
    rows.bindInteger(2, unitNo);
    QHash<int, QHash<QString, QString>> result;
    while (rows.step()) {
        QHash<QString, QString>& unit = result[int(rows.integerAt(0))];
        const QString name = rows.textAt(1).toCaseFolded();
        // One routine row per name is the rule; should a store hold two,
        // the first is the one the Procedures page finds.
        if (!unit.contains(name))
            unit.insert(name, rows.textAt(2));
    }
    return result;
}

} // namespace ink
