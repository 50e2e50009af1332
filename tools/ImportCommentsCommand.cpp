// inkwright-tool import-comments DOCNO --data DIR
// Fills the empty unit and routine descriptions of a document from the
// comments on their declarations, as the documents list's menu does, and
// prints what it filled: units, tab, count, tab, routines, tab, count.
#include "docs/CommentImport.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "ToolCommand.h"
#include "ToolStore.h"

using namespace ink;

namespace {

int runImport(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList args = arguments;
    const QString data = takeOption(args, QStringLiteral("--data"));
    bool isNumber = false;
    const int docNo = args.size() == 1 ? args.first().toInt(&isNumber) : 0;
    if (!isNumber || data.isEmpty()) {
        err << "usage: inkwright-tool import-comments DOCNO --data DIR\n";
        return 2;
    }
    ToolStore store(data);
    TDM1& dm = store.dm();
    bool found = false;
    for (dm.tblDocs->first(); !found && !dm.tblDocs->eof();) {
        found = dm.tblDocsDocNo->asInteger() == docNo;
        if (!found)
            dm.tblDocs->next();
    }
    if (!found) {
        err << "There is no document number " << docNo << " in " << data << ".\n";
        return 1;
    }
    const CommentImportPlan plan = PlanCommentImport(dm);
    ApplyCommentImport(dm, plan);
    out << "units\t" << plan.units << "\troutines\t" << plan.routines << '\n';
    return 0;
}

const ToolCommandRegistration registration({
    QStringLiteral("import-comments"),
    QStringLiteral("import-comments DOCNO --data DIR   fill empty descriptions from the "
                   "source's comments"),
    runImport,
});

} // namespace
