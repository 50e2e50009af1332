#include "DeclarationKinds.h"

#include <array>
#include <vector>

namespace ink {

namespace {

struct KindInfo {
    DeclKind kind;
    const char* name;
    DeclGroup group;
};
constexpr std::array<KindInfo, 17> kinds{{
    {DeclKind::Class, "class", DeclGroup::Structures},
    {DeclKind::Record, "record", DeclGroup::Structures},
    {DeclKind::Interface, "interface", DeclGroup::Structures},
    {DeclKind::Object, "object", DeclGroup::Structures},
    {DeclKind::Helper, "helper", DeclGroup::Structures},
    {DeclKind::Type, "type", DeclGroup::Types},
    {DeclKind::Const, "const", DeclGroup::Constants},
    {DeclKind::ResourceString, "resourcestring", DeclGroup::Constants},
    {DeclKind::Var, "var", DeclGroup::Variables},
    {DeclKind::ThreadVar, "threadvar", DeclGroup::Variables},
    {DeclKind::Procedure, "procedure", DeclGroup::Routines},
    {DeclKind::Function, "function", DeclGroup::Routines},
    {DeclKind::Constructor, "constructor", DeclGroup::Routines},
    {DeclKind::Destructor, "destructor", DeclGroup::Routines},
    {DeclKind::Operator, "operator", DeclGroup::Routines},
    {DeclKind::Property, "property", DeclGroup::Properties},
    {DeclKind::Field, "field", DeclGroup::Fields},
}};

// The kind a stored word names, exactly as the store writes it.
const KindInfo* kindOfWord(QStringView word) {
    for (const KindInfo& info : kinds)
        if (word == QLatin1StringView(info.name))
            return &info;
    return nullptr;
}

bool wordInGroup(QStringView word, DeclGroup group) {
    const KindInfo* info = kindOfWord(word);
    return info && info->group == group;
}

} // namespace

QString DeclKindName(DeclKind kind) {
    // Made once and shared: a build names the kind of every declaration it writes.
    static const std::vector<QString> names = [] {
        std::vector<QString> all;
        for (const KindInfo& info : kinds)
            all.push_back(QString::fromLatin1(info.name));
        return all;
    }();
    return names[std::size_t(kind)];
}

bool DeclKindFromName(const QString& name, DeclKind* kind) {
    for (const KindInfo& info : kinds) {
        if (name.compare(QLatin1StringView(info.name), Qt::CaseInsensitive) == 0) {
            *kind = info.kind;
            return true;
        }
    }
    return false;
}

DeclGroup DeclKindGroup(DeclKind kind) {
    return kinds[std::size_t(kind)].group;
}

QString DeclGroupName(DeclGroup group) {
    static const char* const names[] = {"structures", "types",     "routines", "properties",
                                        "fields",     "constants", "variables"};
    return QLatin1StringView(names[std::size_t(group)]);
}

QString KindWordGroup(const QString& word) {
    DeclKind kind;
    if (!DeclKindFromName(word, &kind))
        return QStringLiteral("?") + word.toCaseFolded();
    return DeclGroupName(DeclKindGroup(kind));
}

bool KindWordIsStructure(QStringView word) {
    return wordInGroup(word, DeclGroup::Structures);
}

bool KindWordIsType(QStringView word) {
    return wordInGroup(word, DeclGroup::Structures) || wordInGroup(word, DeclGroup::Types);
}

bool KindWordIsRoutine(QStringView word) {
    return wordInGroup(word, DeclGroup::Routines);
}

} // namespace ink
