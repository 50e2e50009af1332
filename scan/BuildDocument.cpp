#include "BuildDocument.h"

#include <limits>
#include <QDateTime>

#include "ProjectReader.h"
#include "store/Database.h"
#include "store/ScopeExit.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "UnitScanner.h"
#include "UnitSourceFinder.h"

namespace ink {

namespace {

// A name as the store keeps it, cut to its field's width, so that a search
// with a long name finds the row written with it.
QString asStored(const TTable& table, const char* fieldName, const QString& value) {
    const int index = table.definition().indexOf(QLatin1String(fieldName));
    const int width = table.definition().fields[index].size;
    if (width <= 0 || value.size() <= width)
        return value;
    // Never cut between the two halves of a surrogate pair.
    const int cut = value.at(width - 1).isHighSurrogate() ? width - 1 : width;
    return value.left(cut);
}

QVariant textOrNull(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

void startDocument(TDM1& dm, const QString& projectPath, const QString& documentName,
                   bool refresh) {
    if (!refresh)
        dm.tblDocs->append({QVariant(), documentName, QVariant(), QDateTime::currentDateTime()});
    dm.tblDocs->edit();
    if (!refresh)
        dm.tblDocsDPRFileName->setValue(projectPath);
    dm.tblDocs->post();
}

// The document's unit row for a uses-clause entry: the row of that name and
// `in` path, else the first row of that name; -1 when none. The path tells
// apart the units of one name that live in different folders, so a refresh
// with nothing changed re-points none of them.
int findUnitRow(const TTable& units, const QString& name, const QString& inPath) {
    const int nameField = units.definition().indexOf(QStringLiteral("UnitName"));
    const int pathField = units.definition().indexOf(QStringLiteral("UnitPath"));
    const QString storedName = asStored(units, "UnitName", name);
    const QString storedPath = asStored(units, "UnitPath", inPath);
    int firstOfName = -1;
    for (int row = 0; row < units.recordCount(); ++row) {
        if (units.rowValue(row, nameField).toString().compare(storedName, Qt::CaseInsensitive) != 0)
            continue;
        if (units.rowValue(row, pathField).toString().compare(storedPath, Qt::CaseInsensitive) == 0)
            return row;
        if (firstOfName < 0)
            firstOfName = row;
    }
    return firstOfName;
}

void writeUnits(TDM1& dm, const ProjectUnits& project, bool refresh) {
    const QVariant docNo = dm.tblDocsDocNo->value();
    TTable& units = *dm.tblUnits;
    for (qsizetype i = 0; i < project.units.size(); ++i) {
        const QString& name = project.units[i];
        const bool hasForm = i < project.forms.size();
        const QString form = hasForm ? project.forms[i] : QString();
        const QString inPath = project.paths.value(i);
        const int row = refresh ? findUnitRow(units, name, inPath) : -1;
        if (row >= 0) {
            units.moveTo(row);
            if (hasForm) {
                units.edit();
                dm.tblUnitsFormName->setValue(textOrNull(form));
                dm.tblUnitsUnitPath->setValue(textOrNull(inPath));
                units.post();
            }
            continue;
        }
        units.append({docNo, QVariant(), name, textOrNull(form), QVariant(), textOrNull(inPath)});
    }
}

void writeRoutines(TDM1& dm, const UnitRoutines& found) {
    TTable& procs = *dm.tblProc;
    const QVariant docNo = dm.tblUnitsDocNo->value();
    const QVariant unitNo = dm.tblUnitsUnitNo->value();
    for (const RoutineRow& row : RoutineRows(found)) {
        if (procs.locate(QStringLiteral("ProcName"), asStored(procs, "ProcName", row.name)))
            continue;
        procs.append({docNo, unitNo, QVariant(), row.name, row.procType, row.params, row.result});
    }
}

qint64 scanUnits(TDM1& dm, const QString& projectPath, BuildFeedback& feedback) {
    TTable& units = *dm.tblUnits;
    UnitSourceFinder finder;
    qint64 totalBytes = 0;
    units.first();
    feedback.setProgressMaximum(units.recordCount());
    while (!units.eof()) {
        const QString source = finder.find(projectPath, dm.tblUnitsUnitName->asString(),
                                           dm.tblUnitsUnitPath->asString());
        const UnitRoutines found = ScanUnitRoutines(source);
        totalBytes += found.fileSize;
        writeRoutines(dm, found);
        units.next();
        feedback.stepProgress();
    }
    return totalBytes;
}

void stampDocument(TDM1& dm, qint64 totalBytes) {
    const qint64 kilobytes = std::min<qint64>(totalBytes / 1024, std::numeric_limits<int>::max());
    dm.tblDocs->edit();
    dm.tblDocsDocSize->setValue(int(kilobytes));
    dm.tblDocsDocDate->setValue(QDateTime::currentDateTime());
    dm.tblDocs->post();
}

} // namespace

void BuildDocument(TDM1& dm, const QString& projectPath, const QString& documentName, bool refresh,
                   BuildFeedback& feedback) {
    feedback.setProgressPosition(0);
    feedback.setStatusText(QStringLiteral("Updating:"));
    const ScopeExit clearStatus([&] { feedback.setStatusText(QString()); });
    // One batch for the whole build; it commits on every path, so an error
    // still leaves every row written before it.
    Batch batch(dm.database());

    startDocument(dm, projectPath, documentName, refresh);
    const ProjectUnits project = ReadProjectUnits(projectPath);
    if (!project.error.isEmpty())
        feedback.showError(project.error);
    writeUnits(dm, project, refresh);
    stampDocument(dm, scanUnits(dm, projectPath, feedback));
}

} // namespace ink
