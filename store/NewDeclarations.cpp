#include "NewDeclarations.h"

#include <climits>

#include "Backend.h"
#include "Database.h"
#include "FieldText.h"
#include "FieldValue.h"
#include "TDM1.h"
#include "UserError.h"

namespace ink {

namespace {

const TableDef& decls() {
    return TDM1::declsDefinition();
}

// Parameter numbers (from 1, in field order) of DeclsLib's fields that are
// not the declaration's own.
struct Columns {
    int declNo, docNo, unitNo, parentNo, description, lastSeen, changedFrom;
};

int parameterOf(const char* name) {
    return decls().indexOf(QLatin1String(name)) + 1;
}

const Columns& columns() {
    static const Columns c{parameterOf("DeclNo"),      parameterOf("DocNo"),
                           parameterOf("UnitNo"),      parameterOf("ParentNo"),
                           parameterOf("Description"), parameterOf("LastSeen"),
                           parameterOf("ChangedFrom")};
    return c;
}

// A number as an Integer field holds it (a 32-bit signed value).
qint64 storedInteger(int parameter, qint64 value) {
    if (value < INT_MIN || value > INT_MAX)
        throw UserError(QStringLiteral("'%1' is not a valid integer value for field '%2'")
                            .arg(value)
                            .arg(decls().fields[parameter - 1].name));
    return value;
}

} // namespace

NewDeclarations::NewDeclarations(Database& db, const QDateTime& stamp)
    : db_(db), insert_(db.backend().prepareInsert(decls())), server_(db.isServer()) {
    // Looked up once: a build binds several texts to each of its rows.
    for (const FieldDef& field : decls().fields)
        notNull_.push_back(decls().notNullFields.contains(field.name));
    for (const DeclarationField& field : DeclarationFields())
        declarationParameters_.push_back(parameterOf(field.column));
    const FieldDef& lastSeen = decls().fields[columns().lastSeen - 1];
    const QVariant stored = storedValue(lastSeen, stamp);
    if (!stored.isNull())
        stamp_ = storedDateTimeText(stored.toDateTime());
}

NewDeclarations::~NewDeclarations() = default;

// Text as the field stores it: cut to a Text field's width, a memo's line
// breaks CR LF, nothing for empty text.
void NewDeclarations::bindText(int parameter, const QString& text) {
    const FieldDef& field = decls().fields[parameter - 1];
    if (text.isEmpty()) {
        if (notNull_[std::size_t(parameter - 1)])
            throw UserError(QStringLiteral("Field '%1' must have a value").arg(field.name));
        insert_.bindNull(parameter);
        return;
    }
    // A server takes text as C strings and would keep only what comes before
    // a NUL; refused as an append refuses it, naming the row.
    if (server_ && text.contains(QChar(0)))
        throw UserError(QStringLiteral("Cannot store the %1 of the %2 row in \"%3\": it holds a "
                                       "NUL character, which a server store cannot keep in "
                                       "text. Remove the character and try again.")
                            .arg(field.name, decls().name, db_.name()));
    if (field.type == FieldType::Memo)
        insert_.bindText(parameter, withStoredLineBreaks(text));
    else
        insert_.bindText(parameter, cutToWidth(text, field.size));
}

void NewDeclarations::bindField(int parameter, const QVariant& value) {
    if (value.typeId() == QMetaType::Int)
        insert_.bindInteger(parameter, value.toInt());
    else
        bindText(parameter, StoredText(value));
}

qint64 NewDeclarations::insert(const DeclarationPlace& place, const Declaration& declaration) {
    const Columns& c = columns();
    // Every parameter is bound for each row: an engine may keep what it
    // hands back (the new number) in the auto-number's place.
    for (int parameter : {c.declNo, c.description, c.changedFrom})
        insert_.bindNull(parameter);
    insert_.bindInteger(c.docNo, storedInteger(c.docNo, place.docNo));
    insert_.bindInteger(c.unitNo, storedInteger(c.unitNo, place.unitNo));
    insert_.bindInteger(c.parentNo, storedInteger(c.parentNo, place.parentNo));
    const std::span<const DeclarationField> fields = DeclarationFields();
    for (std::size_t i = 0; i < fields.size(); ++i)
        bindField(declarationParameters_[i], fields[i].stored(declaration, place.unitFile));
    if (!stamp_.isEmpty())
        insert_.bindText(c.lastSeen, stamp_);
    else
        insert_.bindNull(c.lastSeen);
    insert_.step();
    const qint64 number = insert_.integerAt(0);
    insert_.run(); // to its end, so the write is complete
    return number;
}

} // namespace ink
