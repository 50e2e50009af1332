#pragma once
#include "SpellDecider.h"

#include <memory>
#include <QIcon>
#include <QStringList>
#include <QWidget>

namespace ink {

class SpellDictionary;

// The spelling checker control. Writing CheckText runs the whole interactive
// check (a modal dialog per unknown word) and returns when it has ended;
// _Text then holds the checked text with the user's replacements. A check
// that cannot be done throws UserError, SpellUnavailableError when no
// dictionary is installed. While idle the control shows a small icon.
class TVSSpell : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString CheckText READ checkText WRITE setCheckText)
    Q_PROPERTY(QString _Text READ text)

public:
    explicit TVSSpell(QWidget* parent = nullptr);
    ~TVSSpell() override;

    // Checks text and keeps the result for text(). An empty text checks nothing.
    void setCheckText(const QString& text);
    QString checkText() const { return checkText_; }
    QString text() const { return checkedText_; }

    // Who answers for each unknown word; by default the check dialog.
    void setDecider(std::unique_ptr<SpellDecider> decider);

    // Dictionaries to try, in order: by default the user's language, then
    // American English.
    static QStringList defaultDictionaryTags();
    void setDictionaryTags(const QStringList& tags) { dictionaryTags_ = tags; }
    QStringList dictionaryTags() const { return dictionaryTags_; }
    bool dictionaryAvailable() const;

    // The picture the control shows while idle; menus may use it too.
    static QIcon spellCheckIcon();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool checkWords(QString& text, SpellDictionary& dictionary);

    std::unique_ptr<SpellDecider> decider_;
    QStringList dictionaryTags_;
    QString checkText_;
    QString checkedText_;
};

} // namespace ink
