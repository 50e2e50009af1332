#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "Coverage.h"
#include "model/Declaration.h"

namespace ink {

class Database;
class Statement;
struct StoreAddress;

// What a document row says of the document itself, as a report lists it.
struct DocumentFacts {
    QString name;
    QString author;
    QString company;
    QString projectFile;
    QDateTime modified;           // invalid when never set
    std::optional<qint64> sizeKb; // none when never set
    bool includeVersionInfo = false;
    QStringList versionValues; // one per version column asked for
};

// One document's rows as a report reads them, from a store of any version:
// the columns an older store lacks read as empty, and a store from before
// declarations has none. The store is opened read-only, in one snapshot for
// the reader's life, so that every pass over the document sees it as it
// stood at one moment. Text comes without NULs (a store written by hand may
// hold one; no output should carry it). What the rows mean for a report is
// the report's to decide.
class DocumentReader {
public:
    // UserError when the store is missing or is no documentation database.
    explicit DocumentReader(const StoreAddress& store);
    ~DocumentReader();
    DocumentReader(const DocumentReader&) = delete;
    DocumentReader& operator=(const DocumentReader&) = delete;

    struct DocumentRow : DocumentFacts {
        // The document's own report choices; none in a store from before them.
        std::optional<QString> reportVisibility;
        std::optional<bool> reportEventHandlers;
        int unitCount = 0;
        DocumentCoverage coverage; // with its units, by list position
    };
    // Reads document `docNo` and makes it the one the other reads are of;
    // none when no document has the number. `versionColumns` names the
    // DocsLib columns of the version information, in the order wanted.
    std::optional<DocumentRow> open(qint32 docNo, const QStringList& versionColumns);

    struct UnitRow {
        qint64 unitNo = 0;
        QString name;
        QString form; // as stored: "N/A" stands for none
        QString description;
        QString missingSource;
    };
    // Calls `visit` with each unit from list position `first` (from 0) on,
    // in list order, until it returns false or the units end; routines()
    // and declarations() may be read during the call.
    void readUnits(int first, const std::function<bool(const UnitRow&)>& visit);
    // The names of up to `count` units from list position `first` on.
    QStringList unitNames(int first, int count);

    struct RoutineRow {
        QString kind;
        QString name;
        QString parameters;
        QString resultType;
        QString description;
        QString declaration; // empty in a store from before declarations
    };
    // In the order they were stored, placeholders and markers included.
    QList<RoutineRow> routines(qint64 unitNo);

    struct DeclarationRow {
        qint64 declNo = 0;
        qint64 parentNo = 0; // 0 at unit level
        QString kindWord;    // the kind as stored, also a later version's word
        // Its fields as DeclarationFields() loads them (the unit's own file
        // is no source file).
        Declaration declaration;
        QString description;
        QString changedFrom;
        bool leftTheSource = false; // by the rule the window strikes them through
    };
    // In source order; none in a store without declarations.
    QList<DeclarationRow> declarations(qint64 unitNo);

    // The declarations at unit level, with the list position of their unit
    // and their kind as stored, in unit then source order.
    struct UnitLevelDeclaration {
        int unit = 0;
        QString kind;
        QString name;
    };
    QList<UnitLevelDeclaration> unitLevelDeclarations();

private:
    void prepareUnitReads();

    std::unique_ptr<Database> db_;
    std::unique_ptr<Statement> units_;
    std::unique_ptr<Statement> names_;
    std::unique_ptr<Statement> routines_;
    std::unique_ptr<Statement> declarations_; // none in a store without DeclsLib
    qint32 docNo_ = 0;
    QVariant lastScan_; // the document's, as stored; null when it has none
    bool hasDeclarations_ = false;
    bool hasMissingSources_ = false;
    bool hasReportChoices_ = false;
    bool hasScanStamps_ = false;
};

} // namespace ink
