#include "NewDeclarations.h"

#include "FieldValue.h"
#include "TableStore.h"
#include "TDM1.h"
#include "UserError.h"

namespace ink {

NewDeclarations::NewDeclarations(Database& db)
    : store_(std::make_unique<TableStore>(db, TDM1::declsDefinition(), QList<int>{})) {}

NewDeclarations::~NewDeclarations() = default;

qint64 NewDeclarations::insert(const QVariantList& values) {
    const TableDef& def = TDM1::declsDefinition();
    QVariantList stored;
    stored.reserve(def.fields.size());
    for (qsizetype i = 0; i < def.fields.size(); ++i) {
        const QVariant value = storedValue(def.fields[i], values.value(i));
        // The checks an append makes: the store's own refusal would name no field.
        if (def.notNullFields.contains(def.fields[i].name) &&
            (value.isNull() || value.toString().isEmpty()))
            throw UserError(QStringLiteral("Field '%1' must have a value").arg(def.fields[i].name));
        stored << value;
    }
    return store_->insert(stored);
}

} // namespace ink
