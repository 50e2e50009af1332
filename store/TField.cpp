#include "TField.h"

#include "DisplayFormat.h"
#include "TTable.h"

namespace ink {

TField::TField(TTable* table, int index, const QString& objectName)
    : QObject(table), table_(table), index_(index) {
    setObjectName(objectName);
}

const FieldDef& TField::definition() const {
    return table_->definition().fields.at(index_);
}

QVariant TField::value() const {
    return table_->currentValue(index_);
}

bool TField::isNull() const {
    return value().isNull();
}

QString TField::asString() const {
    const QVariant current = value();
    switch (definition().type) {
    case FieldType::DateTime:
    case FieldType::Boolean:
        return displayTextOf(current);
    default:
        return current.isNull() ? QString() : current.toString();
    }
}

int TField::asInteger() const {
    return value().toInt();
}

bool TField::asBoolean() const {
    return value().toBool();
}

QDateTime TField::asDateTime() const {
    return value().toDateTime();
}

void TField::setValue(const QVariant& value) {
    table_->setFieldValue(index_, value);
}

QString TField::displayText() const {
    return displayTextOf(value());
}

QString TField::displayTextOf(const QVariant& value) const {
    if (value.isNull())
        return {};
    switch (definition().type) {
    case FieldType::AutoInc:
    case FieldType::Integer:
        if (!displayFormat_.isEmpty())
            return formatNumber(value.toDouble(), displayFormat_);
        return QString::number(value.toLongLong());
    case FieldType::DateTime:
        return formatDateTime(value.toDateTime());
    case FieldType::Boolean:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case FieldType::Text:
    case FieldType::Memo:
        break;
    }
    return value.toString();
}

} // namespace ink
