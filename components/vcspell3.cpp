#include "vcspell3.h"

#include "DialogSpellDecider.h"
#include "SpellDictionary.h"
#include "SpellWords.h"

#include <QHash>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionToolButton>

namespace ink {

namespace {

constexpr int kControlSize = 23;
constexpr int kIconSize = 16;

QPixmap drawSpellCheckPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    // "abc" over a green tick: the usual picture of a spelling check.
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(size * 7 / 16);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(40, 40, 40));
    painter.drawText(QRectF(0, 0, size, size * 0.5), Qt::AlignCenter, QStringLiteral("abc"));

    QPainterPath tick;
    tick.moveTo(size * 0.22, size * 0.70);
    tick.lineTo(size * 0.42, size * 0.90);
    tick.lineTo(size * 0.82, size * 0.52);
    painter.setPen(QPen(QColor(0, 150, 0), size / 8.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(tick);
    return pixmap;
}

void replaceWord(QString& text, SpellWords::Span word, const QString& replacement,
                 qsizetype& resumeAt) {
    text.replace(word.start, word.length, replacement);
    resumeAt = word.start + replacement.size();
}

} // namespace

TVSSpell::TVSSpell(QWidget* parent)
    : QWidget(parent), decider_(std::make_unique<DialogSpellDecider>(this)),
      dictionaryTags_(defaultDictionaryTags()) {
    setFixedSize(kControlSize, kControlSize);
    setToolTip(tr("Spelling checker"));
    setAccessibleName(tr("Spelling checker"));
}

TVSSpell::~TVSSpell() = default;

void TVSSpell::setCheckText(const QString& text) {
    checkText_ = text;
    if (text.isEmpty()) {
        checkedText_.clear();
        return;
    }
    SpellDictionary dictionary(dictionaryTags_);
    QString checked = text;
    const bool wentThrough = checkWords(checked, dictionary);
    checkedText_ = checked;
    if (wentThrough)
        decider_->complete();
}

void TVSSpell::setDecider(std::unique_ptr<SpellDecider> decider) {
    decider_ = decider ? std::move(decider) : std::make_unique<DialogSpellDecider>(this);
}

QStringList TVSSpell::defaultDictionaryTags() {
    QStringList tags;
    const QString userLanguage = QLocale::system().name(); // "de_DE", or "C" when unset
    if (userLanguage.contains(u'_'))
        tags << userLanguage;
    if (!tags.contains(QStringLiteral("en_US")))
        tags << QStringLiteral("en_US");
    return tags;
}

bool TVSSpell::dictionaryAvailable() const {
    return !SpellDictionary::firstAvailableTag(dictionaryTags_).isEmpty();
}

QIcon TVSSpell::spellCheckIcon() {
    return QIcon(drawSpellCheckPixmap(kIconSize));
}

// Goes through the words of text, asking about each one the dictionary does
// not know and applying the answers to text as it goes. Returns false when
// the user cancelled; the replacements made until then stay.
bool TVSSpell::checkWords(QString& text, SpellDictionary& dictionary) {
    QHash<QString, QString> replaceEverywhere;
    qsizetype resumeAt = 0;
    while (const auto word = SpellWords::nextProseWord(text, resumeAt)) {
        const QString spelling = text.mid(word->start, word->length);
        resumeAt = word->end();
        if (const auto known = replaceEverywhere.constFind(spelling);
            known != replaceEverywhere.cend()) {
            replaceWord(text, *word, *known, resumeAt);
            continue;
        }
        if (dictionary.isCorrect(spelling))
            continue;

        const SpellWords::Context context = SpellWords::sentenceAround(text, *word);
        const SpellDecision decision = decider_->decide(
            {spelling, context.sentence, context.wordInSentence, dictionary.suggestions(spelling)});
        switch (decision.action) {
        case SpellAction::ReplaceAll:
            replaceEverywhere.insert(spelling, decision.replacement);
            [[fallthrough]];
        case SpellAction::Replace:
            replaceWord(text, *word, decision.replacement, resumeAt);
            break;
        case SpellAction::Ignore:
            break;
        case SpellAction::IgnoreAll:
            dictionary.ignoreForSession(spelling);
            break;
        case SpellAction::AddToDictionary:
            dictionary.addToPersonalList(spelling);
            break;
        case SpellAction::Cancel:
            return false;
        }
    }
    return true;
}

void TVSSpell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionToolButton panel;
    panel.initFrom(this);
    panel.state |= QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonTool, &panel, &painter, this);
    const QRect iconArea((width() - kIconSize) / 2, (height() - kIconSize) / 2, kIconSize,
                         kIconSize);
    spellCheckIcon().paint(&painter, iconArea);
}

} // namespace ink
