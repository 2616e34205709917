#include "RuleWordChooser.h"

#include <formats/RuleHelp.h>

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace kesta::editor {

RuleWordChooser::RuleWordChooser(bool editable, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("palabrasReglas"));
    m_words = new QComboBox(this);
    m_words->setObjectName(QStringLiteral("cboPalabras"));
    m_words->setAccessibleName(QStringLiteral("Palabras de las reglas"));
    for (const velkora::formats::RuleWord &word : velkora::formats::ruleWords()) {
        m_words->addItem(word.help, word.example);
        m_words->setItemData(m_words->count() - 1, word.help, Qt::ToolTipRole);
    }
    m_words->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_words->setMinimumContentsLength(40);

    auto *label = new QLabel(QStringLiteral("&Palabras:"), this);
    label->setBuddy(m_words);
    m_example = new QLabel(this);
    m_example->setObjectName(QStringLiteral("lblEjemplo"));
    m_example->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_use = new QPushButton(QStringLiteral("&Usar ejemplo"), this);
    m_use->setObjectName(QStringLiteral("cmdUsarEjemplo"));
    m_use->setToolTip(QStringLiteral("Pone el ejemplo en la regla actual (o en una nueva)"));
    m_use->setAutoDefault(false);
    m_use->setVisible(editable);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_words, 0, 1);
    layout->addWidget(m_use, 0, 2);
    layout->addWidget(m_example, 1, 1, 1, 2);
    layout->setColumnStretch(1, 1);

    connect(m_words, &QComboBox::currentIndexChanged, this, &RuleWordChooser::showChosen);
    // Going through the list only shows each word: the example goes in when asked for.
    if (editable)
        connect(m_use, &QPushButton::clicked, this, [this] { emit exampleChosen(example()); });
    showChosen();
}

QString RuleWordChooser::example() const
{
    return m_words->currentData().toString();
}

void RuleWordChooser::showChosen()
{
    m_example->setText(QStringLiteral("Ejemplo: %1").arg(example()));
}

} // namespace kesta::editor
