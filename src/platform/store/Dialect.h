#pragma once

#include "host/Connection.h"

#include <QString>

namespace velkora::store {

// The few statement pieces that differ between the database engines. Every statement is
// written in the host's SQL Server form; the other engines change only what their grammar
// needs. Nothing else in the storage code looks at the engine.
//
//                          SQL Server          SQLite              PostgreSQL
//   delete verb            "DELETE "           "DELETE FROM "      "DELETE FROM "
//   SET QUOTED_IDENTIFIER  around each field   not sent            not sent
//   text literal           N'...' ('' inside)  '...' ('' inside)   '...' ('' inside)
//   backslash in a text    literal             literal             E'...' with \\ (see below)
//   decimal number         bare                '...' (see below)   bare
//   text length            LEN(...)            LENGTH(...)         LENGTH(...)
//   new key's check        UPDLOCK, HOLDLOCK   (the write lock     LOCK TABLE first
//                                              from BEGIN)
//   save's first lock      Layout's rows of    (the write lock     none (readers take
//                          the key, XLOCK      from BEGIN)         no locks)
//   read transaction       SERIALIZABLE        deferred BEGIN      REPEATABLE READ
//
// Lock order. Every transaction that touches the tables of one key takes its locks in one
// order: Layout, Layout_Detalle, Layout_Regla. The load reads them in that order; the save
// deletes them in the opposite order (the rules, the fields, the lines), so on SQL Server,
// where a serializable read holds its shared locks to its end, the save first takes an
// exclusive lock on the key's Layout rows: a load that has read Layout finishes before the save
// goes on, and a load that comes later waits at Layout, holding nothing the save needs. Without
// it the two wait for each other (error 1205, a deadlock).
//
// Read transaction: the statements of a read (the load, the test, the script) see one state of
// the tables: SQL Server holds what it read to the end (serializable); PostgreSQL reads one
// snapshot (REPEATABLE READ); SQLite's deferred BEGIN takes the file's shared lock at the first
// read and keeps it.
//
// SQL Server converts a plain '...' literal to the database's code page, so Greek, Cyrillic or
// CJK text would come back as "?": every text is written as a Unicode literal N'...', Ld_Valor
// included (so a constant value may hold apostrophes and double quotes alike).
//
// PostgreSQL reads a backslash in a plain '...' literal literally only while
// standard_conforming_strings is on (its default). A text holding a backslash is therefore
// written as an escape string E'...' with the backslash doubled, which reads the same
// whatever that setting is; texts without a backslash keep the plain form.
//
// A new load format's key is looked up again inside its save's transaction, and two users
// creating one key at once must not both find it free. SQL Server holds the looked-up key range
// to the end of the transaction with the lookup's UPDLOCK, HOLDLOCK hints, which a second
// lookup of the key waits for. PostgreSQL's serializable transaction sees the database as at its
// first statement, so the save first takes a lock on Layout that only another new key's save
// also takes (SHARE UPDATE EXCLUSIVE: reads and the writes of stored keys go on), and looks
// the key up after it has it. SQLite's transaction takes the database's write lock as it
// begins (SqlConnection).
//
// SQLite keeps Ly_UserDef_3 and Ly_UserDef_4 as the number's text (a bare literal would pass
// through a binary floating-point value and lose digits): the checked number is quoted.
struct Dialect {
    kesta::host::Engine engine = kesta::host::Engine::SqlServer;

    // "DELETE " on SQL Server, "DELETE FROM " elsewhere.
    QString deleteVerb() const;
    // Whether the save switches QUOTED_IDENTIFIER off and on around each field statement.
    bool usesQuotedIdentifierSetting() const;
    // Whether texts are written as Unicode literals (N'...').
    bool unicodeTexts() const;
    // Whether a text holding a backslash needs the escape-string form.
    bool escapeStringForBackslash() const;
    // Whether a decimal number is written as a quoted text.
    bool quotedDecimals() const;
    // The function that gives a text's length.
    QString lengthFunction() const;
    // The statement that a new key's save runs first in its transaction; empty when none.
    QString newKeyLock() const;
    // The hints of the new key's lookup in its save's transaction (" WITH (...)"), or empty.
    QString newKeyLookupHints() const;
    // The save's first statement inside its transaction, the exclusive lock on the key's Layout
    // rows (the key in its literal form) that puts its locks in the load's order; empty where
    // the save takes no such lock.
    QString formatLock(const QString &keyLiteral) const;
    // The statement that makes a read transaction one snapshot; empty on SQLite.
    QString readIsolation() const;
};

inline Dialect dialectFor(kesta::host::Engine engine)
{
    return Dialect{engine};
}

} // namespace velkora::store
