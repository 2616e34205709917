// Saving and loading load formats of 10 to 5,000 field definitions over 1 to 100 line types,
// through the screen's own code paths and the host's real services, on SQLite (a file) and on
// the throwaway PostgreSQL server, beside what the driver itself needs for the same rows:
//   save   the toolbar's Save (frmKESTA::Controles_Save -> velkora::store::LoadFormatWriter) of a
//          loaded format in Edit mode
//          limit: the same rows inserted by one prepared statement per table in one
//          transaction (after deleting the key's rows, as the save does)
//   load   the key confirmed in the key box (txtClave_Enter: the header, the line grid, the
//          field store and the field grid of the first line type, RellenaDetalle)
//          limit: the same rows read by one plain SELECT per table, every column fetched
// Prints the medians, the ratios to the limits and the time per field; then, per number of
// line types, how the time per field moves from 100 to 5,000 fields.
//
//   bench_saveload [--runs N] [--sqlite-only] [--fields 10,100,1000,5000] [--types 1,10,100]

#include "BenchSupport.h"

#include "load/LoadFixture.h"
#include "store/Database.h"
#include "services/Services.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QSqlRecord>
#include <QTimer>
#include <cstdio>
#include <map>

using namespace kesta::bench;
using namespace kesta::test;

namespace {

const QString Key = QStringLiteral("9000");
// The most that the save may take over its limit and the load over its SELECT.
constexpr double RatioGoal = 1.5;

struct Shape {
    int fields = 0;
    int types = 0;
};

struct Figures {
    double save = 0, saveLimit = 0, load = 0, loadLimit = 0;
};

double elapsedMs(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

QSqlDatabase connection()
{
    return QSqlDatabase::database(QString::fromLatin1(velkora::store::DefaultConnectionName),
                                  false);
}

// The rows of a load format of the given shape, as a user would have entered them.
void rowsOf(const Shape &shape, QList<LineRow> &lines, QList<FieldRow> &fields)
{
    static const char *const formats[] = {"0V00", "", "YYYYMMDD", "", ""};
    for (int l = 1; l <= shape.types; ++l) {
        LineRow line;
        line.key = Key;
        line.id = QStringLiteral("%1").arg(l, 4, 10, QLatin1Char('0'));
        line.lineId = QStringLiteral("L%1").arg(l, 3, 10, QLatin1Char('0'));
        line.lineDescription = QStringLiteral("Tipo de línea %1").arg(l);
        line.position = 1;
        line.length = 4;
        lines << line;
    }
    for (int f = 0; f < shape.fields; ++f) {
        const int type = f % 5;
        FieldRow field;
        field.key = Key;
        field.lineId = lines[f % shape.types].id;
        field.id = QStringLiteral("%1").arg((f / shape.types + 1) * 10, 4, 10, QLatin1Char('0'));
        field.description = QStringLiteral("Campo %1 del tipo %2").arg(f).arg(f % shape.types + 1);
        field.position = 5 + (f / shape.types) * 8;
        field.length = 8;
        field.tipo = QStringLiteral("0%1").arg(type + 1);
        field.formato = QString(QLatin1String(formats[type])); // never null: stored as ''

        field.valor = type == 3   ? QStringLiteral("CONSTANTE")
                      : type == 4 ? QStringLiteral("SELECT Nombre FROM Bancos WHERE Clave = ?")
                                  : QStringLiteral("");
        field.trim = f % 2 ? QStringLiteral("SI") : QStringLiteral("NO");
        fields << field;
    }
}

void deleteKey(QSqlDatabase db)
{
    QSqlQuery query(db);
    query.exec(QStringLiteral("DELETE FROM Layout_Detalle WHERE Ly_Cve_Layout = '%1'").arg(Key));
    query.exec(QStringLiteral("DELETE FROM Layout WHERE Ly_Cve_Layout = '%1'").arg(Key));
}

// The limit of the save: one transaction, the key's rows deleted, then one prepared INSERT per
// table executed for every row.
[[gnu::noinline]] double insertRows(const QList<LineRow> &lines, const QList<FieldRow> &fields)
{
    QSqlDatabase db = connection();
    QElapsedTimer timer;
    timer.start();
    db.transaction();
    deleteKey(db);
    QSqlQuery line(db);
    line.prepare(QStringLiteral(
        "INSERT INTO Layout (Ly_Cve_Layout, Ly_Descripcion, Ly_Archivo, Ly_ID, Ly_Descripcion_ID, "
        "Ly_Linea_ID, Ly_Posicion, Ly_Longitud, Ly_Inverso, Ly_UserDef_1, Ly_UserDef_2, "
        "Ly_UserDef_3, Ly_UserDef_4, Ly_UserDef_5, Ly_UserDef_6, Fecha_Alta, Fecha_Ult_Modif, "
        "Oper_Alta, Oper_Ult_Modif, Es_Cve_Estado) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const QString stamp = QStringLiteral("2026-12-06 10:30:15");
    for (const LineRow &r : lines) {
        for (const QVariant &v : {QVariant(r.key),
                                  QVariant(r.description),
                                  QVariant(r.file),
                                  QVariant(r.id),
                                  QVariant(r.lineDescription),
                                  QVariant(r.lineId),
                                  r.position,
                                  r.length,
                                  QVariant(r.inverso),
                                  QVariant(r.user1),
                                  QVariant(r.user2),
                                  r.user3,
                                  r.user4,
                                  QVariant(r.date5.toDate().toString(Qt::ISODate)),
                                  QVariant(r.date6.toDate().toString(Qt::ISODate)),
                                  QVariant(stamp),
                                  QVariant(stamp),
                                  QVariant(QStringLiteral("BENCH")),
                                  QVariant(QStringLiteral("BENCH")),
                                  QVariant(r.estado)})
            line.addBindValue(v);
        if (!line.exec())
            std::fprintf(stderr, "limit insert: %s\n", qPrintable(line.lastError().text()));
    }
    QSqlQuery field(db);
    field.prepare(QStringLiteral(
        "INSERT INTO Layout_Detalle (Ly_Cve_Layout, Ly_ID, Ld_ID, Ld_Descripcion, Ld_Posicion, "
        "Ld_Longitud, Ld_Trim, Ld_Valor, Ld_Formato, Ld_Tipo) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
        "?)"));
    for (const FieldRow &r : fields) {
        for (const QVariant &v :
             {QVariant(r.key), QVariant(r.lineId), QVariant(r.id), r.description, r.position,
              r.length, r.trim, r.valor, r.formato, r.tipo})
            field.addBindValue(v);
        if (!field.exec())
            std::fprintf(stderr, "limit insert: %s\n", qPrintable(field.lastError().text()));
    }
    db.commit();
    return elapsedMs(timer);
}

// The limit of the load: every column of the key's rows, read by one plain SELECT per table.
[[gnu::noinline]] double selectRows(int expectedFields)
{
    QSqlDatabase db = connection();
    QElapsedTimer timer;
    timer.start();
    int fields = 0;
    for (const QString &table : {QStringLiteral("Layout"), QStringLiteral("Layout_Detalle")}) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT * FROM %1 WHERE Ly_Cve_Layout = ?").arg(table));
        query.addBindValue(Key);
        query.exec();
        const int columns = query.record().count();
        while (query.next()) {
            for (int c = 0; c < columns; ++c)
                (void)query.value(c);
            fields += table == QLatin1String("Layout_Detalle") ? 1 : 0;
        }
    }
    const double ms = elapsedMs(timer);
    if (fields != expectedFields)
        std::fprintf(stderr, "the plain SELECT read %d fields of %d\n", fields, expectedFields);
    return ms;
}

// Fails loudly instead of waiting on a message box nobody answers.
void watchForMessages(bool &failed)
{
    auto *timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, qApp, [&failed] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            std::fprintf(stderr, "message shown: %s\n", qPrintable(box->text()));
            failed = true;
            box->reject();
        }
    });
    timer->start(100);
}

