#include "StoredDeclarations.h"

#include <utility>

namespace ink {

StoredDeclarations::StoredDeclarations(QList<StoredDeclaration> rows, bool judgedBefore)
    : rows_(std::size_t(rows.size())), judgedBefore_(judgedBefore) {
    for (qsizetype i = 0; i < rows.size(); ++i)
        rows_[std::size_t(i)] = std::make_unique<StoredDeclaration>(std::move(rows[i]));
}

StoredDeclarations::StoredDeclarations(int count, ReadRow readRow, ReadDescribed readDescribed,
                                       bool judgedBefore)
    : rows_(std::size_t(count)), readRow_(std::move(readRow)),
      readDescribed_(std::move(readDescribed)), judgedBefore_(judgedBefore) {}

const StoredDeclaration& StoredDeclarations::at(int index) const {
    std::unique_ptr<StoredDeclaration>& row = rows_[std::size_t(index)];
    if (!row)
        row = std::make_unique<StoredDeclaration>(readRow_(index));
    return *row;
}

bool StoredDeclarations::described(int index) const {
    return readDescribed_ ? readDescribed_(index) : at(index).described;
}

} // namespace ink
