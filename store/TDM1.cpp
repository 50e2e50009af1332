#include "TDM1.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include "AliasRegistry.h"
#include "Database.h"
#include "model/Declaration.h"
#include "StoreAddress.h"
#include "StoreError.h"
#include "TDataSource.h"
#include "TField.h"
#include "TTable.h"
#include "UserError.h"

namespace ink {

namespace {

FieldDef text(const char* name, int size) {
    return {QString::fromLatin1(name), FieldType::Text, size, false};
}

// A field beyond the table's first layout: older stores gain it when they open.
FieldDef added(FieldDef field) {
    field.addedLater = true;
    return field;
}

FieldDef typed(const char* name, FieldType type, bool required = false) {
    return {QString::fromLatin1(name), type, 0, required};
}

} // namespace

const TableDef& TDM1::docsDefinition() {
    static const TableDef def{
        QStringLiteral("DocsLib"),
        {typed("DocNo", FieldType::AutoInc), text("DocName", 50),
         typed("DocSize", FieldType::Integer), typed("DocDate", FieldType::DateTime),
         text("DocAuthor", 50), text("DocCompany", 50), text("DocBuildNo", 10),
         text("AppEXEName", 255), text("CompanyName", 100), text("FileDescr", 100),
         text("FileName", 255), text("VersionNo", 10), text("InternalName", 100),
         text("LegalCopyright", 100), text("LegalTrademark", 100), text("OriginalFileName", 100),
         text("ProductName", 100), text("ProductVer", 20), text("DPRFileName", 255),
         typed("IsVerInfo", FieldType::Boolean),
         // When the last build or refresh read the project: a unit
         // or routine last seen before it has left the source.
         added(typed("LastScan", FieldType::DateTime)),
         // The build configuration the document follows conditional
         // compilation with ("Release", "Release|Win64", "x86_64-linux");
         // empty for one that reads every branch, as documents always did.
         added(text("Configuration", 100)),
         // Which members of types the document's reports show, by
         // visibility: words of "public", "published", "protected" and
         // "private" between commas; empty for the report's default.
         added(text("ReportVisibility", 60)),
         // Whether the reports list the event handlers of form units; empty
         // or false leaves them out.
         added(typed("ReportEventHandlers", FieldType::Boolean))},
        {QStringLiteral("DocsIndex"), {QStringLiteral("DocNo")}},
        {}};
    return def;
}

const TableDef& TDM1::unitsDefinition() {
    static const TableDef def{
        QStringLiteral("UnitsLib"),
        {typed("DocNo", FieldType::Integer, true), typed("UnitNo", FieldType::AutoInc, true),
         text("UnitName", 50), text("FormName", 50), typed("Description", FieldType::Memo),
         // The unit's "in" path as the project file writes it, empty when it has none.
         added(text("UnitPath", 255)),
         // The last build or refresh that found the unit in the project.
         added(typed("LastSeen", FieldType::DateTime)),
         // The file the last build or refresh looked for the unit's source
         // in when it could not read one (a library unit, a file moved away);
         // empty when it read the source. A placeholder row alone cannot
         // tell such a unit from one that declares nothing.
         added(typed("MissingSource", FieldType::Memo)),
         // The files the last read of the unit's source took in, with their
         // sizes and times, so that a refresh can pass over a unit none of
         // whose files changed (see scan/SourceStamps.h); empty when the next
         // refresh must read it.
         added(typed("SourceStamps", FieldType::Memo)),
         // The stamp the unit's declarations are judged by: one last seen
         // before it has left the source. It moves only when a read of the
         // unit misses a declaration that was there, so a refresh writes no
         // declaration row that did not change. Empty in a store from
         // before, where the document's LastScan judges them.
         added(typed("DeclsSeen", FieldType::DateTime))},
        {QStringLiteral("tblUnitsIndex1"), {QStringLiteral("DocNo"), QStringLiteral("UnitNo")}},
        {QStringLiteral("DocNo")}};
    return def;
}

const TableDef& TDM1::procsDefinition() {
    static const TableDef def{
        QStringLiteral("ProcsLib"),
        {typed("DocNo", FieldType::Integer, true),
         typed("UnitNo", FieldType::Integer, true),
         typed("ProcNo", FieldType::AutoInc),
         {QStringLiteral("ProcName"), FieldType::Text, 50, true},
         text("ProcType", 10),
         text("ProcParams", 50),
         text("ResultType", 50),
         typed("Description", FieldType::Memo),
         // The whole declaration as the scanner read it, blanks folded; the
         // parameter text above is cut at 50 characters.
         added(typed("Declaration", FieldType::Memo)),
         // The last build or refresh that found the routine in its unit.
         added(typed("LastSeen", FieldType::DateTime))},
        {QStringLiteral("tblProcIndex1"),
         {QStringLiteral("DocNo"), QStringLiteral("UnitNo"), QStringLiteral("ProcNo")}},
        {QStringLiteral("DocNo"), QStringLiteral("UnitNo"), QStringLiteral("ProcName")}};
    return def;
}

namespace {

// A declaration's own field as a column, as the model lists it.
FieldDef declarationColumn(const DeclarationField& field) {
    static const FieldType types[] = {FieldType::Text, FieldType::Memo, FieldType::Integer};
    FieldDef def{QString::fromLatin1(field.column), types[int(field.shape)], field.width,
                 field.required};
    def.addedLater = field.addedLater;
    return def;
}

} // namespace

const TableDef& TDM1::declsDefinition() {
    static const TableDef def = [] {
        // The keys; the declaration's fields of the first layout; the store's
        // own (the description, when it was last seen, the declaration a
        // description was written for); then the fields added later.
        QList<FieldDef> fields{typed("DeclNo", FieldType::AutoInc),
                               typed("DocNo", FieldType::Integer, true),
                               typed("UnitNo", FieldType::Integer, true),
                               // The enclosing type's DeclNo; 0 at unit level.
                               typed("ParentNo", FieldType::Integer)};
        for (const DeclarationField& field : DeclarationFields())
            if (!field.addedLater)
                fields.append(declarationColumn(field));
        fields.append(typed("Description", FieldType::Memo));
        // The last build or refresh that found the declaration in its unit.
        fields.append(typed("LastSeen", FieldType::DateTime));
        // The declaration a description was written for, kept when a refresh
        // found the signature changed under it; cleared once the user has
        // looked at the description again.
        fields.append(typed("ChangedFrom", FieldType::Memo));
        for (const DeclarationField& field : DeclarationFields())
            if (field.addedLater)
                fields.append(declarationColumn(field));
        return TableDef{
            QStringLiteral("DeclsLib"),
            fields,
            {QStringLiteral("tblDeclsIndex1"),
             {QStringLiteral("DocNo"), QStringLiteral("UnitNo"), QStringLiteral("DeclNo")}},
            {QStringLiteral("DocNo"), QStringLiteral("UnitNo"), QStringLiteral("DeclName")},
            true};
    }();
    return def;
}

const QList<TableDef>& TDM1::tableDefinitions() {
    static const QList<TableDef> tables{docsDefinition(), unitsDefinition(), procsDefinition(),
                                        declsDefinition()};
    return tables;
}

void TDM1::postPendingEdits() {
    for (TTable* table : {tblDecls, tblProc, tblUnits, tblDocs})
        if (table->isOpen() && table->state() != TTable::State::Browsing && table->isModified())
            table->post();
}

TDM1::TDM1(QObject* owner, std::shared_ptr<AliasRegistry> registry)
    : QObject(owner), registry_(std::move(registry)) {
    setObjectName(QStringLiteral("DM1"));
    tblDocs = new TTable(docsDefinition(), this, QStringLiteral("tblDocs"));
    tblUnits = new TTable(unitsDefinition(), this, QStringLiteral("tblUnits"));
    tblProc = new TTable(procsDefinition(), this, QStringLiteral("tblProc"));
    tblDecls = new TTable(declsDefinition(), this, QStringLiteral("tblDecls"));
    dsDocs = new TDataSource(tblDocs, this, QStringLiteral("dsDocs"));
    dsUnits = new TDataSource(tblUnits, this, QStringLiteral("dsUnits"));
    dsProcs = new TDataSource(tblProc, this, QStringLiteral("dsProcs"));
    dsDecls = new TDataSource(tblDecls, this, QStringLiteral("dsDecls"));

    for (TTable* table : {tblDocs, tblUnits, tblProc, tblDecls})
        table->setDatabaseProvider([this]() -> Database& { return database(); });
    tblUnits->setMasterSource(dsDocs, {QStringLiteral("DocNo")});
    tblProc->setMasterSource(dsUnits, {QStringLiteral("DocNo"), QStringLiteral("UnitNo")});
    tblDecls->setMasterSource(dsUnits, {QStringLiteral("DocNo"), QStringLiteral("UnitNo")});

    TField** docs[] = {&tblDocsDocNo,
                       &tblDocsDocName,
                       &tblDocsDocSize,
                       &tblDocsDocDate,
                       &tblDocsDocAuthor,
                       &tblDocsDocCompany,
                       &tblDocsDocBuildNo,
                       &tblDocsAppEXEName,
                       &tblDocsCompanyName,
                       &tblDocsFileDescr,
                       &tblDocsFileName,
                       &tblDocsVersionNo,
                       &tblDocsInternalName,
                       &tblDocsLegalCopyright,
                       &tblDocsLegalTrademark,
                       &tblDocsOriginalFileName,
                       &tblDocsProductName,
                       &tblDocsProductVer,
                       &tblDocsDPRFileName,
                       &tblDocsisVerInfo,
                       &tblDocsLastScan,
                       &tblDocsConfiguration,
                       &tblDocsReportVisibility,
                       &tblDocsReportEventHandlers};
    TField** units[] = {&tblUnitsDocNo,    &tblUnitsUnitNo,        &tblUnitsUnitName,
                        &tblUnitsFormName, &tblUnitsDescription,   &tblUnitsUnitPath,
                        &tblUnitsLastSeen, &tblUnitsMissingSource, &tblUnitsSourceStamps,
                        &tblUnitsDeclsSeen};
    TField** procs[] = {&tblProcDocNo,      &tblProcUnitNo,      &tblProcProcNo,
                        &tblProcProcName,   &tblProcProcType,    &tblProcProcParams,
                        &tblProcResultType, &tblProcDescription, &tblProcDeclaration,
                        &tblProcLastSeen};
    TField** decls[] = {&tblDeclsDeclNo,     &tblDeclsDocNo,       &tblDeclsUnitNo,
                        &tblDeclsParentNo,   &tblDeclsDeclKind,    &tblDeclsDeclName,
                        &tblDeclsOwner,      &tblDeclsOverloadKey, &tblDeclsDeclaration,
                        &tblDeclsVisibility, &tblDeclsDirectives,  &tblDeclsAncestor,
                        &tblDeclsSourceFile, &tblDeclsSourceLine,  &tblDeclsDescription,
                        &tblDeclsLastSeen,   &tblDeclsChangedFrom};
    int i = 0;
    for (TField** field : docs)
        *field = tblDocs->field(i++);
    i = 0;
    for (TField** field : units)
        *field = tblUnits->field(i++);
    i = 0;
    for (TField** field : procs)
        *field = tblProc->field(i++);
    i = 0;
    for (TField** field : decls)
        *field = tblDecls->field(i++);

    // The program names the Boolean field in lower case.
    tblDocsisVerInfo->setObjectName(QStringLiteral("tblDocsisVerInfo"));
    tblDocsDocSize->setDisplayFormat(QStringLiteral("#,0 KB"));
}

TDM1::~TDM1() {
    // The tables' statements must go before the database connection.
    delete tblDecls;
    delete tblProc;
    delete tblUnits;
    delete tblDocs;
}

Database& TDM1::database() {
    if (database_)
        return *database_;
    if (!damage_.isEmpty())
        throw StoreDamaged(damage_);
    registry();
    if (!registry_->aliasExists(QString::fromLatin1(AliasName)))
        throw UserError(QStringLiteral("Unknown database alias \"%1\" (configuration \"%2\")")
                            .arg(QString::fromLatin1(AliasName), registry_->configPath()));
    StoreAddress address = AliasAddress(*registry_, QString::fromLatin1(AliasName));
    if (!address.isServer())
        requireOwnFolder(address.folder);
    else if (passwordFor_.sameLogin(address))
        address.password = passwordFor_.password;
    try {
        database_ = std::make_unique<Database>(address, tableDefinitions());
    } catch (const StoreDamaged& e) {
        damage_ = e.message();
        throw;
    }
    database_->setOnWritesLost([this] { reloadAfterLostWrites(); });
    // Without an event loop (a script, a benchmark) nobody watches.
    if (database_->othersWrite() && QCoreApplication::instance()) {
        othersSeen_ = database_->dataVersion();
        othersTimer_ = new QTimer(this);
        othersTimer_->setObjectName(QStringLiteral("othersTimer"));
        connect(othersTimer_, &QTimer::timeout, this, &TDM1::showOthersChanges);
        othersTimer_->start(500);
    }
    return *database_;
}

void TDM1::closeDatabase() {
    for (TTable* table : {tblDecls, tblProc, tblUnits, tblDocs})
        table->close();
    delete othersTimer_;
    othersTimer_ = nullptr;
    database_.reset();
    damage_.clear();
}

QString TDM1::storeDamage() const {
    return database_ && !database_->damage().isEmpty() ? database_->damage() : damage_;
}

void TDM1::noteDamage(const QString& detail) {
    if (database_)
        damage_ = StoreDamaged::textFor(database_->name(), detail);
}

void TDM1::closeDamagedStore() {
    const QString damage = storeDamage();
    closeDatabase();
    damage_ = damage;
}

AliasRegistry& TDM1::registry() {
    if (!registry_)
        registry_ = std::make_shared<AliasRegistry>();
    return *registry_;
}

QString TDM1::storeName() const {
    if (!database_)
        return {};
    return database_->isServer() ? database_->name() : QStringLiteral("Local");
}

void TDM1::showOthersChanges() {
    if (!database_ || database_->inBatch())
        return;
    try {
        const qint64 version = database_->dataVersion();
        if (version == othersSeen_)
            return;
        othersSeen_ = version;
        reloadOpenTables();
    } catch (const UserError&) {
        // The server is away; the next look, or the user's next step, says so.
        return;
    }
    emit othersChanged();
}

// A server store is shared by design; an embedded one only with this copy.
void TDM1::requireOwnFolder(const QString& folder) const {
    auto clean = [](const QString& path) {
        return QDir::cleanPath(QDir::fromNativeSeparators(path));
    };
    if (!requiredFolder_.isEmpty() && clean(folder) != clean(requiredFolder_))
        throw UserError(
            QStringLiteral("The database alias \"%1\" names \"%2\", not this program's data "
                           "directory \"%3\"; the tables stay closed")
                .arg(QString::fromLatin1(AliasName), folder, requiredFolder_));
}

// The details follow their master, so reloading the topmost open table
// reloads all.
void TDM1::reloadOpenTables() {
    for (TTable* table : {tblDocs, tblUnits, tblProc}) {
        if (table->isOpen()) {
            table->reloadKeepingPending();
            return;
        }
    }
}

void TDM1::reloadAfterLostWrites() {
    try {
        reloadOpenTables();
    } catch (const UserError&) {
        // The store cannot be read either; the error about the lost writes
        // is the one to show, and the next move reads again.
    }
}

} // namespace ink
