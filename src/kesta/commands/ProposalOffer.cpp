#include "ProposalOffer.h"

#include <controls/Controles.h>

#include <QAction>
#include <QActionEvent>
#include <QWidget>

namespace kesta::commands {

namespace {

// The objectName of ProposalCommand's action.
const QString ProposalActionName = QStringLiteral("actProponerArchivo");

} // namespace

ProposalOffer::ProposalOffer(Parts parts, QObject *parent)
    : QObject(parent), m_parts(std::move(parts))
{
    using Bar = velkora::controls::Controles;
    m_parts.toolbar->addChoice(QStringLiteral("New"), newFromFileName(),
                               QStringLiteral("Nuevo a partir de un archivo..."),
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    connect(m_parts.toolbar, &Bar::ChoiceClick, this, [this](const QString &choice) {
        if (choice == newFromFileName())
            newFromFile();
    });
    m_parts.lineGrid->installEventFilter(this);
}

void ProposalOffer::newFromFile()
{
    // New as the toolbar's button runs it (the screen is then a new format's), then the
    // proposal, which a cancelled choice of the file leaves empty.
    m_parts.toolbar->DoNew(false);
    if (m_parts.toolbar->EditMode())
        m_parts.propose();
}

bool ProposalOffer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_parts.lineGrid && event->type() == QEvent::ActionAdded) {
        QAction *added = static_cast<QActionEvent *>(event)->action();
        if (added && added->objectName() == ProposalActionName)
            m_parts.toolbar->addScreenCommand(added);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kesta::commands
