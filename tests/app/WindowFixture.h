#pragma once
#include <gtest/gtest.h>
#include <memory>
#include <QApplication>
#include <QTest>

#include "app/DBCheckBox.h"
#include "app/DBEdit.h"
#include "app/DBGrid.h"
#include "app/DBMemo.h"
#include "app/TfrmInkwright.h"
#include "ScriptedDialogs.h"
#include "store/AliasRegistry.h"
#include "store/Database.h"
#include "store/TDM1.h"
#include "store/testing/SqlFile.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "StoreFixture.h"
#include "TempDir.h"
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

// The real main window over a real store in a temporary program folder, its
// dialogs answered from a script.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        registry = std::make_shared<ink::AliasRegistry>(temp.filePath("config/DatabaseEngine.ini"));
        startWindow();
    }

    void startWindow() {
        window = std::make_unique<ink::TfrmInkwright>(
            ink::StartupEnvironment{temp.filePath("program"), registry}, &dialogs);
        dm = std::make_unique<ink::TDM1>(nullptr, registry);
        window->bindDataModule(dm.get());
        window->show();
        QApplication::setActiveWindow(window.get());
        QApplication::processEvents();
    }

    void stopWindow() {
        window.reset();
        dm.reset();
    }

    void TearDown() override { stopWindow(); }

    // Adds a document through the "Add" button.
    void addDocument(const QString& projectPath, const QString& name) {
        dialogs.files.push_back(projectPath);
        dialogs.inputs.push_back(name);
        QTest::mouseClick(window->Button26, Qt::LeftButton);
    }

    int countRows(const char* table) {
        return sqlText(dm->database().name(),
                       QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table)))
            .toInt();
    }

    static QStringList column(ink::TTable* table, const char* field) {
        return tableColumn(table, field);
    }

    TempDir temp;
    ScriptedDialogs dialogs;
    std::shared_ptr<ink::AliasRegistry> registry;
    std::unique_ptr<ink::TDM1> dm;
    std::unique_ptr<ink::TfrmInkwright> window;
};

// A small project whose units live in three folders, one of them named in a
// different letter case than on disk.
struct SampleProject {
    explicit SampleProject(const TempDir& temp);
    QString projectPath;
    QString mainUnitPath;
    QString helpersPath;
};
