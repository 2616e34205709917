#pragma once

#include "commands/ModeTable.h"
#include "commands/ScreenParts.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class QCheckBox;
class QLabel;
class QKeyEvent;
class QFrame;
class QTabWidget;

namespace velkora::controls {
class Controles;
class TextBox;
class DataGrid;
class DatePicker;
class FlatButton;
class Etiqueta;
class ColorScheme;
class CommonDialog;
} // namespace velkora::controls

namespace velkora::store {
struct ShownRules;
} // namespace velkora::store

namespace kesta::commands {
class LeaveCommands;
class ModeCommands;
class ProposalCommand;
class RulesCommand;
class SaveCommand;
class StateCommands;
class UnsavedEdit;
} // namespace kesta::commands

namespace kesta::messages {
struct Message;
}

namespace kesta::editor {
class FieldStoreView;
class FieldStore;
class LineEditor;
class GridBehaviour;
class UserDataAsRead;
} // namespace kesta::editor

namespace kesta::screen {

class TwipsLayout;

// The screen "Formatos de carga". One object per component (see Pantalla).
//
// Its handlers are thin entry points, grouped by job in several source files: frmKESTA.cpp
// (construction, owner, Transaccion), FormDesign.cpp (the controls as designed), StartUp.cpp
// (load, activation, Alt keys), Resize.cpp (resize rules, tab change, browse),
// ToolbarHandlers.cpp (the toolbar's commands, the modes, "Reglas...") and EditorHandlers.cpp
// (the line editor, the grids' behaviour, the proposal, the field grid's refill). The work
// they start lives in the classes of commands/ and editor/, which see only the widgets and
// services they are handed.
class frmKESTA : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QObject *Padre READ Padre WRITE setPadre)
    Q_PROPERTY(QString Transaccion READ Transaccion)

public:
    explicit frmKESTA(QWidget *parent = nullptr);
    ~frmKESTA() override;

    // The host object that owns the screen; empty until the host sets it.
    QObject *Padre() const;
    void setPadre(QObject *owner);
    // The owner's transaction text resolved by the services; raises host::RuntimeError when
    // Padre is empty or has no "Transaccion" property.
    QString Transaccion() const;

    // Screen load: runs once, before the screen is first shown (also callable directly).
    // A failing step raises host::RuntimeError and ends the load there.
    void Form_Load();
    bool loaded() const { return m_loaded; }
    // The description of the error that ended the load; empty when the load ran through.
    QString loadError() const;
    // Activation (the screen becomes the active window coming from elsewhere, not back from a
    // dialog shown over it; see ActivationWatch): the key box gets the focus.
    void Form_Activate();
    // Key release with the Windows key code and shift state (1 Shift, 2 Ctrl, 4 Alt).
    void Form_KeyUp(int keyCode, int shift);
    // Resize rules over the screen's current size.
    void Form_Resize();
    void ssTabZur_Click();
    void ssTabZur_KeyPress(int keyAscii);
    void cmdArchivo_Click();

    // Load by key and the key-change reset.
    void txtClave_Enter();
    void txtClave_Change();
    // Refills the field grid from the field store for the line grid's current row.
    void RellenaDetalle(const QString &line);

    // The toolbar's Exit: asks for the owner held in Padre to be unloaded (after a question
    // when an edit with changes would end).
    void Controles_Exit();
    // Escape, the toolbar's Cancel key: whether the toolbar's Cancel runs.
    bool Controles_CancelKey();
    // The window that shows the screen is closing; cancel keeps it open.
    void Form_QueryUnload(bool &cancel);
    // The load format as the screen holds it (key, header, both grids, the field store), and
    // the edit's start it is compared with.
    QStringList editedContent() const;
    // The line edit as the grids hold it: the line row under edit and the field rows that hold
    // something (a row with nothing in it is no field).
    QStringList lineEditContent() const;
    commands::UnsavedEdit &unsavedEdit() const;
    // The toolbar's mode commands and the record command.
    void Controles_New();
    void Controles_Edit();
    void Controles_Cancel();
    void Controles_Record();
    // The save, deactivation and reactivation.
    void Controles_Save(bool isNew);
    void Controles_Deactivate();
    void Controles_Reactivate();
    // The extra buttons: Copy, Test, Script.
    void Controles_B1Click();
    void Controles_B2Click();
    void Controles_B3Click();
    // "Probar con otro archivo..." beside Test: the stored format on a file the user picks.
    void Controles_B2FileClick();
    // The test of the stored format on its file (file empty) or on another one.
    void testStoredFormat(const QString &file);

    // The edit buttons under the grids, and the line editor's commit and column locks.
    void cmdControles_Click(int index);
    void AcceptLineEdit();
    void LockEditColumns(bool locked);
    // The line grid's "Proponer desde archivo...", offered while a new load format is edited
    // and no line type is under edit.
    void mnuProponer_Click();
    // "Reglas...": the shown format's rules, changed in the edit modes.
    void cmdReglas_Click();
    editor::LineEditor &lineEditor() const;
    bool LineEditActive() const;
    int EditedLineRow() const;

    // The mode the screen is in, and the controls the mode table acts on.
    commands::Mode mode() const;
    commands::ModeControls modeControls() const;

    // Screen members.
    int KeyEditable = 0;
    bool Copying = false;

    // Controls.
    velkora::controls::Controles *Controles = nullptr;
    QTabWidget *ssTabZur = nullptr;
    velkora::controls::CommonDialog *cdFile = nullptr;
    velkora::controls::ColorScheme *colorZUR = nullptr;
    QFrame *sh1 = nullptr;
    QFrame *fr1 = nullptr;
    QFrame *Sh2 = nullptr;
    QFrame *fr2 = nullptr;
    velkora::controls::Etiqueta *Label1 = nullptr;
    velkora::controls::TextBox *txtClave = nullptr;
    QCheckBox *chInverso = nullptr;
    // Beside the key: when and by whom a shown format was deactivated; empty otherwise.
    QLabel *lblEstado = nullptr;
    velkora::controls::Etiqueta *Label2 = nullptr;
    velkora::controls::TextBox *txtDescripcion = nullptr;
    velkora::controls::Etiqueta *Etiqueta1 = nullptr;
    velkora::controls::TextBox *txtArchivo = nullptr;
    velkora::controls::FlatButton *cmdArchivo = nullptr;
    velkora::controls::FlatButton *cmdControles[5] = {};
    velkora::controls::FlatButton *cmdReglas = nullptr;
    velkora::controls::DataGrid *ssLinea = nullptr;
    velkora::controls::DataGrid *ssDetalle = nullptr;
    editor::FieldStoreView *lvDetalle = nullptr;
    velkora::controls::Etiqueta *userLabels[6] = {}; // Label31, Label30 .. Label26
    velkora::controls::TextBox *txtUser1 = nullptr;
    velkora::controls::TextBox *txtUser2 = nullptr;
    velkora::controls::TextBox *txtUser3 = nullptr;
    velkora::controls::TextBox *txtUser4 = nullptr;
    velkora::controls::DatePicker *dpUser5 = nullptr;
    velkora::controls::DatePicker *dpUser6 = nullptr;

    editor::FieldStore &fieldStore() const;
    TwipsLayout &layout() const;
    // What the load read of the shown load format (its stored rules, its user data as read) is
    // dropped: nothing shown is theirs any more.
    void forgetShownFormat();

    // The smallest size that shows every control whole; a host that gives the screen less
    // room scrolls it (the resize rules still hold below it).
    QSize minimumSizeHint() const override;

    // A note of what a command did, for the host to show in its status bar for a few seconds.
    void showNote(const messages::Message &note);

