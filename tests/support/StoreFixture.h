#pragma once
#include <gtest/gtest.h>
#include <memory>
#include <QDir>

#include "store/AliasRegistry.h"
#include "store/Database.h"
#include "store/Startup.h"
#include "store/Statement.h"
#include "store/StoreAddress.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "support/PgCluster.h"
#include "support/TempDir.h"

// The values of one field over a table's scope, in order.
inline QStringList tableColumn(const ink::TTable* table, const char* field) {
    QStringList values;
    const int index = table->fieldByName(field)->index();
    for (int row = 0; row < table->recordCount(); ++row)
        values << table->rowValue(row, index).toString();
    return values;
}

// True when the store tests run against a server: the same tests, each on a
// fresh database of the test program's private PostgreSQL cluster.
inline bool storeTestsOnServer() {
    return qgetenv("INKWRIGHT_TEST_STORE") == "postgresql";
}

// A fresh store in a temporary folder (or, see above, on the server): alias
// in a private configuration file, the three tables created and open.
class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override {
        registry = std::make_shared<ink::AliasRegistry>(temp.filePath("config/DatabaseEngine.ini"));
        dataDir = ink::dataDirectoryFor(temp.path());
        ink::createDataDirectory(dataDir);
        ink::EnsureDatabaseAlias(*registry, ink::TDM1::AliasName, dataDir, true);
        if (storeTestsOnServer())
            ink::SetAliasAddress(*registry, ink::TDM1::AliasName,
                                 PgCluster::shared().createDatabase(QStringLiteral("store")));
        dm = std::make_unique<ink::TDM1>(nullptr, registry);
        ink::OpenOrCreateTables(*dm);
    }

    QString databaseFile() const { return QDir(dataDir).filePath(ink::TDM1::DatabaseFileName); }

    // Appends a document and returns its number.
    int addDoc(const QString& name) {
        dm->tblDocs->append({QVariant(), name});
        return dm->tblDocsDocNo->asInteger();
    }
    // Appends a unit to the current document and returns its number.
    int addUnit(const QString& name) {
        dm->tblUnits->append({dm->tblDocsDocNo->value(), QVariant(), name});
        return dm->tblUnitsUnitNo->asInteger();
    }
    // Appends a routine to the current unit and returns its number.
    int addProc(const QString& name) {
        dm->tblProc->append({dm->tblUnitsDocNo->value(), dm->tblUnitsUnitNo->value(), QVariant(),
                             name, "PROCEDURE", "<None>", "<None>"});
        return dm->tblProcProcNo->asInteger();
    }
    static QStringList column(const ink::TTable* table, const char* field) {
        return tableColumn(table, field);
    }

    TempDir temp;
    QString dataDir;
    std::shared_ptr<ink::AliasRegistry> registry;
    std::unique_ptr<ink::TDM1> dm;
};
