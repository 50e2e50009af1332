#pragma once
#include "SpellDecider.h"

class QWidget;

namespace ink {

// Asks the user through the modal check dialog, and tells them when the
// check has gone through the whole text.
class DialogSpellDecider : public SpellDecider {
public:
    explicit DialogSpellDecider(QWidget* dialogParent) : dialogParent_(dialogParent) {}
    SpellDecision decide(const Misspelling& misspelling) override;
    void complete() override;

private:
    QWidget* dialogParent_;
};

} // namespace ink