signals:
    // The load that runs before the first showing failed; the host shows the description.
    void loadFailed(const QString &description);
    // A note for the host's status bar: its text, its id and how long it stays.
    void noteShown(const QString &text, const QString &id, int milliseconds);

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls(); // FormDesign.cpp
    void addAnalystCommands(); // FormDesign.cpp: the list of formats, the test before saving...
    void buildEditor();   // the line editor and the grids' behaviour
    void buildCommands(); // the toolbar's commands and "Reglas..."
    // The widgets the toolbar's commands act on.
    commands::ScreenParts screenParts();
    void connectHandlers();
    void connectPasteMessages(); // PasteMessages.cpp
    void setMode(commands::Mode mode);
    void settleCellEditors();
    void offerProposal();
    // Whether "Reglas..." is offered in the current mode.
    void offerRules();
    // Resize.cpp: after a tab change the focus goes to the shown tab's first control.
    void focusShownTab();
    // StartUp.cpp: the screen's preview of its controls' keys.
    bool previewKey(QWidget *receiver, QKeyEvent *event);
    static int keyCode(const QKeyEvent &event);
    static int shiftState(Qt::KeyboardModifiers modifiers);
    // Resize.cpp: the keys that reach the tab control, its tabs and its pages.
    bool tabControlKey(QWidget *receiver, QKeyEvent *event);

    QPointer<QObject> m_padre;
    TwipsLayout *m_layout = nullptr;
    bool m_loaded = false;
    QString m_loadError;
    editor::LineEditor *m_lineEditor = nullptr;
    editor::GridBehaviour *m_gridBehaviour = nullptr;
    commands::ProposalCommand *m_proposalCommand = nullptr;
    commands::ScreenParts m_screenParts;
    std::unique_ptr<commands::LeaveCommands> m_leaveCommands;
    std::unique_ptr<commands::ModeCommands> m_modeCommands;
    std::unique_ptr<commands::RulesCommand> m_rulesCommand;
    std::unique_ptr<commands::SaveCommand> m_saveCommand;
    std::unique_ptr<commands::StateCommands> m_stateCommands;
    std::unique_ptr<commands::UnsavedEdit> m_unsavedEdit;
    std::unique_ptr<commands::UnsavedEdit> m_unsavedLine; // the line edit's, for Escape
    // The shown format's rules, as loaded; a copy takes them to its new key.
    std::unique_ptr<velkora::store::ShownRules> m_shownRules;
    // The user data that the load read as NULL, kept NULL by a save unless changed.
    std::unique_ptr<editor::UserDataAsRead> m_userDataAsRead;
    commands::Mode m_mode = commands::Mode::Idle;
};

} // namespace kesta::screen
