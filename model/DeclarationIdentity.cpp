#include "DeclarationIdentity.h"

namespace ink {

namespace {

// Whether two names are the same with letter case folded, as their keys
// compare; ASCII names, nearly all, without making the folded copies.
bool foldedEqual(const QString& a, const QString& b) {
    const qsizetype size = a.size();
    const QChar* x = a.constData();
    const QChar* y = b.constData();
    bool ascii = size == b.size();
    for (qsizetype i = 0; ascii && i < size; ++i)
        ascii = x[i].unicode() < 0x80 && y[i].unicode() < 0x80;
    if (!ascii)
        return a.toCaseFolded() == b.toCaseFolded();
    for (qsizetype i = 0; i < size; ++i) {
        char16_t p = x[i].unicode();
        char16_t q = y[i].unicode();
        if (p >= u'A' && p <= u'Z')
            p += u'a' - u'A';
        if (q >= u'A' && q <= u'Z')
            q += u'a' - u'A';
        if (p != q)
            return false;
    }
    return true;
}

// Separators no name, owner or key holds.
constexpr QChar PartSeparator(1);
constexpr QChar KeySeparator(2);

} // namespace

QString DeclarationIdentity::nameKey() const {
    return owner + PartSeparator + name + PartSeparator + group;
}

QString DeclarationIdentity::key() const {
    return nameKey() + KeySeparator + overloadKey;
}

QString DeclarationIdentity::namesakeKey() const {
    return group + PartSeparator + name;
}

DeclarationIdentity IdentityOf(const Declaration& declaration) {
    return {declaration.owner.toCaseFolded(), declaration.name.toCaseFolded(),
            DeclGroupName(DeclKindGroup(declaration.kind)), declaration.overloadKey.toCaseFolded()};
}

DeclarationIdentity IdentityOf(const QString& kindWord, const QString& owner, const QString& name,
                               const QString& overloadKey) {
    return {owner.toCaseFolded(), name.toCaseFolded(), KindWordGroup(kindWord),
            overloadKey.toCaseFolded()};
}

bool SameIdentity(const Declaration& a, const Declaration& b) {
    return DeclKindGroup(a.kind) == DeclKindGroup(b.kind) && foldedEqual(a.name, b.name) &&
           foldedEqual(a.owner, b.owner) && foldedEqual(a.overloadKey, b.overloadKey);
}

} // namespace ink
