#include "MsBuildCondition.h"

#include <optional>

namespace ink {

namespace {

// A recursive-descent reading of one condition, its properties expanded
// first. A condition nested deeper than any real one fails rather than
// exhausting the stack.
class ConditionEvaluator {
public:
    ConditionEvaluator(const QString& text, const MsBuildProperties& properties)
        : text_(ExpandMsBuildProperties(text, properties, true)) {}

    bool value() {
        if (text_.trimmed().isEmpty())
            return true;
        const bool result = orExpression(0);
        skipSpace();
        return result && !failed_ && pos_ == text_.size();
    }

private:
    bool orExpression(int depth) {
        bool result = andExpression(depth);
        while (word(QLatin1String("or")))
            result = andExpression(depth) || result;
        return result;
    }
    bool andExpression(int depth) {
        bool result = primary(depth);
        while (word(QLatin1String("and")))
            result = primary(depth) && result;
        return result;
    }
    bool primary(int depth) {
        skipSpace();
        if (depth > 32) {
            failed_ = true;
            return false;
        }
        if (take(u'(')) {
            const bool result = orExpression(depth + 1);
            if (!take(u')'))
                failed_ = true;
            return result;
        }
        if (word(QLatin1String("not")))
            return !primary(depth + 1);
        const std::optional<QString> left = operand();
        skipSpace();
        bool equal;
        if (text_.sliced(pos_).startsWith(QLatin1String("==")))
            equal = true;
        else if (text_.sliced(pos_).startsWith(QLatin1String("!=")))
            equal = false;
        else {
            failed_ = true;
            return false;
        }
        pos_ += 2;
        const std::optional<QString> right = operand();
        if (!left || !right) {
            failed_ = true;
            return false;
        }
        return (left->trimmed().compare(right->trimmed(), Qt::CaseInsensitive) == 0) == equal;
    }
    std::optional<QString> operand() {
        skipSpace();
        if (!take(u'\''))
            return std::nullopt;
        const qsizetype close = text_.indexOf(u'\'', pos_);
        if (close < 0)
            return std::nullopt;
        QString value = text_.sliced(pos_, close - pos_);
        pos_ = close + 1;
        return value;
    }
    bool word(QLatin1StringView keyword) {
        skipSpace();
        const qsizetype end = pos_ + keyword.size();
        if (end > text_.size() ||
            QStringView(text_).sliced(pos_, keyword.size()).compare(keyword, Qt::CaseInsensitive) !=
                0)
            return false;
        if (end < text_.size() && (text_[end].isLetterOrNumber() || text_[end] == u'_'))
            return false;
        pos_ = end;
        return true;
    }
    bool take(QChar c) {
        skipSpace();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    void skipSpace() {
        while (pos_ < text_.size() && text_[pos_].isSpace())
            ++pos_;
    }

    QString text_;
    qsizetype pos_ = 0;
    bool failed_ = false;
};

} // namespace

bool MsBuildConditionHolds(const QString& condition, const MsBuildProperties& properties) {
    return ConditionEvaluator(condition, properties).value();
}

} // namespace ink
