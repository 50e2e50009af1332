#include "ToolStore.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "store/AliasRegistry.h"
#include "store/Database.h"
#include "store/Startup.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "store/UserError.h"

namespace ink {

// Only a build makes a store: every other command refuses a folder without one.
void requireDatabaseFile(const QString& dataDirectory) {
    const QString path = QDir(dataDirectory).absolutePath();
    const QString file = QDir(path).filePath(QString::fromLatin1(TDM1::DatabaseFileName));
    if (!QFileInfo(file).isFile())
        throw UserError(
            QStringLiteral("There is no documentation database in %1 (%2 is "
                           "missing); \"inkwright-tool build\" creates one.")
                .arg(QDir::toNativeSeparators(path), QString::fromLatin1(TDM1::DatabaseFileName)));
}

namespace {

// Whether the store holds every field of this version's tables.
bool hasEveryField(const Database& db) {
    for (const TableDef& def : TDM1::tableDefinitions()) {
        const QStringList columns = db.columnsOf(def.name);
        for (const FieldDef& field : def.fields)
            if (!columns.contains(field.name, Qt::CaseInsensitive))
                return false;
    }
    return true;
}

} // namespace

ToolStore::ToolStore(const QString& dataDirectory, Missing missing)
    : ToolStore(StoreAddress::local(dataDirectory), missing) {}

ToolStore::ToolStore(const StoreAddress& address, Missing missing)
    : registry_(std::make_shared<AliasRegistry>(scratch_.filePath("DatabaseEngine.ini"))) {
    if (address.isServer())
        pointAtServer(address, missing);
    else
        pointAtFolder(address.folder, missing);
    dm_ = std::make_unique<TDM1>(nullptr, registry_);
    OpenOrCreateTables(*dm_);
}

ToolStore::~ToolStore() = default;

void ToolStore::pointAtFolder(const QString& dataDirectory, Missing missing) {
    const QString path = QDir(dataDirectory).absolutePath();
    if (missing == Missing::Refuse)
        requireDatabaseFile(path);
    createDataDirectory(path);
    EnsureDatabaseAlias(*registry_, QString::fromLatin1(TDM1::AliasName), path, true);
}

// A server database that holds no store yet is refused before anything is
// made in it: opening it for reading says so.
void ToolStore::pointAtServer(const StoreAddress& address, Missing missing) {
    if (missing == Missing::Refuse)
        Database(address, {}, Database::Access::ReadOnly);
    SetAliasAddress(*registry_, QString::fromLatin1(TDM1::AliasName), address);
}

ReadOnlyToolStore::ReadOnlyToolStore(const StoreAddress& address) {
    if (!address.isServer())
        requireDatabaseFile(address.folder);
    reader_ = std::make_unique<Database>(address, QList<TableDef>{}, Database::Access::ReadOnly);
    if (!hasEveryField(*reader_)) {
        reader_.reset();
        writer_ = std::make_unique<ToolStore>(address);
    }
}

ReadOnlyToolStore::~ReadOnlyToolStore() = default;

Database& ReadOnlyToolStore::database() {
    return reader_ ? *reader_ : writer_->dm().database();
}

QString takeOption(QStringList& args, const QString& option) {
    const qsizetype at = args.indexOf(option);
    if (at < 0 || at + 1 >= args.size())
        return {};
    const QString value = args.at(at + 1);
    args.remove(at, 2);
    return value;
}

std::optional<StoreAddress> takeStoreOption(QStringList& args, QString* problem) {
    const QString folder = takeOption(args, QStringLiteral("--data"));
    const QString url = takeOption(args, QStringLiteral("--db"));
    if (folder.isEmpty() == url.isEmpty()) {
        *problem = QStringLiteral("give the store as --data DIR or as --db URL, one of them");
        return std::nullopt;
    }
    // A server given as the folder would be named in every message about
    // the folder, a password typed into it too.
    if (!folder.isEmpty() && StoreAddress::namesServer(folder)) {
        *problem = QStringLiteral("--data takes a folder; give a server store as --db");
        return std::nullopt;
    }
    if (!folder.isEmpty())
        return StoreAddress::local(folder);
    return StoreAddress::fromText(url, problem);
}

std::optional<DocumentArguments> takeDocumentArguments(QStringList& args, QString* problem) {
    std::optional<StoreAddress> store = takeStoreOption(args, problem);
    if (!store || args.size() != 1)
        return std::nullopt;
    // A number of the stored field's range, written plainly: "7", not "7.0"
    // or "0x7", so a typing slip never picks another document.
    bool isNumber = false;
    const qint32 docNo = args.first().toInt(&isNumber);
    if (!isNumber)
        return std::nullopt;
    args.clear();
    return DocumentArguments{docNo, std::move(*store)};
}

QString noSuchDocument(qint32 docNo, const StoreAddress& store) {
    return QStringLiteral("There is no document number %1 in %2.").arg(docNo).arg(storeName(store));
}

bool moveToDocument(TDM1& dm, int docNo) {
    for (dm.tblDocs->first(); !dm.tblDocs->eof(); dm.tblDocs->next())
        if (dm.tblDocsDocNo->asInteger() == docNo)
            return true;
    return false;
}

QString usageWithProblem(const QString& usage, const QString& problem) {
    QString text = QStringLiteral("usage: inkwright-tool ") + usage + QLatin1Char('\n');
    if (!problem.isEmpty())
        text += problem + QLatin1Char('\n');
    return text;
}

QString storeName(const StoreAddress& address) {
    return address.isServer() ? address.displayName() : address.folder;
}

} // namespace ink
