// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "session.h"

#include <QDir>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace ProgramTest {

QByteArray takeOption(int *argc, char **argv, const char *name, const QByteArray &otherwise)
{
    for (int i = 1; i + 1 < *argc; ++i) {
        if (qstrcmp(argv[i], name) != 0)
            continue;
        const QByteArray value = argv[i + 1];
        std::copy(argv + i + 2, argv + *argc + 1, argv + i); // argv[argc] is null
        *argc -= 2;
        return value;
    }
    return otherwise;
}

QList<pid_t> processesWith(const QByteArray &marker)
{
    QList<pid_t> found;
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &name : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const pid_t pid = name.toInt(&ok);
        if (!ok || pid == getpid())
            continue;
        QFile environ(proc.filePath(name + QStringLiteral("/environ")));
        if (!environ.open(QIODevice::ReadOnly))
            continue;
        if (environ.readAll().split('\0').contains(marker))
            found << pid;
    }
    return found;
}

static QString commandLine(pid_t pid)
{
    QFile f(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return QString::number(pid);
    return QString::number(pid) + u' ' + QString::fromLocal8Bit(f.readAll().replace('\0', ' '));
}

bool runTool(const QString &program, const QStringList &args, const QString &display)
{
    QProcess p;
    if (!display.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        p.setProcessEnvironment(env);
    }
    p.start(program, args);
    if (!p.waitForFinished(15000)) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool Helper::start(const QString &program, const QStringList &args)
{
    // A test that is killed takes its helpers with it: they hold the
    // machine's shared lock through the descriptor they inherit.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(program, args);
    if (!m_process.waitForStarted(5000))
        return false;
    if (!QTest::qWaitFor([this] { return m_process.canReadLine(); }, 15000))
        return false;
    m_line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    return !m_line.isEmpty();
}

void Helper::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

QString startScreen(Helper *xvfb)
{
    const bool started =
        xvfb->start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                     QStringLiteral("0"), QStringLiteral("1024x768x24"),
                     QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                     // no reset when a client leaves: it refuses the next one meanwhile
                     QStringLiteral("-noreset")});
    return started ? u':' + xvfb->line() : QString();
}

Session::Session(Platform platform, const QString &display, const QString &marker)
    : m_platform(platform), m_display(display), m_marker(marker)
{
    QObject::connect(&m_process, &QProcess::readyReadStandardError, &m_process,
                     [this] { readReports(); });
    // In a session of its own, so that everything it starts can be found
    // and ended with it; and ended when the test is.
    m_process.setChildProcessModifier([] {
        ::setsid();
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
}

bool Session::waitReady()
{
    return QTest::qWaitFor([this] { return !m_window.isEmpty() || !running(); }, kStepMs) &&
           !m_window.isEmpty();
}

bool Session::waitFor(const std::function<bool(const QJsonObject &)> &test, int ms)
{
    return QTest::qWaitFor([&] { return test(m_state) || !running(); }, ms) && test(m_state);
}

void Session::click(const QString &control)
{
    if (m_platform == Platform::Offscreen) {
        send(QStringLiteral("click ") + control);
        return;
    }
    // The driver says where the control is; the click is the X server's.
    const qsizetype from = m_reports.size();
    send(QStringLiteral("where ") + control);
    static const QRegularExpression at(QStringLiteral("^at (\\S+) (-?\\d+) (-?\\d+)$"));
    QRegularExpressionMatch found;
    const auto answered = [&] {
        for (qsizetype i = from; i < m_reports.size() && !found.hasMatch(); ++i) {
            const auto m = at.match(QString::fromUtf8(m_reports[i]));
            if (m.hasMatch() && m.captured(1) == control)
                found = m;
        }
        return found.hasMatch() || !running();
    };
    if (!QTest::qWaitFor(answered, kStepMs) || !found.hasMatch()) {
        m_log << QStringLiteral("the driver did not say where %1 is").arg(control);
        return;
    }
    focus(m_window);
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_window, found.captured(2),
             found.captured(3), QStringLiteral("click"), QStringLiteral("1")});
}

void Session::type(const QString &text)
{
    if (m_platform == Platform::Offscreen)
        send(QStringLiteral("type ") + text);
    else
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
}

void Session::key(const QString &name)
{
    if (m_platform == Platform::Offscreen)
        send(QStringLiteral("key ") + name);
    else
        xdotool({QStringLiteral("key"), name});
}

bool Session::closeBox()
{
    // Offscreen the driver's keys go to the open box; on X it takes them once focused.
    if (m_platform == Platform::X)
        focus(m_state.value(QStringLiteral("boxWindow")).toString());
    key(QStringLiteral("Return"));
    return waitFor([](const QJsonObject &s) { return s.value(QStringLiteral("box")).isNull(); });
}

void Session::enterName(const QString &name)
{
    click(QStringLiteral("txtTB"));
    key(QStringLiteral("ctrl+a"));
    key(QStringLiteral("BackSpace"));
    if (!name.isEmpty())
        type(name);
    key(QStringLiteral("Return"));
}

QStringList Session::stop()
{
    QStringList killed;
    if (running()) {
        killed << QStringLiteral("the program itself");
        ::kill(-pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }
    const QByteArray marker = m_marker.toLocal8Bit();
    [[maybe_unused]] const bool gone =
        QTest::qWaitFor([&] { return processesWith(marker).isEmpty(); }, 10000);
    for (pid_t pid : processesWith(marker)) {
        killed << commandLine(pid);
        ::kill(pid, SIGKILL);
    }
    return killed;
}

QString Session::lastLines(int count) const
{
    // Of the driver's reports of the window, only the last: what it showed.
    QStringList lines;
    bool stateSeen = false;
    for (qsizetype i = m_log.size() - 1; i >= 0 && lines.size() < count; --i) {
        const bool state = m_log[i].startsWith(QLatin1String("lumora-driver: state "));
        if (!(state && stateSeen))
            lines.prepend(m_log[i].left(600));
        stateSeen = stateSeen || state;
    }
    return QStringLiteral("the program's last lines:\n  ") + lines.join(QStringLiteral("\n  "));
}

void Session::readReports()
{
    m_stderr += m_process.readAllStandardError();
    int end;
    while ((end = m_stderr.indexOf('\n')) >= 0) {
        const QByteArray line = m_stderr.left(end);
        m_stderr.remove(0, end + 1);
        m_log << QString::fromUtf8(line);
        static const QByteArray prefix = "lumora-driver: ";
        if (!line.startsWith(prefix))
            continue;
        const QByteArray report = line.mid(prefix.size());
        m_reports << report;
        if (report.startsWith("ready "))
            m_window = QString::fromLatin1(report.mid(6));
        else if (report.startsWith("state "))
            m_state = QJsonDocument::fromJson(report.mid(6)).object();
    }
}

void Session::focus(const QString &window)
{
    // No window manager runs on the private screen: the window gets the
    // keyboard directly.
    if (!window.isEmpty())
        xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
}

void Session::xdotool(const QStringList &args)
{
    if (!runTool(QStringLiteral("xdotool"), args, m_display))
        m_log << QStringLiteral("xdotool %1 failed").arg(args.join(u' '));
}

} // namespace ProgramTest
