#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

namespace kesta::editor {

// The rule words offered as choices over the rules' grid ("Palabras"): each entry is a word
// with its line of help, the label under the list shows the chosen word's example, and "Usar
// ejemplo" (Alt+U) asks for the example to be put into a rule's text. Outside the edit modes
// the words are only shown.
class RuleWordChooser : public QWidget {
    Q_OBJECT
public:
    explicit RuleWordChooser(bool editable, QWidget *parent = nullptr);

    QComboBox *words() const { return m_words; }
    // The example of the chosen word, as it goes into the rule's text.
    QString example() const;

signals:
    void exampleChosen(const QString &example);

private:
    void showChosen();

    QComboBox *m_words = nullptr;
    QLabel *m_example = nullptr;
    QPushButton *m_use = nullptr;
};

} // namespace kesta::editor
