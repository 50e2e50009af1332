#pragma once
#include <QList>

#include "store/DescriptionFill.h"

namespace ink {

class Dialogs;
class TDM1;

// What the comments of a document's sources would fill: the units and
// routines whose description holds no word and whose declaration carries a
// comment.
struct CommentImportPlan {
    QList<DescriptionFill> fills;
    int units = 0;
    int routines = 0;
};

// Reads the comments of every unit of the current document.
CommentImportPlan PlanCommentImport(TDM1& dm);

// Writes the plan; never over a description that holds a word. Returns how
// many descriptions were filled.
int ApplyCommentImport(TDM1& dm, const CommentImportPlan& plan);

// "Import Descriptions from Comments...": the counts in a confirmation box
// first, then the filling.
void ImportDescriptionsFromComments(TDM1& dm, Dialogs& dialogs);

} // namespace ink
