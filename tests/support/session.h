// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// A run of the real program with the driver (driver/lumora-driver.cpp) loaded
// into it, the private X screen it may run on, and the helper processes a test
// starts beside it.
#pragma once

#include <QJsonObject>
#include <QProcess>

#include <functional>
#include <sys/types.h>

namespace ProgramTest {

// How long one step of a scenario may take before the test gives up on it.
constexpr int kStepMs = 60000;

// How the input reaches the program: through the driver's commands, which
// work on every platform, or through xdotool on the X server.
enum class Platform { Offscreen, X };

// The value of option NAME VALUE on a test's command line, taken out of it so
// that Qt Test does not see it; otherwise when it is not there.
QByteArray takeOption(int *argc, char **argv, const char *name, const QByteArray &otherwise = {});

// Every process whose environment holds marker: what the program started,
// however it detached itself.
QList<pid_t> processesWith(const QByteArray &marker);

// Runs a helper tool to its end, or gives up on it after a while.
bool runTool(const QString &program, const QStringList &args, const QString &display = QString());

// A process the test starts and reads one line from, such as Xvfb printing its
// display number or dbus-daemon its address.
class Helper {
public:
    bool start(const QString &program, const QStringList &args);
    QString line() const { return m_line; }
    void stop();
    ~Helper() { stop(); }

private:
    QProcess m_process;
    QString m_line;
};

// A private X screen; its display (":N"), or empty when no Xvfb could start.
QString startScreen(Helper *xvfb);

// One run of the program: its process, what its driver reports, and the input
// sent to it in the platform's way.
class Session {
public:
    Session(Platform platform, const QString &display, const QString &marker);
    ~Session() { stop(); }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    QProcess &process() { return m_process; }

    bool waitReady();
    // Waits until the window's state satisfies test; false when it never did.
    bool waitFor(const std::function<bool(const QJsonObject &)> &test, int ms = kStepMs);
    QJsonObject state() const { return m_state; }
    bool running() const { return m_process.state() != QProcess::NotRunning; }

    // A left click in the middle of the window's control of that object name.
    void click(const QString &control);
    void type(const QString &text);
    void key(const QString &name);
    // Enter in the open message box, and its end awaited; false when it stayed.
    bool closeBox();
    // The name box emptied, name typed into it, and Enter.
    void enterName(const QString &name);

    // The end of the run: the program and everything it started are gone.
    // Returns what had to be killed.
    QStringList stop();

    QStringList log() const { return m_log; }
    // Every report of the driver so far, without its prefix, oldest first.
    const QList<QByteArray> &reports() const { return m_reports; }
    // A command line for the driver.
    void send(const QString &line) { m_process.write(line.toUtf8() + '\n'); }
    // The last lines the program wrote, for a failure message.
    QString lastLines(int count = 16) const;

private:
    void readReports();
    void focus(const QString &window);
    void xdotool(const QStringList &args);

    Platform m_platform;
    QString m_display;
    QString m_marker;
    QProcess m_process;
    QByteArray m_stderr;
    QString m_window;
    QJsonObject m_state;
    QStringList m_log;
    QList<QByteArray> m_reports;
};

} // namespace ProgramTest
