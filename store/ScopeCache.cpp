#include "ScopeCache.h"

namespace ink {

std::shared_ptr<Rows> ScopeCache::find(const QVariantList& key) const {
    return scopes_.value(keyText(key));
}

void ScopeCache::keep(const QVariantList& key, std::shared_ptr<Rows> rows) {
    const QString leading = key.value(0).toString();
    if (leading != leadingValue_ || rowCount_ + qsizetype(rows->size()) > MaxRows)
        clear();
    leadingValue_ = leading;
    rowCount_ += qsizetype(rows->size());
    scopes_.insert(keyText(key), std::move(rows));
}

void ScopeCache::forget(const QVariantList& key) {
    scopes_.remove(keyText(key));
}

void ScopeCache::clear() {
    scopes_.clear();
    rowCount_ = 0;
}

void ScopeCache::revalidate(quint64 changeStamp, qint64 dataVersion) {
    if (changeStamp != changeStamp_ || dataVersion != dataVersion_)
        clear();
    changeStamp_ = changeStamp;
    dataVersion_ = dataVersion;
}

void ScopeCache::checkBeforeOwnWrite(quint64 changeStamp) {
    if (changeStamp != changeStamp_)
        clear();
}

QString ScopeCache::keyText(const QVariantList& key) {
    QString text;
    for (const QVariant& value : key) {
        text += value.toString();
        text += QChar(0x1f);
    }
    return text;
}

} // namespace ink
