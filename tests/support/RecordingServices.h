#pragma once

#include "host/CoreServices.h"
#include "host/ToolServices.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

class QMenu;

namespace kesta::test {

struct RecordedMessage {
    QString text;
    int style = 0;
    QString title;
    QPointer<QWidget> owner;
    QString module;
    QString messageId;
};

// The shared record of a test's services double: what the component called, with which
// arguments, and what the test answers. Install it with installRecordingServices().
struct ServicesRecord {
    // Every service call, in order, as "Name(arg1|arg2|...)".
    QStringList calls;
    // Every statement executed on Connection(), in order, with BEGIN/COMMIT/ROLLBACK marks.
    QStringList statements;
    QList<RecordedMessage> messages;
    // Answers for ShowMessage, used in order; when empty, questions are answered Yes (6).
    QList<int> answers;
    // When set, ShowMessage also shows the services' real modal message box (over the owner's
    // window, as the services show it) and returns the answer the user gives there.
    bool realMessageBoxes = false;

    // Answers the test gives.
    QHash<QString, QVariant> settings;      // GetSetting by name; missing gives null
    QHash<QString, QVariant> moduleOptions; // GetModuleOption by "MODULE/CODE"; missing gives 0
    QString operatorCode = QStringLiteral("TEST");
    QDateTime now = QDateTime(QDate(2026, 12, 6), QTime(10, 30, 15));
    qlonglong nextKey = 1;
    QString testResult;              // TestLoadFormat, TestLoadFormatFile, TestLoadFormatValue
    std::optional<velkora::formats::LoadFormat> testedValue; // TestLoadFormatValue's format
    QString lastError;               // LastError
    QHash<QString, QString> lookups; // LookupValue by key; missing gives empty text
    QString resolvedTransaction = QStringLiteral("resolved");
    std::optional<QString> failOn; // a call name that raises RuntimeError
    // ChooseOpenFile's answers, used in order; when none is left, the user cancels.
    QStringList chosenFiles;
    // When set, GridCommandShiftF10 pops up the services' real grid menu (without waiting for
    // it): gridMenu is that menu, for the test to click its entries.
    bool gridMenus = false;
    QPointer<QMenu> gridMenu;

    // The database behind Connection(): a named Qt SQL connection. When reportEngine is set,
    // the connection reports that engine to the statement builders (the statements still run
    // on the real database).
    QString connectionName;
    std::optional<host::Engine> reportEngine;
    // Statements that fail with this text when they contain the marker.
    QString failStatementContaining;
    // Called with each statement (and "COMMIT") before it runs on the database.
    std::function<void(const QString &)> beforeStatement;
    // Called with the name of each service call as it is made (before failOn raises).
    std::function<void(const QString &)> duringCall;

    bool forceUppercase = false;

    int count(const QString &callName) const;
    QString lastCall(const QString &callName) const;
};

std::shared_ptr<ServicesRecord> installRecordingServices(const QString &connectionName = {});

// Drops the component's services and installs nothing; the next use raises.
void uninstallServices();

} // namespace kesta::test
