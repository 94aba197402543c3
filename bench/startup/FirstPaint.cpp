// A generic Qt plugin, loaded into a program through QT_QPA_GENERIC_PLUGINS,
// that tells the start-up benchmark when the program's first window has been
// painted (the window with the tab pages): it writes one line to the standard output, "painted
// <kB>" with the peak resident memory of the process so far, and ends the process at once. The
// program itself knows nothing of it, so the program measured is the program as it is delivered.
//
// With KALVINDO_FIRSTPAINT_PAGE=<n> set, the window's tab page n is brought
// forward after the first paint, as a user clicking its tab would, and the
// line is written once that page has been painted.
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QGenericPlugin>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace {

// VmHWM from /proc/self/status, in kB; 0 where the system has none.
long peakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

[[noreturn]] void reportAndEnd()
{
    std::printf("painted %ld\n", peakResidentKb());
    std::fflush(stdout);
    _exit(0);
}

void showPageAndEnd(QWidget* window, int page)
{
    auto* tabs = window->findChild<QTabWidget*>();
    if (!tabs || page >= tabs->count())
        reportAndEnd();
    tabs->setCurrentIndex(page);
    // The page's first paint, with whatever it reads to show itself.
    tabs->currentWidget()->repaint();
    QTimer::singleShot(0, [] { reportAndEnd(); });
}

class FirstPaintWatch : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_seen || event->type() != QEvent::Paint || !watched->isWidgetType())
            return false;
        QWidget* window = static_cast<QWidget*>(watched)->window();
        // The main window is the one with the tab pages: a splash window
        // painted before it does not count.
        if (window->isVisible() &&
            (qobject_cast<QTabWidget*>(window) || window->findChild<QTabWidget*>())) {
            m_seen = true;
            bool pageWanted = false;
            const int page = qEnvironmentVariableIntValue("KALVINDO_FIRSTPAINT_PAGE", &pageWanted);
            // The next turn of the event loop comes after the whole window
            // has been painted and put on the screen.
            QTimer::singleShot(0, [window, page, pageWanted] {
                if (pageWanted)
                    showPageAndEnd(window, page);
                else
                    reportAndEnd();
            });
        }
        return false;
    }

private:
    bool m_seen = false;
};

} // namespace

class FirstPaintPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "FirstPaint.json")
public:
    QObject* create(const QString&, const QString&) override
    {
        auto* watch = new FirstPaintWatch(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(watch);
        return watch;
    }
};

#include "FirstPaint.moc"
