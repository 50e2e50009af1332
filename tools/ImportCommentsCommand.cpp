// inkwright-tool import-comments DOCNO --data DIR|--db URL
// Fills the empty unit and routine descriptions of a document from the
// comments on their declarations, as the documents list's menu does, and
// prints what it filled: units, tab, count, tab, routines, tab, count, tab,
// declarations, tab, count.
#include "docs/CommentImport.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "ToolCommand.h"
#include "ToolStore.h"

using namespace ink;

namespace {

int runImport(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QStringList args = arguments;
    QString storeProblem;
    const std::optional<DocumentArguments> document = takeDocumentArguments(args, &storeProblem);
    if (!document) {
        err << usageWithProblem("import-comments DOCNO --data DIR|--db URL", storeProblem);
        return 2;
    }
    ToolStore store(document->store);
    TDM1& dm = store.dm();
    if (!moveToDocument(dm, document->docNo)) {
        err << noSuchDocument(document->docNo, document->store) << '\n';
        return 1;
    }
    const CommentImportPlan plan = PlanCommentImport(dm);
    ApplyCommentImport(dm, plan);
    out << "units\t" << plan.units << "\troutines\t" << plan.routines << "\tdeclarations\t"
        << plan.declarations << '\n';
    return 0;
}

const ToolCommandRegistration registration({
    QStringLiteral("import-comments"),
    QStringLiteral("import-comments DOCNO --data DIR|--db URL   fill empty descriptions from the "
                   "source's comments"),
    runImport,
});

} // namespace
