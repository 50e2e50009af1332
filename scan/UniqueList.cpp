#include "UniqueList.h"

namespace ink {

UniqueList::UniqueList(QStringList& list) : list_(list) {
    for (qsizetype i = 0; i < list_.size(); ++i)
        if (!list_[i].isEmpty())
            index_.insert(list_[i].toCaseFolded(), i);
}

UniqueList::~UniqueList() {
    // Removed values were left as null strings, so that the positions in the
    // index stayed true until now.
    if (removed_)
        list_.removeIf([](const QString& value) { return value.isNull(); });
}

void UniqueList::append(const QString& value) {
    if (value.isEmpty())
        return;
    const QString folded = value.toCaseFolded();
    if (index_.contains(folded))
        return;
    index_.insert(folded, list_.size());
    list_.append(value);
}

void UniqueList::append(const QStringList& values) {
    for (const QString& value : values)
        append(value);
}

void UniqueList::remove(const QString& value) {
    const auto found = index_.constFind(value.toCaseFolded());
    if (found == index_.cend())
        return;
    list_[*found] = QString();
    removed_ = true;
    index_.erase(found);
}

void AppendUnique(QStringList& list, const QStringList& values) {
    UniqueList(list).append(values);
}

} // namespace ink
