#include "Declaration.h"

#include <array>

namespace ink {

QString StoredDirectives(const Declaration& declaration) {
    if (declaration.directives.isEmpty())
        return declaration.hints;
    if (declaration.hints.isEmpty())
        return declaration.directives;
    return declaration.directives + QStringLiteral("; ") + declaration.hints;
}

QString StoredAncestor(const Declaration& declaration) {
    if (declaration.interfaces.isEmpty())
        return declaration.ancestor;
    QStringList names;
    if (!declaration.ancestor.isEmpty())
        names << declaration.ancestor;
    names << declaration.interfaces;
    return names.join(QStringLiteral(", "));
}

QStringList SplitParents(const QString& storedAncestor) {
    QStringList names;
    int depth = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= storedAncestor.size(); ++i) {
        const QChar c = i < storedAncestor.size() ? storedAncestor[i] : QChar(',');
        if (c == QChar('<') || c == QChar('(') || c == QChar('['))
            ++depth;
        else if (c == QChar('>') || c == QChar(')') || c == QChar(']'))
            depth = qMax(depth - 1, 0);
        else if (c == QChar(',') && depth == 0) {
            const QString name = storedAncestor.mid(start, i - start).trimmed();
            if (!name.isEmpty())
                names.append(name);
            start = i + 1;
        }
    }
    return names;
}

QString StoredText(const QVariant& value) {
    return value.isNull() ? QString() : value.toString();
}

namespace {

QVariant textOrNull(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

// A structure's ancestor and interfaces as the store's one column gives them back.
void loadParents(Declaration& d, const QVariant& value) {
    QStringList parents = SplitParents(StoredText(value));
    d.ancestor = parents.isEmpty() ? QString() : parents.takeFirst();
    d.interfaces = parents;
}

// The store keeps the binding directives and the hints in one column; they
// come back as directives.
void loadDirectives(Declaration& d, const QVariant& value) {
    d.directives = StoredText(value);
    d.hints.clear();
}

void loadKind(Declaration& d, const QVariant& value) {
    DeclKind kind;
    // A word of a later version's reads as a type: shown, never matched.
    d.kind = DeclKindFromName(StoredText(value), &kind) ? kind : DeclKind::Type;
}

using Shape = ColumnShape;
const std::array<DeclarationField, 10> fields{{
    {"DeclKind", Shape::Text, 20, false, false,
     [](const Declaration& d, const QString&) { return QVariant(DeclKindName(d.kind)); }, loadKind},
    {"DeclName", Shape::Text, 255, true, false,
     [](const Declaration& d, const QString&) { return textOrNull(d.name); },
     [](Declaration& d, const QVariant& v) {
         d.name = StoredText(v);
     }},
    {"Owner", Shape::Memo, 0, false, false,
     [](const Declaration& d, const QString&) { return textOrNull(d.owner); },
     [](Declaration& d, const QVariant& v) {
         d.owner = StoredText(v);
     }},
    {"OverloadKey", Shape::Memo, 0, false, false,
     [](const Declaration& d, const QString&) { return textOrNull(d.overloadKey); },
     [](Declaration& d, const QVariant& v) {
         d.overloadKey = StoredText(v);
     }},
    {"Declaration", Shape::Memo, 0, false, false,
     [](const Declaration& d, const QString&) { return textOrNull(d.text); },
     [](Declaration& d, const QVariant& v) {
         d.text = StoredText(v);
     }},
    {"Visibility", Shape::Text, 30, false, false,
     [](const Declaration& d, const QString&) { return textOrNull(d.visibility); },
     [](Declaration& d, const QVariant& v) {
         d.visibility = StoredText(v);
     }},
    {"Directives", Shape::Memo, 0, false, false,
     [](const Declaration& d, const QString&) { return textOrNull(StoredDirectives(d)); },
     loadDirectives},
    {"Ancestor", Shape::Memo, 0, false, false,
     [](const Declaration& d, const QString&) { return textOrNull(StoredAncestor(d)); },
     loadParents},
    // The include file that holds the declaration; nothing for the unit's own file.
    {"SourceFile", Shape::Memo, 0, false, false,
     [](const Declaration& d, const QString& unitFile) {
         return d.sourceFile == unitFile ? QVariant() : textOrNull(d.sourceFile);
     },
     [](Declaration& d, const QVariant& v) {
         d.sourceFile = StoredText(v);
     }},
    {"SourceLine", Shape::Integer, 0, false, false,
     [](const Declaration& d, const QString&) {
         return d.line > 0 ? QVariant(d.line) : QVariant();
     },
     [](Declaration& d, const QVariant& v) {
         d.line = v.isNull() ? 0 : v.toInt();
     }},
}};

} // namespace

std::span<const DeclarationField> DeclarationFields() {
    return fields;
}

} // namespace ink
