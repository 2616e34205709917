#pragma once

#include <QHash>
#include <QSet>
#include <QKeySequence>
#include <QString>
#include <QWidget>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace velkora::controls {

// The maker's toolbar: owns the screen's editing state and raises one signal per command.
// Every command is a QAction with a shortcut, a tooltip and an objectName
// (New, Edit, Save, Cancel, Deactivate, Reactivate, Record, Exit, B1, B2, B3).
//
// EditMode becomes true before New/Edit (and DoNew) raise their signal, and false before
// Cancel raises its signal; ConfirmSave ends the editing state, CancelSave keeps it.
class Controles : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(bool EditMode READ EditMode)
    Q_PROPERTY(bool RecordLoaded READ RecordLoaded WRITE setRecordLoaded)
    Q_PROPERTY(bool EditAllowed READ EditAllowed WRITE setEditAllowed)
    Q_PROPERTY(bool DeactivateAllowed READ DeactivateAllowed WRITE setDeactivateAllowed)
    Q_PROPERTY(bool ReactivateAllowed READ ReactivateAllowed WRITE setReactivateAllowed)
    Q_PROPERTY(bool ToolbarReady READ ToolbarReady WRITE setToolbarReady)
    Q_PROPERTY(QString B1Caption READ B1Caption WRITE setB1Caption)
    Q_PROPERTY(QString B2Caption READ B2Caption WRITE setB2Caption)
    Q_PROPERTY(QString B3Caption READ B3Caption WRITE setB3Caption)

public:
    explicit Controles(QWidget *parent = nullptr);
    ~Controles() override;

    QString caption() const;
    void setCaption(const QString &caption);
    // Design properties as text: opc_table, opc_key, showexitbutton, showwindowslist,
    // showmenupopup, easyaccessenabled, tabwidth.
    void setDesignProperty(const QString &name, const QString &value);
    QString designProperty(const QString &name) const;

    bool EditMode() const;
    bool RecordLoaded() const;
    void setRecordLoaded(bool on);
    bool EditAllowed() const;
    void setEditAllowed(bool on);
    bool DeactivateAllowed() const;
    void setDeactivateAllowed(bool on);
    bool ReactivateAllowed() const;
    void setReactivateAllowed(bool on);
    bool ToolbarReady() const;
    void setToolbarReady(bool on);
    QString B1Caption() const;
    void setB1Caption(const QString &caption);
    QString B2Caption() const;
    void setB2Caption(const QString &caption);
    QString B3Caption() const;
    void setB3Caption(const QString &caption);

    // Performs the New command as if pressed; New is raised before this returns.
    void DoNew(bool ask = false);
    // The additional fields kept for a record. None are configured unless the host installs
    // how they are stored and loaded; without them both succeed at once.
    bool SaveAdditionalFields(const QString &key);
    void LoadAdditionalFields(const QString &key);
    void setAdditionalFields(std::function<bool(const QString &)> save,
                             std::function<void(const QString &)> load);
    void CancelSave();  // the save did not take place: the editing state stays
    void ConfirmSave(); // the save was committed: the editing state ends

    // Asked, with the command's name, before a command runs from its shortcut key; the
    // command runs only when the check returns true. A click on the command's button, its menu
    // entry and trigger() are not checked. Without a check every offered command's key acts.
    void setKeyCheck(std::function<bool(const QString &command)> check);

    // A second way of running a command ("Probar con otro archivo..." beside "Probar"): an
    // entry of the command button's menu (which also holds the command) and, when the button
    // does not fit, of the toolbar's extension menu beside the command; a Shift+click on the
    // button, and a shortcut key of its own. Offered while its command is; raises
    // ChoiceClick(name). Its action is found by action(name) like a command's.
    QAction *addChoice(const QString &command, const QString &name, const QString &text,
                       const QKeySequence &shortcut);

    // A command of the screen's own beside the toolbar's (the action's objectName is its name):
    // its button on the bar before "Salir", and its shortcut key, which acts from every control
    // like the toolbar's (offersShortcut). The screen offers it: the action's visibility and
    // enabled state are the screen's, and so is what its trigger does.
    void addScreenCommand(QAction *command);
    // A command that its owner holds back although the toolbar would offer it (Script without
    // a key): its button stays in its place, disabled, and neither a click nor its key runs it.
    void setCommandBlocked(const QString &name, bool blocked);

    // The command's action by objectName; nullptr for an unknown name.
    QAction *action(const QString &name) const;
    // Whether the command is offered now (its action visible and enabled).
    bool isOffered(const QString &name) const;
    // Whether the key, with its modifiers, is the shortcut of a command offered now.
    bool offersShortcut(QKeyCombination key) const;

signals:
    void New();
    void Edit();
    void Record();
    void Reactivate();
    void Deactivate();
    void Save(bool isNew);
    void Cancel();
    void Exit();
    void B1Click();
    void B2Click();
    void B3Click();
    void ChoiceClick(const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateOffered();
    void foldChoices(QMenu *folded) const;
    static void showKeysInToolTip(QAction *command);
    void trigger(const QString &name);

    QToolBar *m_bar = nullptr;
    QLabel *m_title = nullptr;
    QHash<QString, QAction *> m_actions;
    QHash<QString, QString> m_choices;       // a choice's name: its command's
    QHash<QObject *, QString> m_shiftClicks; // a command's button: the choice of a Shift+click
    QHash<QString, QString> m_design;
    QSet<QString> m_blocked;
    bool m_editMode = false;
    bool m_editingNew = false;
    bool m_recordLoaded = false;
    bool m_editAllowed = false;
    bool m_deactivateAllowed = false;
    bool m_reactivateAllowed = false;
    bool m_ready = false;
    std::function<bool(const QString &)> m_saveAdditional;
    std::function<void(const QString &)> m_loadAdditional;
    std::function<bool(const QString &)> m_keyCheck;
    QString m_b1, m_b2, m_b3;
};

} // namespace velkora::controls
