#include "ScopeCache.h"

namespace ink {

std::shared_ptr<Rows> ScopeCache::find(const QVariantList& key) {
    const auto found = scopes_.find(keyText(key));
    if (found == scopes_.end())
        return {};
    found->lastUse = ++uses_;
    return found->rows;
}

void ScopeCache::keep(const QVariantList& key, std::shared_ptr<Rows> rows) {
    const QString leading = key.value(0).toString();
    if (leading != leadingValue_)
        clear();
    leadingValue_ = leading;
    const QString text = keyText(key);
    scopes_.insert(text, Kept{std::move(rows), ++uses_});
    dropLeastRecent(text);
}

// Counted when a scope is kept, not when it was loaded: the table appends to
// the scope it shows, and a build's scopes start empty.
void ScopeCache::dropLeastRecent(const QString& spared) {
    qsizetype rows = rowCount();
    while (scopes_.size() > 1 && (rows > MaxRows || scopes_.size() > MaxScopes)) {
        auto oldest = scopes_.end();
        for (auto it = scopes_.begin(); it != scopes_.end(); ++it)
            if (it.key() != spared && (oldest == scopes_.end() || it->lastUse < oldest->lastUse))
                oldest = it;
        rows -= qsizetype(oldest->rows->size());
        scopes_.erase(oldest);
    }
}

qsizetype ScopeCache::rowCount() const {
    qsizetype rows = 0;
    for (const Kept& kept : scopes_)
        rows += qsizetype(kept.rows->size());
    return rows;
}

void ScopeCache::forget(const QVariantList& key) {
    scopes_.remove(keyText(key));
}

void ScopeCache::clear() {
    scopes_.clear();
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
