# Precompiled headers: most of a source's compile time is spent reading Qt's headers, the
# same ones in every file. Each library precompiles the Qt headers of the modules it links;
# the tests and benchmarks, which all link the same libraries with the same flags, share one.
option(KESTA_PCH "Precompile the Qt headers that every source includes" ON)

set(KESTA_PCH_CORE
    <algorithm> <memory> <optional> <vector>
    <QtCore/QByteArray> <QtCore/QCoreApplication> <QtCore/QDate> <QtCore/QDir>
    <QtCore/QFile> <QtCore/QHash> <QtCore/QList> <QtCore/QMap> <QtCore/QObject>
    <QtCore/QSet> <QtCore/QString> <QtCore/QStringList> <QtCore/QVariant>)
set(KESTA_PCH_SQL <QtSql/QSqlDatabase> <QtSql/QSqlError> <QtSql/QSqlQuery>)
set(KESTA_PCH_WIDGETS
    <QtGui/QKeyEvent> <QtGui/QPainter> <QtWidgets/QAbstractItemView>
    <QtWidgets/QApplication> <QtWidgets/QDialog> <QtWidgets/QLabel> <QtWidgets/QLineEdit>
    <QtWidgets/QTableView> <QtWidgets/QWidget>)
set(KESTA_PCH_TEST <QtTest/QSignalSpy> <QtTest/QTest>)

# kesta_precompile(target CORE|SQL|WIDGETS|TEST): the headers of that level and those below.
function(kesta_precompile target level)
    if(NOT KESTA_PCH)
        return()
    endif()
    set(headers ${KESTA_PCH_CORE})
    if(level MATCHES "^(SQL|WIDGETS|TEST)$")
        list(APPEND headers ${KESTA_PCH_SQL})
    endif()
    if(level MATCHES "^(WIDGETS|TEST)$")
        list(APPEND headers ${KESTA_PCH_WIDGETS})
    endif()
    if(level STREQUAL "TEST")
        list(APPEND headers ${KESTA_PCH_TEST})
    endif()
    target_precompile_headers(${target} PRIVATE ${headers})
endfunction()

# kesta_reuse_precompiled(target from): the headers that target `from` precompiled.
function(kesta_reuse_precompiled target from)
    if(KESTA_PCH)
        target_precompile_headers(${target} REUSE_FROM ${from})
    endif()
endfunction()
