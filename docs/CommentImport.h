#pragma once
#include <QList>

#include "store/DescriptionFill.h"

namespace ink {

class Dialogs;
class TDM1;

// What the comments of a document's sources would fill: the units and
// routines whose description holds no word and whose declaration carries a
// comment, and the declarations that show no description (neither their own
// nor one they share) and carry a comment of their own: the comment above
// each, so that two methods of one name in two types, overloads and
// properties each get theirs. A routine declaration whose comment is the
// one its routine row is given shares it rather than holding a copy.
struct CommentImportPlan {
    QList<DescriptionFill> fills;
    int units = 0;
    int routines = 0;
    int declarations = 0;
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
