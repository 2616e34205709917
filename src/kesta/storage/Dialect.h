#pragma once

#include "host/Connection.h"

#include <QString>

namespace kesta::storage {

// The few statement pieces that differ between the database engines. Every statement is
// written in the host's SQL Server form; the other engines change only what their grammar
// needs. Nothing else in the storage code looks at the engine.
//
//                          SQL Server          SQLite              PostgreSQL
//   delete verb            "DELETE "           "DELETE FROM "      "DELETE FROM "
//   SET QUOTED_IDENTIFIER  around Ld_Valor     not sent            not sent
//   Ld_Valor literal       "..." ("" inside)   '...' ('' inside)   '...' ('' inside)
//   backslash in a text    literal             literal             E'...' with \\ (see below)
//
// PostgreSQL reads a backslash in a plain '...' literal literally only while
// standard_conforming_strings is on (its default). A text holding a backslash is therefore
// written as an escape string E'...' with the backslash doubled, which reads the same
// whatever that setting is; texts without a backslash keep the plain form.
struct Dialect {
    host::Engine engine = host::Engine::SqlServer;

    // "DELETE " on SQL Server, "DELETE FROM " elsewhere.
    QString deleteVerb() const;
    // Whether the save switches QUOTED_IDENTIFIER off and on around each field statement.
    bool usesQuotedIdentifierSetting() const;
    // Whether Ld_Valor is written between double quotes (else between apostrophes).
    bool doubleQuotedValor() const;
    // Whether a text holding a backslash needs the escape-string form.
    bool escapeStringForBackslash() const;
};

inline Dialect dialectFor(host::Engine engine)
{
    return Dialect{engine};
}

} // namespace kesta::storage
