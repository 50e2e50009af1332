// A server database as this program's store: the mark that makes it ours,
// and the tables' layout in the server's types.
#include "PostgresBackend.h"

#include <libpq-fe.h>

#include "PostgresStatement.h"
#include "StoreError.h"
#include "TableSchema.h"

namespace ink {

namespace {

// The table that marks a server database as this program's store.
constexpr const char* MarkTable = "inkwright_store";
// The lock every program takes (advisory, held to the end of the
// transaction) for making the store's tables; the number is this program's
// own.
constexpr const char* SetupLockSql = "SELECT pg_advisory_xact_lock(1231974401)";

// Whether anything of the database's own (a table, a view, a sequence, a
// function, a type, an operator ...) lives in a schema other than the
// system's. Other sessions' temporary schemas are theirs, not the database's.
constexpr const char* HoldsObjectsSql =
    "WITH own AS (SELECT oid FROM pg_namespace WHERE nspname NOT IN ('pg_catalog', "
    "'information_schema') AND nspname NOT LIKE 'pg\\_toast%' AND nspname NOT LIKE "
    "'pg\\_temp\\_%') "
    "SELECT EXISTS (SELECT 1 FROM pg_class WHERE relnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_proc WHERE pronamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_type WHERE typnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_operator WHERE oprnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_collation WHERE collnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_conversion WHERE connamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_opfamily WHERE opfnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_ts_config WHERE cfgnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_ts_dict WHERE dictnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_ts_parser WHERE prsnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_ts_template WHERE tmplnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_statistic_ext WHERE stxnamespace IN (SELECT oid FROM own)) "
    "OR EXISTS (SELECT 1 FROM pg_extension WHERE extnamespace IN (SELECT oid FROM own))";

QString serverColumnType(const FieldDef& field) {
    switch (field.type) {
    case FieldType::AutoInc:
    case FieldType::Integer:
        return QStringLiteral("INTEGER");
    case FieldType::Text:
        return QStringLiteral("VARCHAR(%1)").arg(field.size);
    case FieldType::DateTime:
        return QStringLiteral("TIMESTAMP(0)");
    case FieldType::Boolean:
        return QStringLiteral("BOOLEAN");
    case FieldType::Memo:
        return QStringLiteral("TEXT");
    }
    return {};
}

// The type as the server's catalogue spells it back (format_type).
QString storedType(const FieldDef& field) {
    switch (field.type) {
    case FieldType::AutoInc:
    case FieldType::Integer:
        return QStringLiteral("integer");
    case FieldType::Text:
        return QStringLiteral("character varying(%1)").arg(field.size);
    case FieldType::DateTime:
        return QStringLiteral("timestamp(0) without time zone");
    case FieldType::Boolean:
        return QStringLiteral("boolean");
    case FieldType::Memo:
        return QStringLiteral("text");
    }
    return {};
}

// A string literal of the server's SQL.
QString literal(const QString& text) {
    QString inner = text;
    inner.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

} // namespace

bool PostgresBackend::isMarked() {
    return tableExists(QString::fromLatin1(MarkTable));
}

bool PostgresBackend::holdsObjects() {
    PGresult* result = run(HoldsObjectsSql);
    const bool holds = PQntuples(result) == 1 && PQgetvalue(result, 0, 0)[0] == 't';
    PQclear(result);
    return holds;
}

// A database is ours when it carries our mark. An empty one becomes ours; any
// other is refused before anything is written to it. Two programs that meet
// a new database at once make the mark one after the other: the second finds
// it made.
void PostgresBackend::checkStore(const QList<TableDef>& ownTables, StoreAccess access) {
    Q_UNUSED(ownTables);
    if (isMarked())
        return;
    const UserError notOurs(QStringLiteral("The database \"%1\" is not an Inkwright database "
                                           "and not empty; choose an empty database, or one "
                                           "Inkwright made")
                                .arg(name_));
    if (access == StoreAccess::ReadOnly) {
        if (holdsObjects())
            throw notOurs;
        throw UserError(
            QStringLiteral("The database \"%1\" holds no documentation yet").arg(name_));
    }
    exec(QStringLiteral("BEGIN"));
    try {
        PQclear(run(SetupLockSql));
        if (!isMarked()) {
            if (holdsObjects())
                throw notOurs;
            exec(QStringLiteral("CREATE TABLE %1 (format INTEGER NOT NULL); INSERT INTO %1 "
                                "VALUES (1); CREATE OR REPLACE FUNCTION inkwright_notify() "
                                "RETURNS trigger LANGUAGE plpgsql AS $body$ BEGIN PERFORM "
                                "pg_notify('%2', TG_TABLE_NAME); RETURN NULL; END $body$")
                     .arg(QString::fromLatin1(MarkTable), QString::fromLatin1(NotifyChannel)));
        }
    } catch (...) {
        rollbackQuietly();
        throw;
    }
    if (!commit()) {
        const QString reason = lastFailure_;
        rollbackQuietly();
        throw UserError(QStringLiteral("Cannot make the store in \"%1\": %2").arg(name_, reason));
    }
}

// --- the tables' layout -----------------------------------------------------
//
// The auto-number field takes its numbers from a sequence of its own, which
// never gives a number twice, even after deletes; it is the table's primary
// key, and the primary index becomes a unique index of its name. A trigger
// tells the other connections of every write.

QString PostgresBackend::columnDefinition(const TableDef& def, const FieldDef& field) const {
    QString column = quoted(field.name) + QLatin1Char(' ') + serverColumnType(field);
    if (field.type == FieldType::AutoInc)
        column += QStringLiteral(" PRIMARY KEY DEFAULT nextval('%1')").arg(quoted(sequenceOf(def)));
    else if (def.notNullFields.contains(field.name, Qt::CaseInsensitive))
        column += QStringLiteral(" NOT NULL");
    return column;
}

// Made under the lock of the store's layout and only when still missing then,
// so two programs that open a new store at once do not both make a table.
QStringList PostgresBackend::createStatements(const TableDef& def) {
    const QStringList statements = plainCreateStatements(def);
    return {QString::fromLatin1(SetupLockSql),
            QStringLiteral("DO $create$ BEGIN IF to_regclass(%1) IS NULL THEN %2; END IF; END "
                           "$create$")
                .arg(literal(quoted(def.name)), statements.join(QLatin1String("; ")))};
}

QStringList PostgresBackend::plainCreateStatements(const TableDef& def) {
    const int autoField = autoNumberField(def);
    QStringList columns;
    for (const FieldDef& field : def.fields)
        columns << columnDefinition(def, field);
    const QString table = quoted(def.name);
    QStringList statements;
    if (autoField >= 0)
        statements << QStringLiteral("CREATE SEQUENCE %1").arg(quoted(sequenceOf(def)));
    statements << QStringLiteral("CREATE TABLE %1 (%2)").arg(table, columns.join(", "));
    if (autoField >= 0)
        statements << QStringLiteral("ALTER SEQUENCE %1 OWNED BY %2.%3")
                          .arg(quoted(sequenceOf(def)), table, quoted(def.fields[autoField].name));
    const bool indexIsKey = def.primaryIndex.fields.size() == 1 && autoField >= 0 &&
                            def.indexOf(def.primaryIndex.fields.first()) == autoField;
    if (!def.primaryIndex.fields.isEmpty() && !indexIsKey) {
        QStringList keys;
        for (const QString& field : def.primaryIndex.fields)
            keys << quoted(field);
        statements << QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3)")
                          .arg(quoted(def.primaryIndex.name), table, keys.join(", "));
    }
    statements << QStringLiteral("CREATE TRIGGER %1 AFTER INSERT OR UPDATE OR DELETE ON %2 "
                                 "FOR EACH STATEMENT EXECUTE FUNCTION inkwright_notify()")
                      .arg(quoted(def.name + QStringLiteral("_changed")), table);
    return statements;
}

QList<FieldDef> PostgresBackend::verifyLayout(const TableDef& def) {
    PostgresStatement info(
        *this, QStringLiteral("SELECT a.attname, format_type(a.atttypid, a.atttypmod) "
                              "FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
                              "JOIN pg_namespace n ON n.oid = c.relnamespace "
                              "WHERE n.nspname = current_schema() AND c.relname = lower(?1) "
                              "AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum"));
    info.bindText(1, def.name);
    auto differs = [&](const QString& detail) {
        throw UserError(QStringLiteral("The table \"%1\" in \"%2\" has a different layout: %3")
                            .arg(def.name, name_, detail));
    };
    int position = 0;
    while (info.step()) {
        const QString name = info.textAt(0);
        const QString type = info.textAt(1);
        if (position >= def.fields.size())
            differs(QStringLiteral("it has an extra field \"%1\" %2").arg(name, type));
        const FieldDef& field = def.fields[position];
        if (name.compare(field.name, Qt::CaseInsensitive) != 0 || type != storedType(field))
            differs(QStringLiteral("field %1 is \"%2\" %3, expected \"%4\" %5")
                        .arg(position + 1)
                        .arg(name, type, field.name, storedType(field)));
        ++position;
    }
    QList<FieldDef> missing;
    for (int i = position; i < def.fields.size(); ++i) {
        if (!def.fields[i].addedLater)
            differs(
                QStringLiteral("field %1 \"%2\" is missing").arg(i + 1).arg(def.fields[i].name));
        missing << def.fields[i];
    }
    return missing;
}

// Under the layout's lock too: two programs upgrading one older store at once
// add each field once.
void PostgresBackend::addFields(const TableDef& def, const QList<FieldDef>& fields) {
    exec(QString::fromLatin1(SetupLockSql));
    for (const FieldDef& field : fields)
        exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN IF NOT EXISTS %2")
                 .arg(quoted(def.name), columnDefinition(def, field)));
}

void PostgresBackend::syncAutoNumbers(const TableDef& def) {
    const int field = autoNumberField(def);
    if (field < 0)
        return;
    exec(QStringLiteral("SELECT setval('%1', GREATEST((SELECT MAX(%2) FROM %3), 1), "
                        "(SELECT MAX(%2) FROM %3) IS NOT NULL)")
             .arg(quoted(sequenceOf(def)), quoted(def.fields[field].name), quoted(def.name)));
}

// The server keeps its own pages whole (its write-ahead log, its
// checksums) and reports damage on any read; a client has nothing deeper
// to look at.
QStringList PostgresBackend::checkIntegrity() {
    return {};
}

} // namespace ink
