#pragma once
#include <gtest/gtest.h>
#include <memory>

#include "store/AliasRegistry.h"
#include "store/Startup.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "support/TempDir.h"

// A fresh store in a temporary folder (the alias in a private configuration
// file, the three tables created and open) with helpers to lay rows in it.
class AidsStore : public ::testing::Test {
protected:
    void SetUp() override {
        registry = std::make_shared<ink::AliasRegistry>(temp.filePath("config/DatabaseEngine.ini"));
        const QString dataDir = ink::dataDirectoryFor(temp.filePath("program/"));
        ink::createDataDirectory(dataDir);
        ink::EnsureDatabaseAlias(*registry, ink::TDM1::AliasName, dataDir, true);
        dm = std::make_unique<ink::TDM1>(nullptr, registry);
        ink::OpenOrCreateTables(*dm);
    }

    // Appends a document for the project file and makes it current.
    void addDocument(const QString& projectPath) {
        dm->tblDocs->append({QVariant(), "DOC"});
        dm->tblDocs->edit();
        dm->tblDocsDPRFileName->setValue(projectPath);
        dm->tblDocs->post();
    }
    // Appends a unit to the current document and makes it current.
    void addUnit(const QString& name, const QString& description = {},
                 const QString& unitPath = {}) {
        dm->tblUnits->append(
            {dm->tblDocsDocNo->value(), QVariant(), name, "N/A", description, unitPath});
    }
    // Appends a routine to the current unit and makes it current.
    void addRoutine(const QString& name, const QString& description) {
        dm->tblProc->append({dm->tblUnitsDocNo->value(), dm->tblUnitsUnitNo->value(), QVariant(),
                             name, "PROCEDURE", "<None>", "<None>", description});
    }
    // A field of the current row as the store holds it, read back afresh.
    static QString storedValue(ink::TTable* table, const char* field) {
        table->refresh();
        return table->fieldByName(field)->asString();
    }

    TempDir temp;
    std::shared_ptr<ink::AliasRegistry> registry;
    std::unique_ptr<ink::TDM1> dm;
};
