#include "PathParts.h"

#include <algorithm>

namespace ink {

qsizetype FileNameStart(const QString& path) {
    return std::max({path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'), path.lastIndexOf(u':')}) + 1;
}

QString FolderPart(const QString& path) {
    return path.left(FileNameStart(path));
}

QString FileNamePart(const QString& path) {
    return path.mid(FileNameStart(path));
}

} // namespace ink
