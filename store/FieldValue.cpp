#include "FieldValue.h"

#include <climits>
#include <QDateTime>

#include "FieldText.h"
#include "Statement.h"
#include "UserError.h"

namespace ink {

namespace {

// Local date and time as SQLite's date functions read it.
const QString DateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QVariant storedInteger(const FieldDef& field, const QVariant& value) {
    if (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty())
        return {};
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    if (!ok || number < INT_MIN || number > INT_MAX)
        throw UserError(QStringLiteral("'%1' is not a valid integer value for field '%2'")
                            .arg(value.toString(), field.name));
    return int(number);
}

QVariant storedDateTime(const FieldDef& field, const QVariant& value) {
    if (value.typeId() == QMetaType::QString && value.toString().isEmpty())
        return {};
    QDateTime moment =
        value.typeId() == QMetaType::QDate ? value.toDate().startOfDay() : value.toDateTime();
    if (!moment.isValid())
        throw UserError(QStringLiteral("'%1' is not a valid date and time for field '%2'")
                            .arg(value.toString(), field.name));
    // The store keeps whole seconds; memory holds what a reload would give.
    moment = moment.toLocalTime();
    const QTime time = moment.time();
    moment.setTime(QTime(time.hour(), time.minute(), time.second()));
    return moment;
}

QVariant storedText(const FieldDef& field, const QVariant& value) {
    QString text = value.toString();
    if (field.type == FieldType::Memo)
        text = withStoredLineBreaks(text);
    else
        text = cutToWidth(text, field.size);
    if (text.isEmpty())
        return {};
    return text;
}

} // namespace

QVariant storedValue(const FieldDef& field, const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return {};
    switch (field.type) {
    case FieldType::AutoInc:
    case FieldType::Integer:
        return storedInteger(field, value);
    case FieldType::Boolean:
        return value.toBool();
    case FieldType::DateTime:
        return storedDateTime(field, value);
    case FieldType::Text:
    case FieldType::Memo:
        return storedText(field, value);
    }
    return {};
}

void bindValue(Statement& statement, int parameter, const FieldDef& field, const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        statement.bindNull(parameter);
        return;
    }
    switch (field.type) {
    case FieldType::AutoInc:
    case FieldType::Integer:
        statement.bindInteger(parameter, value.toLongLong());
        break;
    case FieldType::Boolean:
        statement.bindInteger(parameter, value.toBool() ? 1 : 0);
        break;
    case FieldType::DateTime:
        statement.bindText(parameter, value.toDateTime().toString(DateTimeFormat));
        break;
    case FieldType::Text:
    case FieldType::Memo:
        statement.bindText(parameter, value.toString());
        break;
    }
}

QVariant readValue(const Statement& statement, int column, const FieldDef& field) {
    if (statement.isNullAt(column))
        return {};
    switch (field.type) {
    case FieldType::AutoInc:
    case FieldType::Integer:
        return int(statement.integerAt(column));
    case FieldType::Boolean:
        return statement.integerAt(column) != 0;
    case FieldType::DateTime: {
        const QString text = statement.textAt(column);
        QDateTime moment = QDateTime::fromString(text, DateTimeFormat);
        if (!moment.isValid())
            moment = QDateTime::fromString(text, Qt::ISODate);
        return moment.isValid() ? QVariant(moment) : QVariant();
    }
    case FieldType::Text:
    case FieldType::Memo:
        return statement.textAt(column);
    }
    return {};
}

int compareValues(const QVariant& a, const QVariant& b) {
    const bool aNull = a.isNull();
    const bool bNull = b.isNull();
    if (aNull || bNull)
        return int(bNull) - int(aNull);
    switch (a.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Bool: {
        const qlonglong x = a.toLongLong();
        const qlonglong y = b.toLongLong();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case QMetaType::QDateTime: {
        const QDateTime x = a.toDateTime();
        const QDateTime y = b.toDateTime();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    default:
        return a.toString().compare(b.toString());
    }
}

QString columnType(const FieldDef& field) {
    switch (field.type) {
    case FieldType::AutoInc:
    case FieldType::Integer:
        return QStringLiteral("INTEGER");
    case FieldType::Text:
        return QStringLiteral("VARCHAR(%1)").arg(field.size);
    case FieldType::DateTime:
        return QStringLiteral("DATETIME");
    case FieldType::Boolean:
        return QStringLiteral("BOOLEAN");
    case FieldType::Memo:
        return QStringLiteral("TEXT");
    }
    return {};
}

} // namespace ink
