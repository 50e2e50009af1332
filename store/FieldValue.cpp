#include "FieldValue.h"

#include <climits>
#include <QDateTime>

#include "FieldText.h"
#include "Statement.h"
#include "UserError.h"

namespace ink {

namespace {

// A number as the rows hold it (mostly int), read without Qt's general
// conversion, which costs more than the insert it feeds.
qlonglong integerOf(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
        return *static_cast<const int*>(value.constData());
    case QMetaType::LongLong:
        return *static_cast<const qlonglong*>(value.constData());
    default:
        return value.toLongLong();
    }
}

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

// "yyyy-MM-dd HH:mm:ss", the form this program writes, read by hand: a
// refresh reads a stamp with every routine, and the general parser is slow.
QDateTime parseStoredDateTime(const QString& text) {
    if (text.size() != 19 || text[4] != u'-' || text[7] != u'-' || text[10] != u' ' ||
        text[13] != u':' || text[16] != u':')
        return {};
    auto number = [&](int from, int length) {
        int value = 0;
        for (int i = from; i < from + length; ++i) {
            const char16_t c = text[i].unicode();
            if (c < u'0' || c > u'9')
                return -1;
            value = value * 10 + (c - u'0');
        }
        return value;
    };
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    const QTime time(number(11, 2), number(14, 2), number(17, 2));
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time);
}

QVariant storedDateTime(const FieldDef& field, const QVariant& value) {
    if (value.typeId() == QMetaType::QString && value.toString().isEmpty())
        return {};
    QDateTime moment =
        value.typeId() == QMetaType::QDate ? value.toDate().startOfDay() : value.toDateTime();
    // A build stamps each routine with one local time in whole seconds, and
    // every conversion below asks the C library for the time zone again.
    if (moment.isValid() && moment.timeSpec() == Qt::LocalTime && moment.time().msec() == 0)
        return moment;
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

QString storedDateTimeText(const QDateTime& moment) {
    return moment.toString(DateTimeFormat);
}

void bindValue(Statement& statement, int parameter, const FieldDef& field, const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        statement.bindNull(parameter);
        return;
    }
    switch (field.type) {
    case FieldType::AutoInc:
    case FieldType::Integer:
        statement.bindInteger(parameter, integerOf(value));
        break;
    case FieldType::Boolean:
        statement.bindInteger(parameter, value.toBool() ? 1 : 0);
        break;
    case FieldType::DateTime: {
        // A build binds the same stamp with every routine; formatting it is
        // the dearer part.
        thread_local QDateTime lastMoment;
        thread_local QString lastText;
        const QDateTime moment = value.toDateTime();
        // The text is made of the date and the time as the moment holds
        // them, so those are compared, which asks no time zone.
        if (!lastMoment.isValid() || moment.date() != lastMoment.date() ||
            moment.time() != lastMoment.time()) {
            lastText = storedDateTimeText(moment);
            lastMoment = moment;
        }
        statement.bindText(parameter, lastText);
        break;
    }
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
        // A refresh reads the same scan stamp with every routine, and each
        // local date and time made asks the C library for the time zone (a
        // look at the zone file on disk): the last one read is kept.
        thread_local QString lastText;
        thread_local QVariant lastValue;
        if (text == lastText && !text.isEmpty())
            return lastValue;
        QDateTime moment = parseStoredDateTime(text);
        if (!moment.isValid())
            moment = QDateTime::fromString(text, DateTimeFormat);
        if (!moment.isValid())
            moment = QDateTime::fromString(text, Qt::ISODate);
        lastText = text;
        lastValue = moment.isValid() ? QVariant(moment) : QVariant();
        return lastValue;
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
        const qlonglong x = integerOf(a);
        const qlonglong y = integerOf(b);
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

} // namespace ink
