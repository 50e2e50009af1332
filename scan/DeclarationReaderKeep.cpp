#include "DeclarationReader.h"

namespace ink {

// A declaration's owner, name, kind group and overload key as one hash: what
// tells a declaration read twice from an overload.
size_t DeclarationReader::identityHash(int parent, const QString& name, DeclGroup group,
                                       const QString& overloadKey) {
    return qHashMulti(qHash(NameKey{parent, name}), int(group), overloadKey);
}

// Adds a declaration unless it repeats one: the same declaration again
// (an include read twice), or another alternative of one in an earlier
// branch of a conditional. Returns its index, or `dropped` when left out.
int DeclarationReader::add(Declaration d, const Branches& where) {
    // A name cut off by the end of the text, or an `&` before no word.
    if (parent_ == dropped || d.name.isEmpty())
        return dropped;
    d.parent = parent_;
    d.owner = owner_;
    if (parent_ < 0)
        d.visibility.clear();
    // A unit declares thousands of names, nearly all once, and a
    // generated one may overload a name thousands of times: each test
    // below is a look-up, never a walk over the declarations of a name.
    // The same declaration again: of the owner, name, kind group and
    // overload key of one kept. Those of one hash are chained through
    // their indexes.
    const DeclGroup group = DeclKindGroup(d.kind);
    const size_t identity = identityHash(parent_, d.name, group, d.overloadKey);
    int& last = kept_[identity];
    for (int other = last - 1; other >= 0; other = earlierSame_[other]) {
        const Declaration& before = out_[other];
        if (before.parent == parent_ && DeclKindGroup(before.kind) == group &&
            before.overloadKey == d.overloadKey &&
            before.name.compare(d.name, Qt::CaseInsensitive) == 0)
            return dropped;
    }
    // Another alternative of one kept in an earlier branch of the same
    // conditional, whatever its overload key.
    for (const auto& [number, branch] : where) {
        const auto earliest = earliestBranch_.constFind({parent_, d.name, group, number});
        if (earliest != earliestBranch_.cend() && *earliest < branch)
            return dropped;
    }
    const int index = int(out_.size());
    // Texts built by appending carry room to grow; a large unit keeps
    // tens of thousands of them until the build has written them.
    d.text.squeeze();
    d.overloadKey.squeeze();
    earlierSame_.push_back(last - 1);
    last = index + 1;
    for (const auto& [number, branch] : where) {
        const auto earliest = earliestBranch_.find({parent_, d.name, group, number});
        if (earliest == earliestBranch_.end())
            earliestBranch_.insert({parent_, d.name, group, number}, branch);
        else
            *earliest = std::min(*earliest, branch);
    }
    makeRoomAhead();
    out_.emplaceBack(std::move(d));
    return index;
}

// A generated unit declares tens of thousands of names, and a list that
// doubles holds its old and its new room at once when it grows last:
// half as much again as the list itself, at the top of a build's memory.
// Once the list is not small, it grows to what the text read so far
// promises for the whole (by an eighth at least, eight times at most), so
// that the last large growth comes early, while the list is still small.
void DeclarationReader::makeRoomAhead() {
    const qsizetype count = out_.size();
    if (count < 1024 || count < out_.capacity())
        return;
    const qsizetype read = std::max<qsizetype>(cur_.token.begin, 1);
    const double promised = double(count) * double(source_.bytes.size()) / double(read);
    out_.reserve(std::clamp(qsizetype(promised * 1.0625), count + count / 8, count * 8));
}

} // namespace ink
