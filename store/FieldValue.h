#pragma once
#include <QDateTime>
#include <QVariant>

#include "TableDef.h"

namespace ink {

class Statement;

// How a field's values are held in memory and bound to statements. In memory an empty
// field is a null QVariant; otherwise Integer and AutoInc hold int, Text and
// Memo QString, DateTime QDateTime (whole seconds), Boolean bool.

// The value a field holds after storing `value`: text cut to the field's
// width, memo line breaks made CR LF, empty text as null. Throws UserError
// for a value the field's type cannot hold.
QVariant storedValue(const FieldDef& field, const QVariant& value);

// A moment as the store keeps it in text: "yyyy-MM-dd HH:mm:ss", local time.
QString storedDateTimeText(const QDateTime& moment);

void bindValue(Statement& statement, int parameter, const FieldDef& field, const QVariant& value);
QVariant readValue(const Statement& statement, int column, const FieldDef& field);

// Orders values of one field: null first, then by number, time or text.
int compareValues(const QVariant& a, const QVariant& b);

} // namespace ink
