#pragma once

#include "formats/LoadFormat.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <memory>

class QWidget;

namespace kesta::host {

// Shows a text to the user; created for one call.
class TextViewer {
public:
    virtual ~TextViewer() = default;
    virtual void ShowText(const QString &text, const QString &title, int a, int b, int c, int d,
                          int e, int f) = 0;
    // Before ShowText: the field that the views of a test's result show highlighted on the
    // file's lines, by places from 0: its line type among the format's line types and the field
    // among its line type's fields, both in the order of their numbers.
    virtual void HighlightField(int lineType, int field) = 0;
};

// Opens the record tool on a key; created for one call.
class RecordTool {
public:
    virtual ~RecordTool() = default;
    virtual void OpenRecord(const QString &table, const QString &keyColumn, const QString &key,
                            const QString &a, const QString &b, const QString &c,
                            const QString &d) = 0;
};

// The host's utility services. Failures raise RuntimeError.
class ToolServices {
public:
    virtual ~ToolServices() = default;

    virtual QString ResolveTransaction(const QString &transaction, const QString &application) = 0;
    // The wanted column of the row whose key column holds key; empty text when none.
    virtual QString LookupValue(const QString &table, const QString &keyColumn,
                                const QString &key, const QString &wantedColumn, long mode = 0,
                                const QString &a = {}, const QString &b = {},
                                const QString &c = {}) = 0;
    virtual QDateTime CurrentDateTime() = 0;
    // Texts that every supported engine reads unambiguously as a stamp and as a date.
    virtual QString FormatDateTime(const QDateTime &stamp) = 0;
    virtual QString FormatDate(const QDate &date) = 0;
    // Writes one entry of the action record (inside the caller's open transaction).
    virtual void LogAction(const QString &table, const QString &key, const QString &action) = 0;
    // Act on the screen's descendants whose "Tag" property equals the tag as text.
    virtual void ClearScreen(QWidget *screen, int tag) = 0;
    virtual void EnableScreen(QWidget *screen, int tag) = 0;
    virtual qlonglong NextKey(const QString &table, const QString &keyColumn) = 0;
    // Sends the keystrokes to the focused widget as if typed ("\t" moves the focus on).
    virtual void SimulateKeys(const QString &keys, int wait = 0) = 0;
    virtual void GridCommandF10(QWidget *grid) = 0;
    virtual void GridCommandShiftF10(QWidget *grid) = 0;
    virtual QString TestLoadFormat(int mode, const QString &key, const QString &separator) = 0;
    // The same test of the load format stored under the key, on another file than its own
    // (the stored format is not changed).
    virtual QString TestLoadFormatFile(int mode, const QString &key, const QString &separator,
                                       const QString &file) = 0;
    // The same test of a load format value that is not stored (the format as the screen holds
    // it, before a save) on the file given; nothing is read from the database and nothing is
    // written. The fields are named by the numbers the format gives them.
    virtual QString TestLoadFormatValue(int mode, const velkora::formats::LoadFormat &format,
                                        const QString &separator, const QString &file) = 0;
    virtual QString LastError() = 0;
    virtual QString ScriptRows(const QString &select, const QString &table) = 0;
    // Asks the user for an existing file to read, owned by owner, starting in startPath (a
    // folder or a file); filter as QFileDialog takes it ("Textos (*.txt);;Todos (*)"). Returns
    // the chosen path, or an empty text when the user cancelled.
    virtual QString ChooseOpenFile(QWidget *owner, const QString &title, const QString &startPath,
                                   const QString &filter) = 0;
    virtual std::unique_ptr<TextViewer> CreateTextViewer() = 0;
    virtual std::unique_ptr<RecordTool> CreateRecordTool() = 0;
};

} // namespace kesta::host
