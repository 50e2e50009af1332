#pragma once
#include <QDateTime>
#include <QObject>
#include <QVariant>

#include "TableDef.h"

namespace ink {

class TTable;

// A field object of a table (tblDocsDocNo, tblProcDescription, ...): reads and
// writes one field of the table's current or pending row.
class TField : public QObject {
    Q_OBJECT
public:
    TField(TTable* table, int index, const QString& objectName);

    TTable* table() const { return table_; }
    int index() const { return index_; }
    const FieldDef& definition() const;
    QString fieldName() const { return definition().name; }

    // The value of the current row (the pending row while editing or
    // inserting). With no current row, or an empty field: null / "" / 0 / false.
    QVariant value() const;
    bool isNull() const;
    QString asString() const;
    int asInteger() const;
    bool asBoolean() const;
    QDateTime asDateTime() const;

    // Sets the value in the pending row; the table must be editing or inserting
    // (TTable::setFieldValue). Text is cut to the field's width.
    void setValue(const QVariant& value);

    // The text a grid shows: DocSize as "#,0 KB", DocDate as the locale's short
    // date, a blank and its long time (time left out at 00:00:00); others plain.
    QString displayText() const;
    // Formats a stored value of this field the same way, for any row.
    QString displayTextOf(const QVariant& value) const;

    // "#,0 KB" style integer format; empty for none.
    void setDisplayFormat(const QString& format) { displayFormat_ = format; }

private:
    TTable* table_;
    int index_;
    QString displayFormat_;
};

} // namespace ink
