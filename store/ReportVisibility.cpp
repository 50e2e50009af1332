#include "ReportVisibility.h"

namespace ink {

namespace {

// The known words of `words`, folded, once each, in the kept order.
QStringList inOrder(const QStringList& words) {
    QStringList folded;
    for (const QString& word : words)
        folded.append(word.trimmed().toLower());
    QStringList known;
    for (const QString& word : ReportVisibilityWords())
        if (folded.contains(word))
            known.append(word);
    return known;
}

} // namespace

const QStringList& ReportVisibilityWords() {
    static const QStringList words{QStringLiteral("public"), QStringLiteral("published"),
                                   QStringLiteral("protected"), QStringLiteral("private")};
    return words;
}

QStringList DefaultReportVisibilities() {
    return ReportVisibilityWords().mid(0, 3);
}

QStringList ReadReportVisibility(const QString& stored) {
    return inOrder(stored.split(QChar(','), Qt::SkipEmptyParts));
}

QVariant StoredReportVisibility(const QStringList& words) {
    const QStringList known = inOrder(words);
    if (known.isEmpty() || known == DefaultReportVisibilities())
        return {};
    return known.join(QChar(','));
}

} // namespace ink
