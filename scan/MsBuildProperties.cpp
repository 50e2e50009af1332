#include "MsBuildProperties.h"

#include <algorithm>
#include <QRegularExpression>
#include <QSet>

#include "MsBuildCondition.h"

namespace ink {

namespace {

// One evaluation of every group. `keys` are set before the first group.
MsBuildProperties evaluatePass(const QList<MsBuildPropertyGroup>& groups, const QString& config,
                               const QString& platform, const MsBuildProperties& keys) {
    MsBuildProperties properties = keys;
    QSet<QString> global;
    if (!config.isEmpty()) {
        properties.insert(QStringLiteral("config"), config);
        global.insert(QStringLiteral("config"));
    }
    if (!platform.isEmpty()) {
        properties.insert(QStringLiteral("platform"), platform);
        global.insert(QStringLiteral("platform"));
    }
    for (const MsBuildPropertyGroup& group : groups) {
        if (!MsBuildConditionHolds(group.condition, properties))
            continue;
        for (const MsBuildProperty& property : group.properties) {
            const QString key = property.name.toLower();
            if (global.contains(key) || !MsBuildConditionHolds(property.condition, properties))
                continue;
            properties.insert(key, ExpandMsBuildProperties(property.value, properties));
        }
    }
    return properties;
}

} // namespace

QString ExpandMsBuildProperties(const QString& text, const MsBuildProperties& properties,
                                bool unknownEmpty) {
    QString out;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] == u'$' && i + 1 < text.size() && text[i + 1] == u'(') {
            const qsizetype close = text.indexOf(u')', i + 2);
            if (close < 0)
                break;
            const QString name = text.sliced(i + 2, close - i - 2).trimmed().toLower();
            const auto found = properties.constFind(name);
            if (found != properties.cend())
                out += *found;
            else if (!unknownEmpty)
                out += text.sliced(i, close - i + 1);
            i = close + 1;
        } else {
            out += text[i++];
        }
    }
    return out + text.sliced(std::min(i, text.size()));
}

// The IDE's files set a configuration's keys (Cfg_1, and Base through it)
// in a group that comes after the platform groups that test Base
// (Base_Win64), yet the IDE applies those to every configuration of the
// platform. So the keys the first pass sets are given to a second, and the
// values are taken from that one.
MsBuildProperties EvaluateMsBuildProperties(const QList<MsBuildPropertyGroup>& groups,
                                            const QString& config, const QString& platform) {
    static const QRegularExpression keyName(QStringLiteral("^(base|cfg_\\d+)(_\\w+)?$"));
    MsBuildProperties keys;
    const MsBuildProperties first = evaluatePass(groups, config, platform, {});
    for (auto it = first.cbegin(); it != first.cend(); ++it)
        if (keyName.match(it.key()).hasMatch() &&
            it.value().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            keys.insert(it.key(), it.value());
    return evaluatePass(groups, config, platform, keys);
}

} // namespace ink
