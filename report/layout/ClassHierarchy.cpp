#include "ClassHierarchy.h"

#include <algorithm>
#include <QHash>

#include "ReportDocument.h"

namespace ink {

namespace {

// A type name as the tree looks it up: dotted parts without blanks or `&`,
// and how many type parameters it takes.
struct TypeRef {
    QString name; // "Classes.TPersistent", "TList"
    int arity = 0;
};

// The number of type parameters in `<...>` starting at `open`: they are
// separated by "," or ";", but after a ":" a constraint list runs to the
// next ";" (`TFoo<T: class, constructor>` takes one). `constraints` is off
// for the arguments of an ancestor, where a ":" cannot stand.
int countParameters(QStringView text, qsizetype open, bool constraints) {
    int count = 1;
    int depth = 0;
    bool inConstraint = false;
    for (qsizetype i = open; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QChar('<') || c == QChar('(') || c == QChar('[')) {
            ++depth;
        } else if (c == QChar('>') || c == QChar(')') || c == QChar(']')) {
            if (--depth == 0)
                break;
        } else if (depth == 1) {
            if (c == QChar(':') && constraints) {
                inConstraint = true;
            } else if (c == QChar(';')) {
                ++count;
                inConstraint = false;
            } else if (c == QChar(',') && !inConstraint) {
                ++count;
            }
        }
    }
    return count;
}

QString plainName(QStringView text) {
    QString name;
    for (const QChar c : text)
        if (!c.isSpace() && c != QChar('&'))
            name += c;
    return name;
}

// The ancestor as written: `specialize TFPGList<TItem>`, `Classes.TPersistent`.
TypeRef ancestorRef(const QString& written) {
    QString text = written.trimmed();
    if (text.startsWith(QLatin1String("specialize "), Qt::CaseInsensitive))
        text = text.mid(11).trimmed();
    const qsizetype open = text.indexOf(QChar('<'));
    if (open < 0)
        return {plainName(text), 0};
    return {plainName(QStringView(text).left(open)), countParameters(text, open, false)};
}

// The type parameters a generic declares, from its head (`TList<T> =
// class(...)`); 0 for a type that is not generic.
int declaredArity(const ReportDeclaration& d) {
    const qsizetype equals = d.declaration.indexOf(QChar('='));
    const QStringView head = QStringView(d.declaration).left(equals < 0 ? 0 : equals);
    const qsizetype open = head.indexOf(QChar('<'));
    return open < 0 ? 0 : countParameters(head, open, true);
}

QString key(const QString& name, int arity) {
    return name.toCaseFolded() + QChar('`') + QString::number(arity);
}

// "Shapes.pas" is the unit "Shapes" a qualified name may name.
QString unitStem(const QString& unitName) {
    QString name = unitName;
    name.replace(QChar('\\'), QChar('/'));
    name = name.section(QChar('/'), -1);
    for (const char* extension : {".pas", ".pp", ".p"})
        if (name.endsWith(QLatin1String(extension), Qt::CaseInsensitive)) {
            name.chop(qsizetype(qstrlen(extension)));
            break;
        }
    return name;
}

// How generic parameters are shown for an ancestor outside the document,
// whose own names for them are not known.
QString outsideName(const QString& name, int arity) {
    if (arity == 0)
        return name;
    if (arity == 1)
        return name + QStringLiteral("<T>");
    QStringList parameters;
    for (int i = 1; i <= arity; ++i)
        parameters.append(QStringLiteral("T%1").arg(i));
    return name + QChar('<') + parameters.join(QStringLiteral(", ")) + QChar('>');
}

} // namespace

bool ClassHierarchy::takes(const ReportDeclaration& d) {
    return d.kind == QLatin1String("class") || d.kind == QLatin1String("interface") ||
           d.kind == QLatin1String("object");
}

