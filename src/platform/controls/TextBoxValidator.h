#pragma once

#include <QValidator>

namespace velkora::controls {

class TextBox;

// The numeric text box's input rule, checked on every edit by the user (typing, pasting, input
// methods): only a number (optional sign, digits, one decimal point with at most the box's
// decimals; a typed comma is taken as the point). Other boxes accept every text.
class TextBoxValidator : public QValidator {
    Q_OBJECT
public:
    explicit TextBoxValidator(TextBox *box);

    State validate(QString &input, int &pos) const override;

    // The number rule alone, for a text and a count of decimals.
    static State validateNumber(const QString &input, int decimals);

private:
    TextBox *m_box;
};

} // namespace velkora::controls
