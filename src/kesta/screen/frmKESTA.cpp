#include "frmKESTA.h"

#include "ActivationWatch.h"
#include "TwipsLayout.h"
#include "commands/LeaveCommands.h"
#include "commands/ModeCommands.h"
#include "commands/RulesCommand.h"
#include "commands/SaveCommand.h"
#include "commands/StateCommands.h"
#include "commands/CommandAvailability.h"
#include "commands/UnsavedEdit.h"
#include "editor/FieldStore.h"
#include "editor/LineEditor.h"
#include "editor/UserDataAsRead.h"
#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "messages/HandlerGuard.h"
#include "messages/Messages.h"
#include "store/RuleRows.h"

#include <QApplication>
#include <QTabWidget>
#include <QVariant>
#include <controls/CommonDialog.h>
#include <controls/Controles.h>
#include <controls/SmallControls.h>
#include <controls/TextBox.h>

namespace kesta::screen {

using messages::connectGuarded;
using messages::guardHandler;

frmKESTA::frmKESTA(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmKESTA"));
    setWindowTitle(QStringLiteral("Formatos de carga"));
    m_layout = new TwipsLayout(this);
    m_shownRules = std::make_unique<velkora::store::ShownRules>();
    m_unsavedEdit = std::make_unique<commands::UnsavedEdit>(
        commands::UnsavedEdit::Parts{this, [this] { return editedContent(); }});
    m_unsavedLine = std::make_unique<commands::UnsavedEdit>(commands::UnsavedEdit::Parts{
        this, [this] { return lineEditContent(); }, messages::discardLineChanges()});
    buildControls();
    m_userDataAsRead = std::make_unique<editor::UserDataAsRead>(
        editor::UserDataAsRead::Boxes{txtUser1, txtUser2, txtUser3, txtUser4, dpUser5, dpUser6},
        nullptr);
    buildEditor();
    buildCommands();
    connectHandlers();
    connectPasteMessages();
    // Commands that cannot act look so, and their keys say why.
    new commands::CommandAvailability(
        commands::CommandAvailability::Parts{
            this,
            Controles,
            {cmdControles[0], cmdControles[1], cmdControles[2], cmdControles[3], cmdControles[4]},
            ssLinea,
            txtClave,
            [this] { return mode(); },
            [this] { return m_lineEditor->LineEditActive(); },
            [this](const messages::Message &note) { showNote(note); },
            cmdReglas},
        this);
    // The screen previews its controls' keys (Alt+1 / Alt+2) and the close of its window.
    qApp->installEventFilter(this);
    // Activation: when the screen becomes the active window coming from elsewhere.
    connect(new ActivationWatch(this), &ActivationWatch::activated, this, [this] {
        guardHandler(this, QStringLiteral("Form_Activate()"), [this] { Form_Activate(); });
    });
}

void frmKESTA::forgetShownFormat()
{
    m_shownRules->clear();
    if (m_userDataAsRead)
        m_userDataAsRead->clear();
    if (m_lineEditor)
        m_lineEditor->setLoadedOrders({});
}

frmKESTA::~frmKESTA()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

QObject *frmKESTA::Padre() const
{
    return m_padre.data();
}

void frmKESTA::setPadre(QObject *owner)
{
    m_padre = owner;
}

QString frmKESTA::Transaccion() const
{
    QObject *owner = Padre();
    if (!owner)
        throw host::RuntimeError(
            QStringLiteral("Transaccion: the screen has no owner yet (Padre is not set)."));
    // The owner is known only as a generic object: its property is found by name.
    const QVariant transaction = owner->property("Transaccion");
    if (!transaction.isValid())
        throw host::RuntimeError(
            QStringLiteral("Transaccion: the owner object (%1) has no property \"Transaccion\".")
                .arg(QString::fromLatin1(owner->metaObject()->className())));
    return Publico::ToolServices().ResolveTransaction(transaction.toString(),
                                                      QStringLiteral("Velkora"));
}

void frmKESTA::showNote(const messages::Message &note)
{
    emit noteShown(note.text, note.id, messages::NoteMilliseconds);
}

editor::FieldStore &frmKESTA::fieldStore() const
{
    return *lvDetalle->store();
}

TwipsLayout &frmKESTA::layout() const
{
    return *m_layout;
}

QString frmKESTA::loadError() const
{
    return m_loadError;
}

void frmKESTA::connectHandlers()
{
    connectGuarded(ssTabZur, &QTabWidget::currentChanged, this, QStringLiteral("ssTabZur_Click()"),
                   [this] { ssTabZur_Click(); });
    connectGuarded(cmdArchivo, &QAbstractButton::clicked, this,
                   QStringLiteral("cmdArchivo_Click()"), [this] { cmdArchivo_Click(); });
    connectGuarded(txtClave, &velkora::controls::TextBox::Enter, this,
                   QStringLiteral("txtClave_Enter()"), [this] { txtClave_Enter(); });
    connectGuarded(txtClave, &velkora::controls::TextBox::Change, this,
                   QStringLiteral("txtClave_Change()"), [this] { txtClave_Change(); });
    using Bar = velkora::controls::Controles;
    // Escape, the Cancel key, passes through the screen first (a line edit, a grid, a
    // question); a click on Cancelar discards at once.
    Controles->setKeyCheck([this](const QString &command) {
        if (command != QLatin1String("Cancel"))
            return true;
        bool runs = false;
        guardHandler(this, QStringLiteral("Controles_CancelKey()"),
                     [&] { runs = Controles_CancelKey(); });
        return runs;
    });
    connectGuarded(Controles, &Bar::Exit, this, QStringLiteral("Controles_Exit()"),
                   [this] { Controles_Exit(); });
    connectGuarded(Controles, &Bar::New, this, QStringLiteral("Controles_New()"),
                   [this] { Controles_New(); });
    connectGuarded(Controles, &Bar::Edit, this, QStringLiteral("Controles_Edit()"),
                   [this] { Controles_Edit(); });
    connectGuarded(Controles, &Bar::Cancel, this, QStringLiteral("Controles_Cancel()"),
                   [this] { Controles_Cancel(); });
    connectGuarded(Controles, &Bar::Record, this, QStringLiteral("Controles_Record()"),
                   [this] { Controles_Record(); });
    connect(Controles, &Bar::Save, this, [this](bool isNew) {
        guardHandler(this, QStringLiteral("Controles_Save()"), [&] { Controles_Save(isNew); });
    });
    connectGuarded(Controles, &Bar::Deactivate, this, QStringLiteral("Controles_Deactivate()"),
                   [this] { Controles_Deactivate(); });
    connectGuarded(Controles, &Bar::Reactivate, this, QStringLiteral("Controles_Reactivate()"),
                   [this] { Controles_Reactivate(); });
    connectGuarded(Controles, &Bar::B1Click, this, QStringLiteral("Controles_B1Click()"),
                   [this] { Controles_B1Click(); });
    connectGuarded(Controles, &Bar::B2Click, this, QStringLiteral("Controles_B2Click()"),
                   [this] { Controles_B2Click(); });
    connectGuarded(Controles, &Bar::B3Click, this, QStringLiteral("Controles_B3Click()"),
                   [this] { Controles_B3Click(); });
    Controles->addChoice(QStringLiteral("B2"), QStringLiteral("B2Archivo"),
                         QStringLiteral("Probar con otro archivo..."),
                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_2));
    connect(Controles, &Bar::ChoiceClick, this, [this](const QString &choice) {
        if (choice == QLatin1String("B2Archivo"))
            guardHandler(this, QStringLiteral("Controles_B2FileClick()"),
                         [this] { Controles_B2FileClick(); });
    });
}

} // namespace kesta::screen
