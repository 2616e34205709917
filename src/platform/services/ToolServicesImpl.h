#pragma once

#include "controls/FileDialogs.h"
#include "host/Connection.h"
#include "host/ToolServices.h"

#include <QString>
#include <memory>

namespace velkora::services {

class TestResultSlot;

// The host's ToolServices over a named Qt SQL connection.
// - ResolveTransaction: "application/transaction" ("Velkora/KESTA"); the transaction text is
//   trimmed; an empty one raises, since the owner then names no transaction.
// - LookupValue, NextKey, LogAction: see DataLookups.h (checked names, bound values).
// - CurrentDateTime: the local date and time. FormatDateTime/FormatDate: see DateTexts.h,
//   for the engine of the connection (the SQLite/PostgreSQL forms when it is not open).
// - ClearScreen, EnableScreen, SimulateKeys, GridCommandF10 (fit the columns),
//   GridCommandShiftF10 (context menu): see ScreenTools.h and GridTools.h.
// - TestLoadFormat(mode, key, separator): the load-format test of store/StoredFormat.h on
//   the file of the format's Ly_Archivo (a relative name is taken from the SQLite database's
//   folder, or the current folder on a server); the result text with the separator ("|" when
//   empty), showing the first `mode` lines in full (1,000 when mode is 0 or less). When the test
//   cannot run it returns an empty text and LastError says why; it never raises. In a windowed
//   application the file is read off the window's thread (views/TestProgressDialog.h): a test
//   that lasts shows its progress with a "Cancelar" that keeps what was read, and the index of
//   the file's lines is kept for the next viewer of these services that shows the result.
//   TestLoadFormatFile: the same on a file given, the stored Ly_Archivo left as it is. Both
//   name the fields by the numbers the screen's load shows them under (0000, 0010...;
//   formats/LoadNumbers.h), not by their stored numbers as `velkora test` does.
//   TestLoadFormatValue: the same test of a format value on the file given, with the value's
//   own numbers, and the same window for its result.
// - ScriptRows(select, table): the INSERT script of the rows that one SELECT selects (see
//   store/ScriptWriter.h); anything else than one SELECT, or a failing statement, raises
//   and sets LastError.
// - ChooseOpenFile: the platform's dialog for a file to read (controls/FileDialogs.h): the
//   filter is split at ";;", and the dialog starts on the operator's last folder and filter.
//   While it lives, every file dialog of the screen and its views remembers the operator's
//   choices (UserFileMemory.h).
// - LastError: the text of the last failure of an operation; every other operation clears it
//   when it starts, so it never shows an earlier failure.
// - CreateTextViewer: a read-only text window, which for the result of the last test also
//   shows its tables and the file's lines (TextViewerDialog.h); CreateRecordTool: a read-only
//   view of a key's rows.
// The extra arguments of LookupValue (mode and three texts) and SimulateKeys (wait) are
// accepted and not used: everything runs synchronously.
class ToolServicesImpl : public kesta::host::ToolServices {
public:
    ToolServicesImpl(QString connectionName, QString operatorCode);
    ~ToolServicesImpl() override;
    ToolServicesImpl(const ToolServicesImpl &) = delete;
    ToolServicesImpl &operator=(const ToolServicesImpl &) = delete;

    QString ResolveTransaction(const QString &transaction, const QString &application) override;
    QString LookupValue(const QString &table, const QString &keyColumn, const QString &key,
                        const QString &wantedColumn, long mode, const QString &a, const QString &b,
                        const QString &c) override;
    QDateTime CurrentDateTime() override;
    QString FormatDateTime(const QDateTime &stamp) override;
    QString FormatDate(const QDate &date) override;
    void LogAction(const QString &table, const QString &key, const QString &action) override;
    void ClearScreen(QWidget *screen, int tag) override;
    void EnableScreen(QWidget *screen, int tag) override;
    qlonglong NextKey(const QString &table, const QString &keyColumn) override;
    void SimulateKeys(const QString &keys, int wait) override;
    void GridCommandF10(QWidget *grid) override;
    void GridCommandShiftF10(QWidget *grid) override;
    QString TestLoadFormat(int mode, const QString &key, const QString &separator) override;
    QString TestLoadFormatFile(int mode, const QString &key, const QString &separator,
                               const QString &file) override;
    QString TestLoadFormatValue(int mode, const velkora::formats::LoadFormat &format,
                                const QString &separator, const QString &file) override;
    QString LastError() override;
    QString ScriptRows(const QString &select, const QString &table) override;
    QString ChooseOpenFile(QWidget *owner, const QString &title, const QString &startPath,
                           const QString &filter) override;
    std::unique_ptr<kesta::host::TextViewer> CreateTextViewer() override;
    std::unique_ptr<kesta::host::RecordTool> CreateRecordTool() override;

private:
    kesta::host::Engine engine() const;
    // The test of a format on a file, off the window's thread in a windowed application; the
    // result text, or empty with LastError set. May raise.
    QString testFormat(int mode, const velkora::formats::LoadFormat &format,
                       const QString &separator, const QString &path);
    // Clears LastError, runs the operation and keeps the text of a RuntimeError it raises.
    template <typename Operation> auto guarded(Operation operation);

    QString m_connectionName;
    QString m_operator;
    QString m_lastError;
    std::shared_ptr<TestResultSlot> m_lastTest;
    std::shared_ptr<velkora::controls::FileDialogMemory> m_fileMemory;
};

} // namespace velkora::services
