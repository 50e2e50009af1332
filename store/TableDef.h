#pragma once
#include <QList>
#include <QString>
#include <QStringList>

namespace ink {

enum class FieldType {
    AutoInc,  // 32-bit number the store assigns when the row is first written
    Integer,  // 32-bit signed
    Text,     // at most `size` characters; longer values are cut silently
    DateTime, // local date and time
    Boolean,
    Memo, // text of any length, CR LF line breaks
};

struct FieldDef {
    QString name;
    FieldType type = FieldType::Text;
    int size = 0;          // characters, for Text only
    bool required = false; // checked by Post (and, for some, by the store itself)
    // A field added after the table's first layout, at its end. A stored
    // table that lacks such trailing fields is upgraded when it opens.
    bool addedLater = false;
};

struct IndexDef {
    QString name;
    QStringList fields;
};

// What a table is: its fields in order and its one primary index. The engine
// creates, opens and checks a table from this alone.
struct TableDef {
    QString name;
    QList<FieldDef> fields;
    IndexDef primaryIndex;
    // Fields the store itself refuses to write empty, even through Append.
    QStringList notNullFields;
    // A table added after the store's first layout: a store without it is
    // still this program's, and gains it when its tables are opened.
    bool addedLater = false;

    int indexOf(const QString& fieldName) const; // case-insensitive, -1 when absent
};

} // namespace ink
