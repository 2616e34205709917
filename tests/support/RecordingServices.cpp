#include "RecordingServices.h"

#include "host/Publico.h"
#include "host/RuntimeError.h"
#include "services/GridTools.h"
#include "services/MessageBox.h"
#include "services/ScreenTools.h"
#include "store/SqlConnection.h"

#include <QMenu>
#include <QWidget>

namespace kesta::test {

using host::RuntimeError;

int ServicesRecord::count(const QString &callName) const
{
    const QString prefix = callName + QLatin1Char('(');
    return int(std::count_if(calls.cbegin(), calls.cend(),
                             [&prefix](const QString &call) { return call.startsWith(prefix); }));
}

QString ServicesRecord::lastCall(const QString &callName) const
{
    const QString prefix = callName + QLatin1Char('(');
    for (auto it = calls.crbegin(); it != calls.crend(); ++it)
        if (it->startsWith(prefix))
            return *it;
    return {};
}

namespace {

using Record = std::shared_ptr<ServicesRecord>;

void note(const Record &r, const QString &name, const QStringList &args = {})
{
    r->calls << name + QLatin1Char('(') + args.join(QLatin1Char('|')) + QLatin1Char(')');
    if (r->duringCall)
        r->duringCall(name);
    if (r->failOn && *r->failOn == name)
        throw RuntimeError(QStringLiteral("%1 failed (test)").arg(name));
}

// Records a statement about to run, and refuses it as the test asks.
void noteStatement(const Record &r, const QString &statement)
{
    r->statements << statement;
    if (r->beforeStatement)
        r->beforeStatement(statement);
    if (!r->failStatementContaining.isEmpty() && statement.contains(r->failStatementContaining))
        throw RuntimeError(QStringLiteral("statement refused (test)"));
}

// A prepared statement whose runs are recorded, and refused, as the connection's statements.
class RecordingStatement : public host::PreparedStatement {
public:
    RecordingStatement(Record r, QString text, std::unique_ptr<host::PreparedStatement> inner)
        : m_r(std::move(r)), m_text(std::move(text)), m_inner(std::move(inner))
    {}
    void Run(const QVariantList &values) override
    {
        noteStatement(m_r, m_text);
        m_inner->Run(values);
    }

private:
    Record m_r;
    QString m_text;
    std::unique_ptr<host::PreparedStatement> m_inner;
};

class RecordingConnection : public host::Connection {
public:
    explicit RecordingConnection(Record r) : m_r(std::move(r)), m_sql(m_r->connectionName) {}
    host::Engine engine() const override
    {
        return m_r->reportEngine ? *m_r->reportEngine : m_sql.engine();
    }
    std::unique_ptr<host::RecordSet> Execute(const QString &statement) override
    {
        noteStatement(m_r, statement);
        return m_sql.Execute(statement);
    }
    std::unique_ptr<host::PreparedStatement> Prepare(const QString &statement) override
    {
        if (m_r->reportEngine && *m_r->reportEngine != m_sql.engine())
            return nullptr; // the statement texts of the engine reported
        auto inner = m_sql.Prepare(statement);
        if (!inner)
            return nullptr;
        return std::make_unique<RecordingStatement>(m_r, statement, std::move(inner));
    }
    void BeginTrans() override
    {
        m_r->statements << QStringLiteral("BEGIN");
        m_sql.BeginTrans();
    }
    void BeginReadTrans() override
    {
        m_r->statements << QStringLiteral("BEGIN");
        m_sql.BeginReadTrans();
    }
    void CommitTrans() override
    {
        m_r->statements << QStringLiteral("COMMIT");
        if (m_r->beforeStatement)
            m_r->beforeStatement(QStringLiteral("COMMIT"));
        m_sql.CommitTrans();
    }
    void RollbackTrans() override
    {
        m_r->statements << QStringLiteral("ROLLBACK");
        m_sql.RollbackTrans();
    }
    bool hasRulesTable() const override { return m_sql.hasRulesTable(); }

private:
    Record m_r;
    velkora::store::SqlConnection m_sql;
};

class RecordingCore : public host::CoreServices {
public:
    explicit RecordingCore(Record r) : m_r(std::move(r)) {}