class Bench {
public:
    Bench(int runs, bool &failed)
        : m_runs(runs), m_failed(failed), m_screen(std::make_unique<kesta::screen::frmKESTA>())
    {
        m_screen->show();
        if (!QTest::qWaitForWindowExposed(m_screen.get()))
            std::fprintf(stderr, "the screen was not shown\n");
    }

    Figures measure(const Shape &shape)
    {
        QList<LineRow> lines;
        QList<FieldRow> fields;
        rowsOf(shape, lines, fields);
        Figures figures;
        std::vector<double> saves, saveLimits, loads, loadLimits;
        for (int run = 0; run < m_runs; ++run) {
            saveLimits.push_back(insertRows(lines, fields));
            loadLimits.push_back(selectRows(shape.fields));
            loads.push_back(load(shape));
            saves.push_back(save(shape));
        }
        figures.save = median(saves);
        figures.saveLimit = median(saveLimits);
        figures.load = median(loads);
        figures.loadLimit = median(loadLimits);
        return figures;
    }

private:
    velkora::controls::Controles *toolbar() const
    {
        return m_screen->findChild<velkora::controls::Controles *>(QStringLiteral("Controles"));
    }

    double load(const Shape &shape)
    {
        kesta::screen::frmKESTA &screen = *m_screen;
        screen.txtClave->setText(Key);
        QElapsedTimer timer;
        timer.start();
        screen.txtClave_Enter();
        const double ms = elapsedMs(timer);
        const auto *store =
            screen.findChild<kesta::editor::FieldStoreView *>(QStringLiteral("lvDetalle"));
        if (store->store()->count() != shape.fields || screen.ssLinea->Rows() != shape.types ||
            screen.ssDetalle->Rows() != (shape.fields + shape.types - 1) / shape.types) {
            std::fprintf(stderr, "the load did not complete: %d fields, %d lines\n",
                         store->store()->count(), screen.ssLinea->Rows());
            m_failed = true;
        }
        return ms;
    }

