// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Start-up: from process start to the window painted and ready for input,
// for Lumora (its own main()), for Lumora's window in a program without the
// engine (the floor of the paint), for the same window in a program that
// creates its browser view before showing it (the floor of the engine
// ready), for an empty window and its naive start (for the record), and two
// programs that tell costs apart: one line of Chinese text, and the engine
// linked but unused. They are started in turn,
// round after round, under the offscreen platform and, where Xvfb is
// installed, under xcb on a private Xvfb.
//
//   bench_startup [--rounds N] [--no-xcb]
#include "../benchcommon.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <cstdio>

namespace {

struct Program {
    Program(const QString &l, const QString &f) : label(l), file(f) {}
    QString label;
    QString file;
    QList<double> painted, idle, stall;
    int failures = 0;
};

struct Sample {
    double painted = -1, idle = -1, stall = -1;
};

Sample runOnce(const QString &path, const QProcessEnvironment &base)
{
    QProcess child;
    QProcessEnvironment env = base;
    child.setProcessChannelMode(QProcess::SeparateChannels);
    env.insert(QStringLiteral("LUMORA_BENCH_T0"), QString::number(Bench::nowNs()));
    child.setProcessEnvironment(env);
    child.start(path, {});
    Sample s;
    const bool finished = child.waitForFinished(60000);
    if (!finished) {
        child.kill();
        child.waitForFinished();
    }
    // The engine's helper processes end after the program; they are given
    // the time to, so that they do not weigh on the next start.
    QThread::msleep(300);
    if (!finished) {
        std::fprintf(stderr, "%s: no end within a minute\n", qPrintable(path));
        return s;
    }
    const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split(u'\n');
    for (const QString &line : lines) {
        if (!line.startsWith(QLatin1String("STARTUP ")))
            continue;
        for (const QString &pair : line.mid(8).split(u' ')) {
            const QString key = pair.section(u'=', 0, 0);
            const double value = pair.section(u'=', 1).toDouble();
            if (key == QLatin1String("painted"))
                s.painted = value;
            else if (key == QLatin1String("idle"))
                s.idle = value;
            else if (key == QLatin1String("stall"))
                s.stall = value;
        }
    }
    if (s.painted < 0) {
        // What the program said on its way out goes to the log.
        std::fprintf(stderr, "%s: no report, exit %d; its last words:\n%s\n", qPrintable(path),
                     child.exitCode(), child.readAllStandardError().right(2000).constData());
    }
    return s;
}

// A private X server on a free display, for as long as the benchmark runs.
class Xvfb {
public:
    bool start(const QString &program)
    {
        m_program = program;
        // -displayfd picks a free display and writes its number to stdout.
        // -noreset: like a desktop's server, it does not reset each time the
        // last program leaves, which costs the next start time and, now and
        // then, its connection.
        m_process.start(program, {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                  QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                  QStringLiteral("-noreset"), QStringLiteral("-screen"),
                                  QStringLiteral("0"), QStringLiteral("1280x1024x24")});
        if (!m_process.waitForStarted(5000))
            return false;
        QByteArray out;
        while (!out.contains('\n') && m_process.waitForReadyRead(10000))
            out += m_process.readAllStandardOutput();
        bool ok = false;
        m_display = out.trimmed().toInt(&ok);
        return ok;
    }
    QString display() const { return QStringLiteral(":%1").arg(m_display); }
    bool running() const { return m_process.state() == QProcess::Running; }
    // Starts the server again when it has gone (something outside may end
    // it); false when it cannot.
    bool keepRunning()
    {
        if (running())
            return true;
        std::fprintf(stderr, "Xvfb on %s has gone; starting another\n", qPrintable(display()));
        stop();
        return start(m_program);
    }
    ~Xvfb() { stop(); }

private:
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    QProcess m_process;
    QString m_program;
    int m_display = -1;
};

// Runs the programs under one platform; under xcb, on the given X server.
void runPlatform(const QString &platform, QProcessEnvironment env, int rounds,
                 Xvfb *server = nullptr)
{
    const QString dir = QCoreApplication::applicationDirPath();
    // Lumora and its two floors: its own window in a program without the
    // engine (until the first paint) and the naive start of the same window,
    // which makes its browser view before showing it (until the engine is
    // ready). The empty window and its naive start are kept for the record;
    // the last two tell costs apart: one line of Chinese text alone, the
    // engine's libraries alone.
    QList<Program> programs = {
        {QStringLiteral("lumora"), dir + QStringLiteral("/start_lumora")},
        {QStringLiteral("lumora's window, no engine"), dir + QStringLiteral("/start_window")},
        {QStringLiteral("lumora's window, naive"), dir + QStringLiteral("/start_naive")},
        {QStringLiteral("bare window"), dir + QStringLiteral("/start_bare")},
        {QStringLiteral("bare window, naive"), dir + QStringLiteral("/start_naive_bare")},
        {QStringLiteral("bare window + one label"), dir + QStringLiteral("/start_label")},
        {QStringLiteral("bare window, engine linked"), dir + QStringLiteral("/start_bare_linked")}};
    Bench::say(QStringLiteral("\n== start-up under %1: %2 rounds ==").arg(platform).arg(rounds));
    // One start of each first, so that every program's files are in the
    // page cache before anything is counted.
    const auto start = [&](const QString &file) {
        if (server) {
            if (!server->keepRunning())
                return Sample();
            env.insert(QStringLiteral("DISPLAY"), server->display());
        }
        return runOnce(file, env);
    };
    for (const Program &p : programs)
        start(p.file);
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < programs.size(); ++k) {
            // The order turns every round, so no program always follows the
            // same one.
            Program &p = programs[(round + k) % programs.size()];
            const Sample s = start(p.file);
            if (s.painted < 0) {
                ++p.failures;
                continue;
            }
            p.painted << s.painted;
            p.idle << s.idle;
            p.stall << s.stall;
        }
    }
    for (const Program &p : programs)
        if (p.failures)
            Bench::say(
                QStringLiteral("(%1: %2 starts did not report and are left out; see the log)")
                    .arg(p.label)
                    .arg(p.failures));
    Bench::say(QStringLiteral("%1 %2 %3 %4")
                   .arg(QStringLiteral("program (median of each)"), -28)
                   .arg(QStringLiteral("painted ms"), 11)
                   .arg(QStringLiteral("idle ms"), 9)
                   .arg(QStringLiteral("stall ms"), 9));
    for (const Program &p : programs)
        Bench::say(QStringLiteral("%1 %2 %3 %4")
                       .arg(p.label, -28)
                       .arg(Bench::fmt(Bench::median(p.painted)), 11)
                       .arg(Bench::fmt(Bench::median(p.idle)), 9)
                       .arg(Bench::fmt(Bench::median(p.stall)), 9));
    Bench::say(QStringLiteral("painted: first paint handled; idle: the event loop has then run "
                              "everything queued so far; stall: longest time the event loop did "
                              "not run in the 700 ms after the first paint"));
    const auto median = [&](int program, QList<double> Program::*times) {
        return Bench::median(programs[program].*times);
    };
    Bench::say(QStringLiteral("lumora / its window without the engine: painted %1; lumora / its "
                              "window's naive start: idle %2; lumora / bare window: painted %3; "
                              "lumora / the bare window's naive start: idle %4")
                   .arg(Bench::fmt(median(0, &Program::painted) / median(1, &Program::painted), 3),
                        Bench::fmt(median(0, &Program::idle) / median(2, &Program::idle), 3),
                        Bench::fmt(median(0, &Program::painted) / median(3, &Program::painted), 3),
                        Bench::fmt(median(0, &Program::idle) / median(4, &Program::idle), 3)));
    const QString suffix =
        platform == QLatin1String("offscreen") ? QString() : QStringLiteral("-") + platform;
    // Painted: the window is on the screen, against the same window in a
    // program that never loads the engine. Idle: the event loop free again
    // after what the first paint queued (the engine's module loaded and
    // started), against the same window in a program that starts the engine
    // before showing it.
    Bench::printResult(QStringLiteral("startup-painted") + suffix, median(0, &Program::painted),
                       median(1, &Program::painted), QStringLiteral("<=1.10"),
                       QStringLiteral("ms"));
    Bench::printResult(QStringLiteral("startup-idle") + suffix, median(0, &Program::idle),
                       median(2, &Program::idle), QStringLiteral("<=1.20"), QStringLiteral("ms"));
    Bench::printResult(QStringLiteral("startup-painted-bare") + suffix,
                       median(0, &Program::painted), median(3, &Program::painted),
                       QStringLiteral("record"), QStringLiteral("ms"));
    Bench::printResult(QStringLiteral("startup-idle-bare") + suffix, median(0, &Program::idle),
                       median(4, &Program::idle), QStringLiteral("record"), QStringLiteral("ms"));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    int rounds = 15;
    const qsizetype at = args.indexOf(QStringLiteral("--rounds"));
    if (at > 0 && at + 1 < args.size())
        rounds = qMax(1, args[at + 1].toInt());
    Bench::prepareEnvironment();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // Offscreen would draw through a display of the caller's.
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    runPlatform(QStringLiteral("offscreen"), env, rounds);

    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (args.contains(QStringLiteral("--no-xcb")) || xvfb.isEmpty()) {
        Bench::say(
            QStringLiteral("\n(xcb left out: %1)")
                .arg(xvfb.isEmpty() ? QStringLiteral("no Xvfb") : QStringLiteral("--no-xcb")));
        return 0;
    }
    Xvfb server;
    if (!server.start(xvfb)) {
        Bench::say(QStringLiteral("\n(xcb left out: Xvfb did not start)"));
        return 0;
    }
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    runPlatform(QStringLiteral("xcb"), env, rounds, &server);
    return 0;
}
