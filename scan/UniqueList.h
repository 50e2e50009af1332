#pragma once
#include <QHash>
#include <QString>
#include <QStringList>

namespace ink {

// A list that takes each value once, without regard to case, by a look-up
// per value: an option file may name tens of thousands of paths. It works on
// a list it does not own, whose values are taken as already there; values
// taken out leave the list when the UniqueList goes.
class UniqueList {
public:
    explicit UniqueList(QStringList& list);
    ~UniqueList();
    UniqueList(const UniqueList&) = delete;
    UniqueList& operator=(const UniqueList&) = delete;

    // Appends `value` unless it is empty or the list holds it already.
    void append(const QString& value);
    void append(const QStringList& values);
    void remove(const QString& value);

private:
    QStringList& list_;
    QHash<QString, qsizetype> index_; // folded value -> where it stands
    bool removed_ = false;
};

// Appends to `list` each of `values` it does not hold yet.
void AppendUnique(QStringList& list, const QStringList& values);

} // namespace ink
