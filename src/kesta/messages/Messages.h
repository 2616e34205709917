#pragma once

#include "store/ColumnLimits.h"

#include <QString>

class QWidget;

namespace velkora::store {
struct SaveProblem;
}

namespace kesta::messages {

// One message of the screen: its id, text, style and title. Every message the screen shows is
// built by the functions declared here, so that the catalogue in docs/messages.md can be checked
// against one place.
struct Message {
    QString id; // "ERR-ID:75000nn"
    QString text;
    int style = 0;
    QString title;
};

// Shows the message through the services' ShowMessage, owned by the screen, with the module
// name "KESTA"; returns the answer (6 yes, 7 no; 1 for a message without a question).
int show(QWidget *owner, const Message &message);

// Edit buttons.
Message firstLineNeedsId();  // 7500001
Message confirmLineDelete(); // 7500026
// The line edit's checks.
Message lineDataIncomplete();                 // 7500002
Message lineIdRequired();                     // 7500003
Message fieldIdRequired();                    // 7500004
Message fieldPositionRequired();              // 7500005
Message fieldLengthRequired();                // 7500006
Message fieldTypeRequired();                  // 7500007
Message fieldIdDuplicated(const QString &id); // 7500010
Message fieldNumberCollides(const QString &first, const QString &second,
                            const QString &number); // 7500008
Message lineOrderTaken(const QString &order);       // 7500009
Message fieldNumberOutOfRange(const QString &field, const QString &column,
                              const QString &value);                       // 7500013
Message lineNumberOutOfRange(const QString &column, const QString &value); // 7500027
// The save.
Message lineEditInProgress();                                     // 7500011
Message keyTaken(const QString &key, const QString &description); // 7500012
Message keyRequired();                                            // 7500014
Message descriptionRequired();                                    // 7500015
Message lineRequired();                                           // 7500016
Message additionalFieldsNotSaved();                               // 7500017
Message saveFailed(const QString &description);                   // 7500018
// Deactivation and reactivation.
Message deactivationFailed(const QString &description); // 7500021
Message reactivationFailed(const QString &description); // 7500022
// Test and script.
Message testFailed(const QString &lastError);     // 7500019
Message scriptFailed(const QString &description); // 7500020
// The field grid's refill and the load.
Message refillFailed(const QString &description); // 7500023
Message keyNotFound();                            // 7500024
Message loadFailed(const QString &description);   // 7500025
// The save's checks of what the columns hold, and a save that met another user's.
Message textTooLong(const QString &what, qsizetype length, int maxLength); // 7500030
Message numberDoesNotFit(const QString &what, const QString &value);       // 7500031
Message notANumber(const QString &what, const QString &value);             // 7500032
Message saveConflict(const QString &key, const QString &description);      // 7500033
// Two line numbers or field IDs that SQL Server's keys take for one.
Message keysCollide(const QString &what, const QString &first, const QString &second); // 7500039
// The character's UTF-16 code.
Message unstorableCharacter(const QString &what, int code); // 7500034
// What a save would write that its column cannot hold: 7500030, 7500031, 7500032, 7500034 or
// 7500039.
Message saveProblem(const velkora::store::SaveProblem &problem);
// A paste longer than the box or cell takes.
Message pasteTooLong(const QString &what, qsizetype length, int maxLength); // 7500035
// The proposal of line types from a sample file (the line grid's "Proponer desde archivo...").
// Asked once the proposal from the file has been accepted, before it replaces the line types.
Message replaceLineTypes(int count, int proposed, const QString &file);     // 7500040
Message proposalFileUnreadable(const QString &file, const QString &reason); // 7500041
Message proposalWithoutLineTypes(const QString &file);                      // 7500042
Message proposalStopped(int added, int proposed);                           // 7500043
Message proposalNotText(const QString &file, const QString &reason);        // 7500044
// Save: a rule of the format whose line type (fieldId empty) or field is no longer there.
Message ruleWithoutItsField(const QString &rule, const QString &text, const QString &lineId,
                            const QString &fieldId); // 7500060
// A line edit removed fields that had rules, or a line type with rules was deleted: the rules
// went with them. Each rule as "0003 (VALORES A|B)".
Message rulesGoneWithFields(const QStringList &rules);   // 7500072
Message rulesGoneWithLineType(const QStringList &rules); // 7500073
// New.
Message noAutomaticKeyLeft(const QString &nextKey, int maxLength); // 7500028
// Escape, Salir or the window's close button would end an edit that has changes.
Message discardChanges(); // 7500045
// Escape would end a line edit that has typed changes in its line or field rows.
Message discardLineChanges(); // 7500071
// The checks of the rules entered on the screen ("Aceptar" of the rules).
Message ruleWithoutText(const QString &rule);                                       // 7500061
Message ruleUnreadable(const QString &rule, const QString &text, const QString &why); // 7500062
Message ruleMisplaced(const QString &rule, const QString &keyword, const QString &wanted,
                      const QString &given);                                        // 7500063
Message ruleLineMissing(const QString &rule, const QString &line);                  // 7500064
Message ruleFieldMissing(const QString &rule, const QString &field,
                         const QString &line);                                      // 7500065
Message ruleNamesMissingLine(const QString &rule, const QString &text,
                             const QString &line);                                  // 7500066
Message ruleSumsMissingField(const QString &rule, const QString &text, const QString &field,
                             const QString &line);                                  // 7500067
Message ruleNoLongerFits(const QString &rule, const QString &text);                 // 7500068
Message ruleNotApplicable(const QString &rule, const QString &text, const QString &why); // 7500070
Message ruleRepeated(const QString &rule, const QString &text, const QString &earlier,
                     const QString &keyword);                                       // 7500069
// A handler without an error trap of its own that failed.
Message handlerFailed(const QString &handler, const QString &description); // 7500029

// Notes: what a command did, shown for a few seconds in the host window's status bar (style
// 0, no box), and the state of a deactivated format shown beside its key.
Message formatSaved(const QString &key);                               // 7500046
Message formatDeactivated(const QString &key);                         // 7500047
Message formatReactivated(const QString &key);                         // 7500048
Message deactivatedOn(const QString &date, const QString &byOperator); // 7500049
// The list of the stored formats (FormatListMessages.cpp): asked for in the key box while a
// format is edited, and a list that could not be read.
Message formatListWhileEditing();                // 7500074
Message formatListFailed(const QString &description); // 7500075
// A command (its caption) that cannot act now, and why: a key pressed for it, or a click on
// it, leaves this note instead of doing nothing.
Message commandUnavailable(const QString &command, const QString &why); // 7500080
// A line accepted whose fields read some of the same columns: each pair as the test's review
// says it ("Los campos 0001 (columnas 1-10) y 0002 ... se enciman en ..."). Information only.
Message fieldsOverlap(const QStringList &overlaps); // 7500081
// How long a note stays in the status bar.
inline constexpr int NoteMilliseconds = 6000;

// The largest value a position or length column stores.
inline constexpr qint64 MaxPositionValue = velkora::store::MaxPositionValue;
// The largest position or length a line edit accepts: what the column stores.
inline constexpr qint64 MaxPositionAccepted = MaxPositionValue;

} // namespace kesta::messages