int ClassHierarchy::add(const ReportDeclaration& d, int unit, const QString& unitName) {
    Entry entry;
    // A generic shows its parameters as declared.
    QString name = d.name;
    const qsizetype equals = d.declaration.indexOf(QChar('='));
    const QString head = d.declaration.left(equals < 0 ? 0 : equals).trimmed();
    if (head.contains(QChar('<')) && head.startsWith(d.name, Qt::CaseInsensitive))
        name = head;
    entry.name = d.owner.isEmpty() ? name : d.owner + QChar('.') + name;
    entry.kind = d.kind;
    entry.ancestor = d.parents().value(0);
    entry.unit = unit;
    entry.unitName = unitName;
    // The arity is kept with the name for the look-up below.
    entry.arity = declaredArity(d);
    entry.lookupName = d.qualifiedName();
    classes_.append(entry);
    return int(classes_.size()) - 1;
}

struct ClassHierarchy::Lookup {
    QHash<QString, QList<int>> byName;   // in the order added
    QHash<QString, QList<int>> generics; // by name alone, whatever their parameters

    // The declaration `name` finds from class `from`: the one in `unit` (the
    // class's own), else the first of the document; never the class itself.
    int find(const QList<Entry>& classes, const QString& name, int arity, int from,
             int unit) const {
        const auto found = byName.constFind(key(name, arity));
        if (found == byName.constEnd())
            return -1;
        int first = -1;
        for (const int i : *found) {
            if (i == from)
                continue;
            if (classes[i].unit == unit)
                return i;
            if (first < 0)
                first = i;
        }
        return first;
    }
};

namespace {

// Classes that name each other as ancestors (a damaged store, or code that
// never compiled) would hang from nothing: the first met of each such loop
// becomes a root.
void breakLoops(QList<int>& parent) {
    QList<char> state(parent.size(), 0); // 0 not seen, 1 on the path being walked, 2 settled
    for (int i = 0; i < parent.size(); ++i) {
        QList<int> path;
        int at = i;
        while (at >= 0 && state[at] == 0) {
            state[at] = 1;
            path.append(at);
            at = parent[at];
        }
        if (at >= 0 && state[at] == 1)
            parent[at] = -1;
        for (const int j : path)
            state[j] = 2;
    }
}

} // namespace

QList<ClassHierarchy::Line> ClassHierarchy::lines() const {
    return treeLines(ancestry());
}

// The class of the document the ancestor `name` of class `from` stands for;
// -1 for one outside the document.
int ClassHierarchy::findAncestor(const Lookup& lookup, int from, const QString& name,
                                 int arity) const {
    const Entry& entry = classes_[from];
    int found = -1;
    // A type nested beside the class, or beside one of its owners.
    QString scope = entry.lookupName.section(QChar('.'), 0, -2);
    while (found < 0 && !scope.isEmpty()) {
        found = lookup.find(classes_, scope + QChar('.') + name, arity, from, entry.unit);
        if (found >= 0 && classes_[found].unit != entry.unit)
            found = -1;
        scope = scope.section(QChar('.'), 0, -2);
    }
    if (found < 0)
        found = lookup.find(classes_, name, arity, from, entry.unit);
    const QString last = name.section(QChar('.'), -1);
    if (found < 0 && last != name) {
        // `Unit.TName`: the unit it names, if the document has it.
        const QString unit = name.section(QChar('.'), 0, -2);
        for (const int j : lookup.byName.value(key(last, arity)))
            if (j != from && unitStem(classes_[j].unitName).compare(unit, Qt::CaseInsensitive) == 0)
                return j;
        found = lookup.find(classes_, last, arity, from, entry.unit);
    }
    if (found < 0 && arity > 0) {
        // A generic whose parameters the reader could not count (FPC's
        // units write them with macros): the one generic of the name is the
        // best guess, as nothing else of it can be specialized.
        for (const int j : lookup.generics.value(key(last, -1))) {
            if (j == from)
                continue;
            if (classes_[j].unit == entry.unit)
                return j;
            if (found < 0)
                found = j;
        }
    }
    return found;
}

