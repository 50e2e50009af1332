#pragma once
#include <array>
#include <optional>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QPair>
#include <QString>
#include <QStringList>

#include "model/OutputTexts.h"
#include "store/Coverage.h"
#include "store/DocumentReader.h"

namespace ink {

// What a report shows of one document, as every output sees it: the PDF
// layout, the site and the single page draw this and decide nothing of their
// own. The reader (ReportSource) has already applied the rules of what is
// shown: placeholder rows and the rows of procedural types are not
// routines (store/RoutineMarkers.h), "N/A" is no form, and a description
// counts only when the coverage would count it.

struct ReportRoutine {
    QString kind; // "PROCEDURE" or "FUNCTION"
    QString name;
    QString parameters; // "<None>" when the routine has none
    QString resultType; // "<None>" for a procedure
    QString description;
    QString declaration; // the whole declaration as scanned; empty in older stores

    // A blank or separator-only text shows as "No description.", as the
    // coverage counts it.
    bool described() const { return IsDescribed(description); }
};

// The routine as Pascal declares it: the scanned declaration when the store
// has it, else one put together from the name, parameters and result type
// (whose parameter text the store may have cut).
QString routineDeclaration(const ReportRoutine& routine);

// One declaration of a unit's interface as the report shows it (the stored
// declaration row with its shown description), in the report's order: the
// unit's types in source order, each followed by its members grouped, then
// the unit-level routines, constants and variables.
struct ReportDeclaration {
    QString kind; // as the store names it: "class", "procedure", "property"...
    QString name;
    QString owner; // the dotted path of the enclosing types; empty at unit level
    QString declaration;
    QString visibility;
    QString directives;
    QString ancestor; // a structure's ancestor, then its interfaces, ", " between
    QString sourceFile;
    int sourceLine = 0;
    // Its own description or, for a routine without one, the one of the
    // unit's routine row of its name (then `sharedDescription`).
    QString description;
    bool sharedDescription = false;
    // The declaration its description was written for, while the user has
    // not looked at the description since the signature changed.
    QString changedFrom;
    // Not found by the document's last build or refresh: shown, and marked.
    bool leftTheSource = false;
    // 0 at unit level, 1 for a member of a unit-level type, and so on.
    int depth = 0;
    // Where a group of the unit ("Types", "Routines", "Constants",
    // "Variables") or of a type's members ("Methods", "Properties"...)
    // begins, its heading; empty elsewhere.
    QString heading;

    bool described() const { return IsDescribed(description); }
    // A class, record, interface, object or helper: what has members.
    bool isStructure() const;
    // `deprecated` among its hints; `deprecationNote` is its text, if any.
    bool deprecated() const;
    QString deprecationNote() const;
    // "TShape.Area"; the name alone at unit level.
    QString qualifiedName() const;
    // "Shapes.pas:12": where it stands, the file without its folder.
    QString location() const;
    // "class, inherits TBase, implements IFoo, IBar"; the kind alone for a
    // declaration without ancestor.
    QString kindLine() const;
    // The ancestor, then the interfaces, each as written; the commas of
    // generic arguments (`TDictionary<string, Integer>`) do not part them.
    QStringList parents() const;
};

struct ReportUnit {
    QString name;
    QString form; // empty when the unit has none
    QString description;
    // In the order they were stored; placeholders and procedural types'
    // rows left out.
    QList<ReportRoutine> routines;
    // The declarations shown, in report order; empty where the store has
    // none for the unit (an older store, or one not refreshed since), and
    // the routines are shown instead.
    QList<ReportDeclaration> declarations;
    // Routines whose name no declaration of the unit has (rows kept for a
    // routine that left the source, say): shown after the declarations so
    // that no description is lost from the report.
    QList<ReportRoutine> otherRoutines;
    // What the user typed on the placeholder row of a unit that declares
    // nothing, shown under the closing note; empty unless it is a
    // description and the unit shows no routines.
    QString placeholderDescription;
    // Where the last scan looked for the source and found none; empty when
    // it read the source (or the store does not say).
    QString missingSource;
    // The unit's row of the coverage: its routines and declarations still in
    // the source, and how many of them are described. Those that left the
    // source are shown but counted apart.
    UnitCoverage coverage;

    bool described() const { return IsDescribed(description); }
    // The line that closes the unit's routines: that its source was not
    // found, and where it was looked for (the routines shown, if any, are
    // those of an earlier scan); else, when it has none, that it declares
    // none; else nothing. A unit whose source is missing never reads as empty.
    QString closingNote() const;
};

// Where each identifier of a declaration's text stands (start, length),
// left to right; quoted strings are passed over.
QList<QPair<qsizetype, qsizetype>> identifiersIn(QStringView text);

// The form the report shows for a stored FormName: none for "N/A" or blanks.
QString shownForm(const QString& storedForm);

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

// The document's facts (its version values one per VersionFields entry),
// and the figures.
struct ReportDocument : DocumentFacts {
    qint32 docNo = 0;
    int unitCount = 0;
    // The figures as the window, the coverage and the tool count them (its
    // units are the source's to hand out one at a time, not held here).
    // Units, routines and declarations that left the source are shown, and
    // counted apart.
    DocumentCoverage coverage;
};

// One captioned value of the title or the version information; only those
// with a value are listed.
struct ReportFact {
    QString caption;
    QString value;
};

// What the title of a report lists, in order: author, company, project
// file, dates, size and counts; `made` is when the report was made.
QList<ReportFact> titleFacts(const ReportDocument& document, const QLocale& locale,
                             const QDateTime& made);
// The version information a document asks for, fields without a value left out.
QList<ReportFact> versionFacts(const ReportDocument& document);

// "1,536 KB" (with the locale's thousands separator), as the document list shows it.
QString reportSizeText(qint64 sizeKb, const QLocale& locale);
// "2 units, 14 routines" (and ", 30 declarations" where the document keeps
// them): what left the source, shown in the report but not counted with the
// rest; empty when nothing did.
QString leftTheSourceText(const DocumentCoverage& coverage, const QLocale& locale);
// "401 of 6,173 declarations (6.4%)", with the locale's thousands separator.
QString describedText(const DocumentCoverage& coverage, const QLocale& locale);
// The locale's short date, a blank and its time with seconds; the time is
// left out at midnight, as the document list shows it.
QString reportDateText(const QDateTime& moment, const QLocale& locale);

} // namespace ink
