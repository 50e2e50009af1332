// What start-up needs before the window is usable: the data directory,
// the alias pointed at it, and the three tables opened or made.
#include "Startup.h"

#include <filesystem>
#include <QDir>
#include <QFile>
#include <system_error>

#include "AliasRegistry.h"
#include "Search.h"
#include "StoreAddress.h"
#include "StoreError.h"
#include "TDM1.h"
#include "TTable.h"

namespace ink {

QString dataDirectoryFor(const QString& executableFolder) {
    QString folder = executableFolder;
    while (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
        folder.chop(1);
    return QDir::toNativeSeparators(folder + QStringLiteral("/Data"));
}

void createDataDirectory(const QString& path) {
    std::error_code error;
    const std::filesystem::path folder(QFile::encodeName(path).toStdString());
    std::filesystem::create_directories(folder, error);
    if (!error && !std::filesystem::is_directory(folder, error))
        error = std::make_error_code(std::errc::not_a_directory);
    if (error)
        throw UserError(QStringLiteral("Cannot create the data directory \"%1\": %2")
                            .arg(path, QString::fromLocal8Bit(error.message())));
}

bool EnsureDatabaseAlias(AliasRegistry& registry, const QString& AliasName,
                         const QString& AliasPath, bool CreateIfMissing) {
    // A shared store on a server is where the user pointed it; this
    // program's folder has nothing to say about it.
    if (registry.aliasExists(AliasName) &&
        registry.parameter(AliasName, QStringLiteral("DEFAULT DRIVER"))
                .trimmed()
                .compare(QLatin1String(StoreAddress::PostgresDriver), Qt::CaseInsensitive) == 0)
        return true;
    // The configuration keeps one entry per line; such a folder cannot be
    // named in it, and the alias keeps what it named before.
    if (AliasRegistry::spansLines(AliasPath))
        throw UserError(
            QStringLiteral("The data directory \"%1\" cannot be used: its path holds a line "
                           "break, which the database alias \"%2\" cannot store. Use a folder "
                           "whose path has none")
                .arg(AliasPath, AliasName));
    if (!registry.aliasExists(AliasName)) {
        if (!CreateIfMissing)
            return false;
        registry.addStandardAlias(AliasName, AliasPath, QString::fromLatin1(AliasRegistry::Driver));
    }
    // Also when it existed: a moved program folder, or an alias that pointed
    // elsewhere, is re-pointed at this program's data.
    registry.modifyAlias(AliasName, {QStringLiteral("PATH=") + AliasPath});
    registry.saveConfiguration();
    return true;
}

void OpenOrCreateTables(TDM1& dm) {
    // The declarations' table came later: an older store gains it here, and
    // its rows at the document's next refresh.
    for (TTable* table : {dm.tblDocs, dm.tblUnits, dm.tblProc, dm.tblDecls}) {
        try {
            table->open();
        } catch (const TableMissing&) {
            // Only a table that is not there is created; any other failure
            // leaves the store as it is and stops here, with the rest closed.
            table->create();
            table->open();
        }
    }
    // The search index comes with the tables, so that no search waits for
    // it. Without it a search still finds every row, only more slowly, so a
    // store that cannot take it now (locked by a writer, say) is not refused.
    try {
        EnsureSearchIndex(dm.database());
    } catch (const StoreDamaged&) {
        throw; // not a store to go on with
    } catch (const UserError&) {
    }
}

} // namespace ink
