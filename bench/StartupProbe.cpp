// A Qt generic plugin for the start-up benchmark: loaded into any Qt program through
// QT_QPA_GENERIC_PLUGINS=startupprobe, it notes the moment the program's first window is on the
// screen and its event loop has dealt with what was waiting (the program is interactive), writes
// that moment (CLOCK_MONOTONIC, nanoseconds) into the file KESTA_STARTUP_PROBE_OUT names, and
// ends the program there. The program itself is not changed.

#include <QCoreApplication>
#include <QEvent>
#include <QGenericPlugin>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

class StartupProbe : public QObject {
public:
    StartupProbe() { QCoreApplication::instance()->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_exposed && event->type() == QEvent::Expose) {
            const auto *window = qobject_cast<QWindow *>(watched);
            if (window && window->isExposed()) {
                m_exposed = true;
                QTimer::singleShot(0, this, &StartupProbe::report);
            }
        }
        return false;
    }

private:
    static void report()
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (const char *path = std::getenv("KESTA_STARTUP_PROBE_OUT")) {
            if (std::FILE *out = std::fopen(path, "w")) {
                std::fprintf(out, "%lld\n",
                             static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
                std::fclose(out);
            }
        }
        std::_Exit(0);
    }

    bool m_exposed = false;
};

class StartupProbePlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "StartupProbe.json")
public:
    QObject *create(const QString &, const QString &) override { return new StartupProbe; }
};

} // namespace

#include "StartupProbe.moc"