    host::ConnectionPtr Connection() override
    {
        note(m_r, QStringLiteral("Connection"));
        return std::make_shared<RecordingConnection>(m_r);
    }
    QString CurrentOperator() override
    {
        note(m_r, QStringLiteral("CurrentOperator"));
        return m_r->operatorCode;
    }
    int ShowMessage(const QString &text, int style, const QString &title, QWidget *owner,
                    const QString &module, const QString &messageId) override
    {
        note(m_r, QStringLiteral("ShowMessage"),
             {text, QString::number(style), title, module, messageId});
        m_r->messages.append({text, style, title, owner, module, messageId});
        if (m_r->realMessageBoxes) // as the services show it: over the owner's window
            return velkora::services::MessageBox(
                       text, style, title, owner ? owner->window() : nullptr, module, messageId)
                .run();
        if (!m_r->answers.isEmpty())
            return m_r->answers.takeFirst();
        return style == host::MessageStyle::Question ? host::MessageAnswer::Yes : 1;
    }
    QVariant GetSetting(const QString &name, long mode, const QString &a, const QString &b) override
    {
        note(m_r, QStringLiteral("GetSetting"), {name, QString::number(mode), a, b});
        return m_r->settings.value(name);
    }
    int GetModuleOption(const QString &module, const QString &code, const QString &text) override
    {
        note(m_r, QStringLiteral("GetModuleOption"), {module, code, text});
        const QVariant v = m_r->moduleOptions.value(module + QLatin1Char('/') + code, 0);
        bool ok = false;
        const int value = v.toInt(&ok);
        if (!ok)
            throw RuntimeError(QStringLiteral("Module option %1 is not a number").arg(code));
        return value;
    }
    void SetForceUppercase(bool force) override
    {
        note(m_r, QStringLiteral("SetForceUppercase"),
             {force ? QStringLiteral("true") : QStringLiteral("false")});
        m_r->forceUppercase = force;
    }
    bool ForceUppercase() const override { return m_r->forceUppercase; }

private:
    Record m_r;
};

class RecordingViewer : public host::TextViewer {
public:
    explicit RecordingViewer(Record r) : m_r(std::move(r)) {}
    void ShowText(const QString &text, const QString &title, int a, int b, int c, int d, int e,
                  int f) override
    {
        QStringList args{text, title};
        for (int n : {a, b, c, d, e, f})
            args << QString::number(n);
        note(m_r, QStringLiteral("ShowText"), args);
    }
    void HighlightField(int lineType, int field) override
    {
        note(m_r, QStringLiteral("HighlightField"),
             {QString::number(lineType), QString::number(field)});
    }

private:
    Record m_r;
};

class RecordingRecordTool : public host::RecordTool {
public:
    explicit RecordingRecordTool(Record r) : m_r(std::move(r)) {}
    void OpenRecord(const QString &table, const QString &keyColumn, const QString &key,
                    const QString &a, const QString &b, const QString &c, const QString &d) override
    {
        note(m_r, QStringLiteral("OpenRecord"), {table, keyColumn, key, a, b, c, d});
    }

private:
    Record m_r;
};

class RecordingTool : public host::ToolServices {
public:
    explicit RecordingTool(Record r) : m_r(std::move(r)) {}

