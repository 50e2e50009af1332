#pragma once
#include <memory>
#include <QObject>

#include "StoreAddress.h"
#include "TableDef.h"

class QTimer;

namespace ink {

class AliasRegistry;
class Database;
class TDataSource;
class TField;
class TTable;

// The data module: the three documentation tables, their data sources and
// their field objects. Tables are closed when it is created; start-up opens
// them. The tables name the alias "Quillmark"; the database file is found
// through the alias registry when a table is first opened or created.
class TDM1 : public QObject {
    Q_OBJECT
public:
    static constexpr const char* AliasName = "Quillmark";
    static constexpr const char* DatabaseFileName = StoreAddress::SqliteFileName;

    static const TableDef& docsDefinition();
    static const TableDef& unitsDefinition();
    static const TableDef& procsDefinition();
    // Every declaration of a unit's interface (types, their members,
    // constants, variables, routines with their owners, overloads apart),
    // beside the routine rows, which keep their own rules.
    static const TableDef& declsDefinition();
    // The program's own tables, masters first: what a store holds.
    static const QList<TableDef>& tableDefinitions();

    // `registry` resolves the alias; the default uses the user's configuration.
    explicit TDM1(QObject* owner = nullptr, std::shared_ptr<AliasRegistry> registry = {});
    ~TDM1() override;

    // The database of the alias, opened on first use (throws UserError).
    Database& database();
    // Closes the tables and the connection; the next open follows the alias
    // again (after the user chose another store).
    void closeDatabase();
    // The registry that resolves the alias.
    AliasRegistry& registry();
    // The password the user typed for a server store. It is kept in memory
    // only, and given whenever the alias names that same server, port,
    // database and user (also when the connection is made again).
    void setServerPassword(const StoreAddress& address) { passwordFor_ = address; }

    // Why the store was found damaged (when it was opened or by any read
    // since), empty while it was not.
    QString storeDamage() const;
    // Closes a store found damaged and keeps it closed: database() refuses
    // it, saying why, until closeDatabase() makes way for another store.
    void closeDamagedStore();
    // Keeps `detail` as damage found in the open store by a look of its own
    // (a check of the whole file on another thread); storeDamage() then
    // names it, and the window closes the store.
    void noteDamage(const QString& detail);

    // How the window names the open store: "Local" or user@server/database;
    // empty while none is open.
    QString storeName() const;

    // Shows others' changes: when another connection changed the store,
    // reloads the open tables (keeping the current rows and a pending edit)
    // and signals othersChanged(). On a store others write to (a server) a
    // timer does this twice a second; never during a batch of this
    // program's own writes.
    void showOthersChanges();

    // Ties the module to one data directory: the database is opened only
    // while the alias names it. Every copy of the program shares the alias,
    // so this keeps a copy whose alias step failed off another copy's store.
    void requireDataDirectory(const QString& folder) { requiredFolder_ = folder; }

    // Stores what is being typed in any open table, the routine first, so
    // that a command about to read the store sees it. A failed post throws
    // and leaves that row pending, as the user typed it.
    void postPendingEdits();

    TTable* tblDocs;
    TTable* tblUnits;
    TTable* tblProc;
    TTable* tblDecls;
    TDataSource* dsDocs;
    TDataSource* dsUnits;
    TDataSource* dsProcs;
    TDataSource* dsDecls;

    TField* tblDocsDocNo;
    TField* tblDocsDocName;
    TField* tblDocsDocSize;
    TField* tblDocsDocDate;
    TField* tblDocsDocAuthor;
    TField* tblDocsDocCompany;
    TField* tblDocsDocBuildNo;
    TField* tblDocsAppEXEName;
    TField* tblDocsCompanyName;
    TField* tblDocsFileDescr;
    TField* tblDocsFileName;
    TField* tblDocsVersionNo;
    TField* tblDocsInternalName;
    TField* tblDocsLegalCopyright;
    TField* tblDocsLegalTrademark;
    TField* tblDocsOriginalFileName;
    TField* tblDocsProductName;
    TField* tblDocsProductVer;
    TField* tblDocsDPRFileName;
    TField* tblDocsisVerInfo;
    TField* tblDocsLastScan;
    TField* tblDocsConfiguration;
    TField* tblDocsReportVisibility;
    TField* tblDocsReportEventHandlers;

    TField* tblUnitsDocNo;
    TField* tblUnitsUnitNo;
    TField* tblUnitsUnitName;
    TField* tblUnitsFormName;
    TField* tblUnitsDescription;
    TField* tblUnitsUnitPath;
    TField* tblUnitsLastSeen;
    TField* tblUnitsMissingSource;
    TField* tblUnitsSourceStamps;
    TField* tblUnitsDeclsSeen;

    TField* tblProcDocNo;
    TField* tblProcUnitNo;
    TField* tblProcProcNo;
    TField* tblProcProcName;
    TField* tblProcProcType;
    TField* tblProcProcParams;
    TField* tblProcResultType;
    TField* tblProcDescription;
    TField* tblProcDeclaration;
    TField* tblProcLastSeen;

    TField* tblDeclsDeclNo;
    TField* tblDeclsDocNo;
    TField* tblDeclsUnitNo;
    TField* tblDeclsParentNo;
    TField* tblDeclsDeclKind;
    TField* tblDeclsDeclName;
    TField* tblDeclsOwner;
    TField* tblDeclsOverloadKey;
    TField* tblDeclsDeclaration;
    TField* tblDeclsVisibility;
    TField* tblDeclsDirectives;
    TField* tblDeclsAncestor;
    TField* tblDeclsSourceFile;
    TField* tblDeclsSourceLine;
    TField* tblDeclsDescription;
    TField* tblDeclsLastSeen;
    TField* tblDeclsChangedFrom;

signals:
    void othersChanged();

private:
    void reloadOpenTables();
    void reloadAfterLostWrites();
    void requireOwnFolder(const QString& folder) const;

    std::shared_ptr<AliasRegistry> registry_;
    std::unique_ptr<Database> database_;
    QTimer* othersTimer_ = nullptr;
    qint64 othersSeen_ = 0;
    QString requiredFolder_;
    QString damage_; // found opening it, or kept by closeDamagedStore()
    StoreAddress passwordFor_;
};

} // namespace ink
