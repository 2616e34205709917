#include "OdbcDiagnostics.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlResult>
#include <QVarLengthArray>
#include <QVariant>

#include <algorithm>

#include <dlfcn.h>
#include <sql.h>
#include <sqlext.h>

namespace velkora::store {

namespace {

using GetDiagRecW = SQLRETURN (*)(SQLSMALLINT, SQLHANDLE, SQLSMALLINT, SQLWCHAR *, SQLINTEGER *,
                                  SQLWCHAR *, SQLSMALLINT, SQLSMALLINT *);

// SQLGetDiagRecW of the driver manager that Qt's ODBC driver loaded (unixODBC, or iODBC), so
// that the handles are that manager's own. Nothing is loaded here: without an ODBC connection
// there are no records to read.
GetDiagRecW getDiagRec()
{
    for (const char *manager : {"libodbc.so.2", "libodbc.so.1", "libiodbc.so.2"}) {
        if (void *library = ::dlopen(manager, RTLD_LAZY | RTLD_NOLOAD)) {
            void *function = ::dlsym(library, "SQLGetDiagRecW");
            ::dlclose(library); // the plugin keeps it loaded
            if (function)
                return reinterpret_cast<GetDiagRecW>(function);
        }
    }
    return nullptr;
}

QString fromSqlWChar(const SQLWCHAR *text, qsizetype length)
{
    static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "SQLWCHAR is UTF-16 with unixODBC");
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(text), length);
}

QList<Diagnostic> records(SQLSMALLINT handleType, const QVariant &handle)
{
    QList<Diagnostic> result;
    if (handle.metaType() != QMetaType::fromType<void *>())
        return result;
    const SQLHANDLE h = *static_cast<void *const *>(handle.constData());
    const GetDiagRecW get = h ? getDiagRec() : nullptr;
    if (!get)
        return result;
    // A statement gives a few records; the bound keeps a driver that never says SQL_NO_DATA
    // from looping.
    for (SQLSMALLINT record = 1; record <= 64; ++record) {
        SQLWCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
        SQLINTEGER native = 0;
        QVarLengthArray<SQLWCHAR, SQL_MAX_MESSAGE_LENGTH> text(SQL_MAX_MESSAGE_LENGTH);
        SQLSMALLINT length = 0;
        SQLRETURN r = get(handleType, h, record, state, &native, text.data(),
                          SQLSMALLINT(text.size()), &length);
        if (r == SQL_SUCCESS_WITH_INFO && length >= text.size()) {
            text.resize(length + 1);
            r = get(handleType, h, record, state, &native, text.data(), SQLSMALLINT(text.size()),
                    &length);
        }
        if (!SQL_SUCCEEDED(r))
            break;
        result.append({fromSqlWChar(state, SQL_SQLSTATE_SIZE), QString::number(native),
                       fromSqlWChar(text.data(), std::min<qsizetype>(length, text.size() - 1))});
    }
    return result;
}

bool isOdbc(const QSqlDatabase &db)
{
    return db.driverName().startsWith(QLatin1String("QODBC"));
}

} // namespace

QList<Diagnostic> odbcDiagnostics(const QSqlDatabase &db, const QSqlQuery &query)
{
    if (!isOdbc(db) || !query.result())
        return {};
    return records(SQL_HANDLE_STMT, query.result()->handle());
}

QList<Diagnostic> odbcDiagnostics(const QSqlDatabase &db)
{
    if (!isOdbc(db) || !db.driver())
        return {};
    return records(SQL_HANDLE_DBC, db.driver()->handle());
}

} // namespace velkora::store