    QString ResolveTransaction(const QString &transaction, const QString &application) override
    {
        note(m_r, QStringLiteral("ResolveTransaction"), {transaction, application});
        return m_r->resolvedTransaction;
    }
    QString LookupValue(const QString &table, const QString &keyColumn, const QString &key,
                        const QString &wanted, long mode, const QString &a, const QString &b,
                        const QString &c) override
    {
        note(m_r, QStringLiteral("LookupValue"),
             {table, keyColumn, key, wanted, QString::number(mode), a, b, c});
        return m_r->lookups.value(key);
    }
    QDateTime CurrentDateTime() override
    {
        note(m_r, QStringLiteral("CurrentDateTime"));
        return m_r->now;
    }
    QString FormatDateTime(const QDateTime &stamp) override
    {
        note(m_r, QStringLiteral("FormatDateTime"));
        return stamp.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    QString FormatDate(const QDate &date) override
    {
        note(m_r, QStringLiteral("FormatDate"));
        return date.toString(QStringLiteral("yyyy-MM-dd"));
    }
    void LogAction(const QString &table, const QString &key, const QString &action) override
    {
        note(m_r, QStringLiteral("LogAction"), {table, key, action});
    }
    void ClearScreen(QWidget *screen, int tag) override
    {
        note(m_r, QStringLiteral("ClearScreen"),
             {screen ? screen->objectName() : QString(), QString::number(tag)});
        velkora::services::clearScreen(screen, tag);
    }
    void EnableScreen(QWidget *screen, int tag) override
    {
        note(m_r, QStringLiteral("EnableScreen"),
             {screen ? screen->objectName() : QString(), QString::number(tag)});
        velkora::services::enableScreen(screen, tag);
    }
    qlonglong NextKey(const QString &table, const QString &keyColumn) override
    {
        note(m_r, QStringLiteral("NextKey"), {table, keyColumn});
        return m_r->nextKey;
    }
    void SimulateKeys(const QString &keys, int wait) override
    {
        note(m_r, QStringLiteral("SimulateKeys"), {keys, QString::number(wait)});
        velkora::services::simulateKeys(keys);
    }
    void GridCommandF10(QWidget *grid) override
    {
        note(m_r, QStringLiteral("GridCommandF10"), {grid ? grid->objectName() : QString()});
    }
    void GridCommandShiftF10(QWidget *grid) override
    {
        note(m_r, QStringLiteral("GridCommandShiftF10"), {grid ? grid->objectName() : QString()});
        if (!m_r->gridMenus || !grid)
            return;
        if (m_r->gridMenu)
            m_r->gridMenu->deleteLater();
        QMenu *menu = velkora::services::createGridMenu(grid, grid);
        menu->popup(grid->mapToGlobal(grid->rect().center()));
        m_r->gridMenu = menu;
    }
    QString TestLoadFormat(int mode, const QString &key, const QString &separator) override
    {
        note(m_r, QStringLiteral("TestLoadFormat"), {QString::number(mode), key, separator});
        return m_r->testResult;
    }
    QString TestLoadFormatFile(int mode, const QString &key, const QString &separator,
                               const QString &file) override
    {
        note(m_r, QStringLiteral("TestLoadFormatFile"),
             {QString::number(mode), key, separator, file});
        return m_r->testResult;
    }
    QString TestLoadFormatValue(int mode, const velkora::formats::LoadFormat &format,
                                const QString &separator, const QString &file) override
    {
        note(m_r, QStringLiteral("TestLoadFormatValue"),
             {QString::number(mode), format.key, separator, file});
        m_r->testedValue = format;
        return m_r->testResult;
    }
    QString LastError() override
    {
        note(m_r, QStringLiteral("LastError"));
        return m_r->lastError;
    }
    QString ScriptRows(const QString &select, const QString &table) override
    {
        note(m_r, QStringLiteral("ScriptRows"), {select, table});
        return QStringLiteral("-- %1").arg(table);
    }
    QString ChooseOpenFile(QWidget *owner, const QString &title, const QString &startPath,
                           const QString &filter) override
    {
        note(m_r, QStringLiteral("ChooseOpenFile"),
             {owner ? owner->objectName() : QString(), title, startPath, filter});
        return m_r->chosenFiles.isEmpty() ? QString() : m_r->chosenFiles.takeFirst();
    }
    std::unique_ptr<host::TextViewer> CreateTextViewer() override
    {
        note(m_r, QStringLiteral("CreateTextViewer"));
        return std::make_unique<RecordingViewer>(m_r);
    }
    std::unique_ptr<host::RecordTool> CreateRecordTool() override
    {
        note(m_r, QStringLiteral("CreateRecordTool"));
        return std::make_unique<RecordingRecordTool>(m_r);
    }

private:
    Record m_r;
};

} // namespace

std::shared_ptr<ServicesRecord> installRecordingServices(const QString &connectionName)
{
    auto record = std::make_shared<ServicesRecord>();
    record->connectionName = connectionName;
    Publico::resetForTests();
    Publico::setServicesFactories(
        [record] {
            record->calls << QStringLiteral("create(CoreServices)");
            return std::make_unique<RecordingCore>(record);
        },
        [record] {
            record->calls << QStringLiteral("create(ToolServices)");
            return std::make_unique<RecordingTool>(record);
        });
    return record;
}

void uninstallServices()
{
    Publico::resetForTests();
}

} // namespace kesta::test
