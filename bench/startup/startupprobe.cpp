// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Linked into every start-up program: watches the first window from outside
// its main() and reports, in milliseconds since the launcher started the
// process (LUMORA_BENCH_T0, CLOCK_MONOTONIC nanoseconds):
//   painted  the first paint of a window has been handled
//   idle     then the event loop has run everything that was queued up to
//            that moment (for Lumora: the browser engine start the first
//            paint triggers)
//   stall    the longest the event loop did not run in the 700 ms after
//            the first paint: how long a keystroke could have waited
// and then quits the program.
#include "../benchcommon.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace {

class Probe : public QObject {
public:
    explicit Probe(qint64 t0) : m_t0(t0) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Application filters see the paint before the window's own filters
        // do, so what is posted here runs before anything the paint posts.
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->isWindow()) {
            m_seen = true;
            QMetaObject::invokeMethod(this, &Probe::painted, Qt::QueuedConnection);
        }
        return false;
    }

private:
    double sinceStart() const { return double(Bench::nowNs() - m_t0) / 1e6; }

    void painted()
    {
        m_painted = sinceStart();
        // Posted behind whatever the paint itself queued.
        QMetaObject::invokeMethod(this, &Probe::idle, Qt::QueuedConnection);
        m_lastTick = m_tickOrigin = Bench::nowNs();
        m_ticks.setInterval(2);
        connect(&m_ticks, &QTimer::timeout, this, &Probe::tick);
        m_ticks.start();
    }
    void idle()
    {
        m_idle = sinceStart();
        // For a profiler: the start alone, without the watch that follows.
        if (qEnvironmentVariableIsSet("LUMORA_BENCH_QUIT_WHEN_IDLE"))
            QCoreApplication::exit(0);
    }
    void tick()
    {
        const qint64 now = Bench::nowNs();
        m_stall = qMax(m_stall, double(now - m_lastTick) / 1e6);
        m_lastTick = now;
        if (double(now - m_tickOrigin) / 1e6 < 700)
            return;
        m_ticks.stop();
        Bench::say(
            QStringLiteral("STARTUP painted=%1 idle=%2 stall=%3")
                .arg(Bench::fmt(m_painted, 2), Bench::fmt(m_idle, 2), Bench::fmt(m_stall, 2)));
        QCoreApplication::exit(0);
    }
    qint64 m_t0;
    bool m_seen = false;
    double m_painted = 0;
    double m_idle = 0;
    double m_stall = 0;
    qint64 m_lastTick = 0;
    qint64 m_tickOrigin = 0;
    QTimer m_ticks;
};

void installProbe()
{
    const qint64 t0 = qEnvironmentVariable("LUMORA_BENCH_T0").toLongLong();
    if (t0 <= 0)
        return; // started by hand: no probe, the program runs as usual
    auto *probe = new Probe(t0);
    probe->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(probe);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)
