#pragma once
#include <array>
#include <optional>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "store/Coverage.h"

namespace ink {

// What a report shows of one document, read from the documentation tables.

struct ReportRoutine {
    QString kind; // "PROCEDURE" or "FUNCTION"
    QString name;
    QString parameters; // "<None>" when the routine has none
    QString resultType; // "<None>" for a procedure
    QString description;
    QString declaration; // the whole declaration as scanned; empty in older stores
};

// The row the scanner stores for a unit in which it found no routine, told
// apart as everywhere else.
inline bool isPlaceholderRoutine(const ReportRoutine& routine) {
    return IsPlaceholderRoutine(routine.name);
}

// The routine as Pascal declares it: the scanned declaration when the store
// has it, else one put together from the name, parameters and result type
// (whose parameter text the store may have cut).
QString routineDeclaration(const ReportRoutine& routine);

struct ReportUnit {
    QString name;
    QString form; // "N/A" when the unit has no form
    QString description;
    QList<ReportRoutine> routines; // in the order they were stored
    // Where the last scan looked for the source and found none; empty when
    // it read the source (or the store does not say).
    QString missingSource;
};

// The line that closes a unit's routines: that its source was not found,
// and where it was looked for (the routines shown, if any, are those of an
// earlier scan); else, when it shows none, that it declares none; else
// nothing. A unit whose source is missing never reads as empty.
QString unitClosingNote(const ReportUnit& unit, bool showsRoutines);

// The version fields of a document row, in the order the report lists them.
struct VersionField {
    const char* column;
    const char* caption;
};
inline constexpr std::array<VersionField, 11> VersionFields{{
    {"AppEXEName", "Executable"},
    {"CompanyName", "Company name"},
    {"FileDescr", "File description"},
    {"FileName", "File name"},
    {"VersionNo", "File version"},
    {"InternalName", "Internal name"},
    {"LegalCopyright", "Legal copyright"},
    {"LegalTrademark", "Legal trademarks"},
    {"OriginalFileName", "Original file name"},
    {"ProductName", "Product name"},
    {"ProductVer", "Product version"},
}};

struct ReportDocument {
    qint32 docNo = 0;
    QString name;
    QString author;
    QString company;
    QString projectFile;
    QDateTime modified;           // invalid when never set
    std::optional<qint64> sizeKb; // none when never set
    bool includeVersionInfo = false;
    QStringList versionValues; // one per VersionFields entry
    QList<ReportUnit> units;   // in list order
};

} // namespace ink
