#pragma once
#include <QString>
#include <QStringList>

typedef struct str_enchant_broker EnchantBroker;
typedef struct str_enchant_dict EnchantDict;

namespace ink {

// One Enchant dictionary, open for the length of a spelling check. Words the
// user adds go to Enchant's personal word list for that language, so every
// program using Enchant learns them too.
class SpellDictionary {
public:
    // Opens the dictionary of the first language tag ("en_US") that has one
    // installed; throws SpellUnavailableError when none has.
    explicit SpellDictionary(const QStringList& languageTags);
    ~SpellDictionary();
    SpellDictionary(const SpellDictionary&) = delete;
    SpellDictionary& operator=(const SpellDictionary&) = delete;

    // The first of languageTags with an installed dictionary, or empty.
    static QString firstAvailableTag(const QStringList& languageTags);

    QString languageTag() const { return tag_; }

    // Throws UserError when the engine fails.
    bool isCorrect(const QString& word);
    QStringList suggestions(const QString& word);
    // Accepted for the rest of this check only.
    void ignoreForSession(const QString& word);
    // Accepted from now on: written to the personal word list.
    void addToPersonalList(const QString& word);

private:
    EnchantBroker* broker_ = nullptr;
    EnchantDict* dict_ = nullptr;
    QString tag_;
};

} // namespace ink