ClassHierarchy::Ancestry ClassHierarchy::ancestry() const {
    const int count = int(classes_.size());
    Lookup lookup;
    for (int i = 0; i < count; ++i) {
        lookup.byName[key(classes_[i].lookupName, classes_[i].arity)].append(i);
        if (classes_[i].arity > 0)
            lookup.generics[key(classes_[i].lookupName, -1)].append(i);
    }
    Ancestry ancestry{QList<int>(count, -1), QList<int>(count, -1), {}};
    // Each outside ancestor with the spellings its descendants give it, and
    // how often: it is shown as most of them write it.
    QList<QList<QPair<QString, int>>> outsideSpellings;
    QHash<QString, int> outsideByName;
    for (int i = 0; i < count; ++i) {
        const Entry& entry = classes_[i];
        QString written = entry.ancestor;
        if (written.isEmpty()) {
            if (entry.kind != QLatin1String("class") ||
                entry.lookupName.compare(QLatin1String("TObject"), Qt::CaseInsensitive) == 0)
                continue;
            written = QStringLiteral("TObject");
        }
        const TypeRef ref = ancestorRef(written);
        if (ref.name.isEmpty())
            continue;
        const int found = findAncestor(lookup, i, ref.name, ref.arity);
        if (found >= 0) {
            ancestry.parent[i] = found;
            continue;
        }
        const QString last = ref.name.section(QChar('.'), -1);
        const QString outsideKey = key(last, ref.arity);
        auto known = outsideByName.constFind(outsideKey);
        if (known == outsideByName.constEnd()) {
            known = outsideByName.insert(outsideKey, int(outsideSpellings.size()));
            outsideSpellings.append(QList<QPair<QString, int>>());
        }
        ancestry.outside[i] = *known;
        QList<QPair<QString, int>>& spellings = outsideSpellings[*known];
        const QString spelling = outsideName(last, ref.arity);
        const auto same = std::find_if(spellings.begin(), spellings.end(),
                                       [&](const auto& seen) { return seen.first == spelling; });
        if (same == spellings.end())
            spellings.append({spelling, 1});
        else
            ++same->second;
    }
    for (const QList<QPair<QString, int>>& spellings : std::as_const(outsideSpellings))
        ancestry.outsideNames.append(
            std::max_element(spellings.cbegin(), spellings.cend(),
                             [](const auto& a, const auto& b) { return a.second < b.second; })
                ->first);
    breakLoops(ancestry.parent);
    return ancestry;
}

QList<ClassHierarchy::Line> ClassHierarchy::treeLines(const Ancestry& ancestry) const {
    const int count = int(classes_.size());
    const QStringList& outsideNames = ancestry.outsideNames;
    // The tree: document classes by number, outside ancestors after them.
    QList<QList<int>> children(count + outsideNames.size());
    QList<int> roots;
    for (int i = 0; i < count; ++i) {
        if (ancestry.parent[i] >= 0)
            children[ancestry.parent[i]].append(i);
        else if (ancestry.outside[i] >= 0)
            children[count + ancestry.outside[i]].append(i);
        else
            roots.append(i);
    }
    for (int o = 0; o < outsideNames.size(); ++o)
        roots.append(count + o);
    const auto nameOf = [&](int node) -> const QString& {
        return node < count ? classes_[node].name : outsideNames[node - count];
    };
    const auto order = [&](int a, int b) {
        if (const int c = nameOf(a).compare(nameOf(b), Qt::CaseInsensitive))
            return c < 0;
        return a < b;
    };
    std::sort(roots.begin(), roots.end(), order);
    for (QList<int>& list : children)
        std::sort(list.begin(), list.end(), order);

    // Read depth first, without recursion: a chain of ancestors may be long.
    QList<Line> lines;
    lines.reserve(count + outsideNames.size());
    QList<QPair<int, int>> stack; // node, depth
    for (auto root = roots.crbegin(); root != roots.crend(); ++root)
        stack.append({*root, 0});
    while (!stack.isEmpty()) {
        const auto [node, depth] = stack.takeLast();
        Line line;
        line.name = nameOf(node);
        line.depth = depth;
        if (node < count) {
            const Entry& entry = classes_[node];
            line.entry = node;
            line.kind = entry.kind;
            line.unit = entry.unit;
            line.unitName = entry.unitName;
        }
        lines.append(line);
        const QList<int>& below = children[node];
        for (auto child = below.crbegin(); child != below.crend(); ++child)
            stack.append({*child, depth + 1});
    }
    return lines;
}

} // namespace ink
