#pragma once

// The screen's messages as docs/messages.md writes them for users, misspellings included: its
// rows, and the save's refusals with the values of the save's tests in place of their `<...>`
// and "\r\n" where the message breaks its line, for the tests to compare with what the screen
// shows.

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>

namespace kesta::test {

// The rows of docs/messages.md by id ("ERR-ID:7500001"): text, title, style.
inline QHash<QString, QStringList> documentedRows()
{
    QFile file(QStringLiteral(KESTA_SOURCE_DIR "/docs/messages.md"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QHash<QString, QStringList> rows;
    for (const QString &line : QString::fromUtf8(file.readAll()).split('\n')) {
        const QStringList cells = line.split('|');
        if (cells.size() > 5 && QRegularExpression("^ 75000\\d\\d $").match(cells[1]).hasMatch())
            rows.insert("ERR-ID:" + cells[1].trimmed(),
                        {cells[2].trimmed(), cells[3].trimmed(), cells[4].trimmed()});
    }
    return rows;
}

struct WrittenMessage {
    QString id; // "7500001"
    QString text;
    int style = 0;
    QString title;
};

// The message of an id ("7500011"), its values in the order the text names them; an empty
// message when docs/messages.md has no row of the id.
inline WrittenMessage writtenMessage(const QString &id)
{
    static const QHash<QString, QStringList> values{
        {"7500012", {"0001", "Pagos"}},
        {"7500030", {"Archivo", "101", "100"}},
        {"7500031", {"Dato 3", "12345678901234567.0000"}}};
    const QStringList row = documentedRows().value("ERR-ID:" + id);
    if (row.isEmpty())
        return {};
    QString text = row.at(0);
    text.remove('`').replace(QStringLiteral("⏎"), QStringLiteral("\r\n"));
    static const QRegularExpression placeholder("<[^>]+>");
    for (const QString &value : values.value(id)) {
        const QRegularExpressionMatch at = placeholder.match(text);
        text.replace(at.capturedStart(), at.capturedLength(), value);
    }
    return {id, text, row.at(2).toInt(), row.at(1)};
}

} // namespace kesta::test
