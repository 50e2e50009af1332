#pragma once
#include <QList>
#include <QString>

namespace ink {

class Database;

// A description to put into a unit, routine or declaration that has none.
struct DescriptionFill {
    enum class Kind { Unit, Routine, Declaration } kind;
    qint64 number; // UnitNo, ProcNo or DeclNo
    QString text;
};

// Writes the fills in one transaction, each only where the row's description
// still holds no word when it is written: never over what someone typed.
// Returns how many were written.
int FillEmptyDescriptions(Database& db, const QList<DescriptionFill>& fills);

} // namespace ink
