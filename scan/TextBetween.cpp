#include "TextBetween.h"

namespace ink {

QString TextBetween(const QString& text, const QString& start, const QString& end) {
    const qsizetype startAt = text.indexOf(start);
    if (startAt < 0)
        return {};
    const qsizetype restAt = startAt + start.size();
    const qsizetype endAt = text.indexOf(end, restAt);
    if (endAt < 0)
        return {};
    const QString between = text.mid(restAt, endAt - restAt);
    return between == QLatin1String("(") ? procedureTypeMarker : between;
}

} // namespace ink
