#include "SourceStampsWriter.h"

#include "FieldValue.h"
#include "TDM1.h"

namespace ink {

SourceStampsWriter::SourceStampsWriter(Database& db)
    : update_(db, QStringLiteral("UPDATE UnitsLib SET SourceStamps = ?1 WHERE UnitNo = ?2")) {}

void SourceStampsWriter::write(qint64 unitNo, const QString& stamps) {
    const TableDef& units = TDM1::unitsDefinition();
    // Stored as the cursor stores a memo field (its line breaks, empty as
    // null), so that a reload reads what a post would have written.
    const FieldDef& field = units.fields[units.indexOf(QStringLiteral("SourceStamps"))];
    bindValue(update_, 1, field, storedValue(field, stamps));
    update_.bindInteger(2, unitNo);
    update_.run();
}

} // namespace ink