    double save(const Shape &shape)
    {
        load(shape);
        toolbar()->action(QStringLiteral("Edit"))->trigger();
        QElapsedTimer timer;
        timer.start();
        toolbar()->action(QStringLiteral("Save"))->trigger();
        const double ms = elapsedMs(timer);
        QSqlQuery count(connection());
        count.exec(QStringLiteral("SELECT COUNT(*) FROM Layout_Detalle WHERE Ly_Cve_Layout = '%1'")
                       .arg(Key));
        if (!count.next() || count.value(0).toInt() != shape.fields || toolbar()->EditMode()) {
            std::fprintf(stderr, "the save did not complete\n");
            m_failed = true;
        }
        return ms;
    }

    int m_runs;
    bool &m_failed;
    std::unique_ptr<kesta::screen::frmKESTA> m_screen;
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("runs"), QStringLiteral("Runs of each measure (median)."),
         QStringLiteral("N"), QStringLiteral("5")},
        {QStringLiteral("sqlite-only"), QStringLiteral("Leave PostgreSQL out.")},
        {QStringLiteral("fields"), QStringLiteral("Numbers of fields."), QStringLiteral("LIST"),
         QStringLiteral("10,100,1000,5000")},
        {QStringLiteral("types"), QStringLiteral("Numbers of line types."), QStringLiteral("LIST"),
         QStringLiteral("1,10,100")},
    });
    parser.addHelpOption();
    parser.process(app);
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    std::vector<Shape> shapes;
    for (const QString &f : parser.value(QStringLiteral("fields")).split(QLatin1Char(',')))
        for (const QString &t : parser.value(QStringLiteral("types")).split(QLatin1Char(',')))
            if (t.toInt() <= f.toInt())
                shapes.push_back({f.toInt(), t.toInt()});

    bool failed = false;
    watchForMessages(failed);
    std::printf("%s\n", qPrintable(machineLoad()));
    std::vector<TestDatabase::Kind> kinds{TestDatabase::Kind::Sqlite};
    if (!parser.isSet(QStringLiteral("sqlite-only")))
        kinds.push_back(TestDatabase::Kind::PostgreSql);
    for (const TestDatabase::Kind kind : kinds) {
        const char *engine = kind == TestDatabase::Kind::Sqlite ? "SQLite" : "PostgreSQL";
        // The database under the host's own connection name, served by the host's services.
        TestDatabase db(kind, true, QString::fromLatin1(velkora::store::DefaultConnectionName));
        if (!db.ok()) {
            std::printf("\n%s: not available (%s)\n", engine, qPrintable(db.error()));
            continue;
        }
        qputenv("VELKORA_DATABASE", db.location().toUtf8());
        kesta::Publico::resetForTests();
        kesta::Publico::setServicesFactories(&velkora::services::createCoreServices,
                                             &velkora::services::createToolServices);
        kesta::Publico::StartUp();
        std::printf("\n%s, %d runs each (medians, ms)\n", engine, runs);
        std::printf("%6s %5s | %9s %9s %6s %8s | %9s %9s %6s %8s\n", "fields", "types", "save",
                    "limit", "x", "us/field", "load", "SELECT", "x", "us/field");
        std::map<int, std::map<int, Figures>> byTypes;
        {
            Bench bench(runs, failed);
            for (const Shape &shape : shapes) {
                const Figures f = bench.measure(shape);
                byTypes[shape.types][shape.fields] = f;
                const double saveRatio = f.save / f.saveLimit, loadRatio = f.load / f.loadLimit;
                std::printf("%6d %5d | %9.1f %9.1f %5.2f%c %8.1f | %9.1f %9.1f %5.2f%c %8.1f\n",
                            shape.fields, shape.types, f.save, f.saveLimit, saveRatio,
                            saveRatio > RatioGoal ? '!' : ' ', 1000 * f.save / shape.fields,
                            f.load, f.loadLimit, loadRatio, loadRatio > RatioGoal ? '!' : ' ',
                            1000 * f.load / shape.fields);
                std::fflush(stdout);
            }
        }
        // Per field: the whole time over the fields; per added field: the time that more
        // fields add (from 100 to 1,000 and from 1,000 to 5,000), without the costs that do not
        // grow with the fields (the transaction and its commit, the header, the screen's modes).
        std::printf("time per field, 100 -> 1,000 -> 5,000 fields (us; x: the larger over the "
                    "smaller):\n");
        for (const auto &[types, series] : byTypes) {
            if (!series.count(100) || !series.count(1000) || !series.count(5000))
                continue;
            const Figures &a = series.at(100), &b = series.at(1000), &c = series.at(5000);
            const auto spread = [](double x, double y, double z) {
                return std::max({x, y, z}) / std::min({x, y, z});
            };
            const double save[] = {1000 * a.save / 100, 1000 * b.save / 1000,
                                   1000 * c.save / 5000};
            const double load[] = {1000 * a.load / 100, 1000 * b.load / 1000,
                                   1000 * c.load / 5000};
            const double saveAdded[] = {1000 * (b.save - a.save) / 900,
                                        1000 * (c.save - b.save) / 4000};
            const double loadAdded[] = {1000 * (b.load - a.load) / 900,
                                        1000 * (c.load - b.load) / 4000};
            std::printf("  %3d line types  save per field %.1f %.1f %.1f (x%.2f), per added "
                        "field %.1f %.1f (x%.2f)\n",
                        types, save[0], save[1], save[2], spread(save[0], save[1], save[2]),
                        saveAdded[0], saveAdded[1],
                        std::max(saveAdded[0], saveAdded[1]) /
                            std::min(saveAdded[0], saveAdded[1]));
            std::printf("                  load per field %.1f %.1f %.1f (x%.2f), per added "
                        "field %.1f %.1f (x%.2f)\n",
                        load[0], load[1], load[2], spread(load[0], load[1], load[2]),
                        loadAdded[0], loadAdded[1],
                        std::max(loadAdded[0], loadAdded[1]) /
                            std::min(loadAdded[0], loadAdded[1]));
        }
        kesta::Publico::resetForTests();
    }
    std::printf("\n%s\ngoals: save <= %.1f x limit, load <= %.1f x SELECT at every size (a ratio "
                "over its goal is marked !), time per field within 20%% (x <= 1.20) from 100 to "
                "5,000 fields\n",
                qPrintable(machineLoad()), RatioGoal, RatioGoal);
    if (failed)
        std::printf("SOME RUNS FAILED (see above)\n");
    return failed ? 1 : 0;
}
