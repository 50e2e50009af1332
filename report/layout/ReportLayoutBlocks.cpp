// The blocks a unit's pages are made of: its heading, each declaration or
// routine with its description, and the note that closes the unit.
#include "ReportLayoutParts.h"
#include "UnitView.h"

namespace ink {

using namespace layout;

namespace {

const QString NoDescription = QString::fromLatin1(NoDescriptionText);

} // namespace

ReportLayout::Block ReportLayout::headingBlock(const QString& heading, int depth) {
    Block block;
    block.spaceBefore = depth == 0 ? 14 : 8;
    block.keepWithNext = true;
    const double x = Left + depth * MemberIndent;
    block.lines.append(single(heading, PageFont::Bold, depth == 0 ? 12 : 10, x,
                              depth == 0 ? 0 : 0.3, depth == 0 ? 18 : 14));
    return block;
}

void ReportLayout::appendDeclarationBlocks(QList<Block>& blocks, const UnitView::Entry& entry) {
    const ReportDeclaration& d = *entry.declaration;
    if (!d.heading.isEmpty())
        blocks.append(headingBlock(d.heading, d.depth));
    const double x = Left + d.depth * MemberIndent;
    const double width = Right - x;
    Block block;
    block.spaceBefore = d.isStructure() ? 12 : 8;
    block.outlineLevel = d.depth + 1;
    block.outlineTitle = d.name;
    block.indexName = d.name;
    block.indexOwner = d.owner;
    block.isUnitType = entry.isUnitLevelType();
    block.unlinkedName = entry.unlinkedName();
    if (entry.inHierarchy)
        block.hierarchyClass = &d;
    block.ruleAbove = d.depth == 0 && d.isStructure() && d.heading.isEmpty();
    if (d.isStructure()) {
        block.lines.append(single(d.name, PageFont::Bold, 11, x, 0, 16));
        block.lines.append(single(d.kindLine(), PageFont::Italic, 9, x, 0.35));
        block.lines.last().linksTypes = true;
    }
    for (Line line : wrap(d.declaration.simplified(), PageFont::Mono, MonoSize,
                          x + DeclarationIndent, width - DeclarationIndent, DeclarationHanging)) {
        line.linksTypes = true;
        block.lines.append(line);
    }
    QStringList facts;
    if (!d.visibility.isEmpty())
        facts.append(d.visibility);
    if (!d.location().isEmpty())
        facts.append(d.location());
    if (!facts.isEmpty())
        block.lines.append(single(facts.join(QStringLiteral("  \u00b7  ")), PageFont::Regular, 8,
                                  x + DeclarationIndent, 0.45));
    block.keep = int(block.lines.size()) + 1;
    const double textX = x + DescriptionIndent;
    const double textWidth = Right - textX;
    if (d.deprecated()) {
        const QString note = d.deprecationNote();
        block.lines += wrap(note.isEmpty() ? QStringLiteral("Deprecated.")
                                           : QStringLiteral("Deprecated: ") + note,
                            PageFont::Bold, 9, textX, textWidth, 0, 0.25);
    }
    if (d.leftTheSource)
        block.lines += wrap(QString::fromLatin1(LeftTheSourceNote), PageFont::Italic, 9, textX,
                            textWidth, 0, Quiet);
    if (!d.changedFrom.trimmed().isEmpty())
        block.lines += wrap(QStringLiteral("Signature changed: the description was written for ") +
                                d.changedFrom.simplified(),
                            PageFont::Italic, 9, textX, textWidth, 0, 0.25);
    if (d.described())
        block.lines += wrap(d.description, PageFont::Regular, BodySize, textX, textWidth);
    else
        block.lines.append(single(NoDescription, PageFont::Italic, 9, textX, Quiet));
    blocks.append(block);
}

QList<ReportLayout::Block> ReportLayout::blocksOf(const ReportUnit& unit) const {
    const double width = TextWidth;
    QList<Block> blocks;

    Block head;
    head.spaceBefore = 20;
    head.outlineLevel = 0;
    head.outlineTitle = unit.name;
    head.keepWithNext = true;
    head.lines.append(single(unit.name, PageFont::Bold, 14, Left, 0, 22));
    if (!unit.form.isEmpty())
        head.lines.append(
            single(QStringLiteral("Form: ") + unit.form, PageFont::Regular, BodySize, Left, 0.3));
    head.lines.append(single({}, PageFont::Regular, 4, Left)); // a little air
    if (unit.described())
        head.lines += wrap(unit.description, PageFont::Regular, BodySize, Left, width);
    else
        head.lines.append(single(NoDescription, PageFont::Italic, 9, Left, Quiet));
    head.keep = int(head.lines.size());
    blocks.append(head);

    const UnitView view(unit);
    for (const UnitView::Entry& entry : view.entries()) {
        if (entry.declaration) {
            appendDeclarationBlocks(blocks, entry);
            continue;
        }
        if (!entry.heading.isEmpty())
            blocks.append(headingBlock(entry.heading, entry.depth));
        const ReportRoutine& routine = *entry.routine;
        Block block;
        block.spaceBefore = 8;
        block.outlineLevel = 1;
        block.outlineTitle = routine.name;
        block.indexName = routine.name;
        block.lines = wrap(routineDeclaration(routine), PageFont::Mono, MonoSize,
                           Left + DeclarationIndent, width - DeclarationIndent, DeclarationHanging);
        block.keep = int(block.lines.size()) + 1;
        if (routine.described())
            block.lines += wrap(routine.description, PageFont::Regular, BodySize,
                                Left + DescriptionIndent, width - DescriptionIndent);
        else
            block.lines.append(
                single(NoDescription, PageFont::Italic, 9, Left + DescriptionIndent, Quiet));
        blocks.append(block);
    }
    const QString note = unit.closingNote();
    if (!note.isEmpty()) {
        Block none;
        none.spaceBefore = 8;
        // A path may be long: it wraps like any text.
        none.lines = wrap(note, PageFont::Italic, 9, Left + DeclarationIndent,
                          width - DeclarationIndent, 0, Quiet);
        if (!unit.placeholderDescription.isEmpty())
            none.lines += wrap(unit.placeholderDescription, PageFont::Regular, BodySize,
                               Left + DescriptionIndent, width - DescriptionIndent);
        blocks.append(none);
    }
    return blocks;
}

} // namespace ink
