// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// What the tests of the real program binary share: a run of the program with
// the driver (driver/lumora-driver.cpp) loaded into it, helper processes that
// announce themselves with one line, and the folder trees compared before and
// after a run.
#pragma once

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <functional>
#include <sys/prctl.h>
#include <unistd.h>

namespace ProgramSession {

// How long one step of a scenario may take before the test gives up on it.
constexpr int kStepMs = 60000;

// How the input reaches the program: through the driver's commands, which
// work on every platform, or through xdotool on the X server.
enum class Platform { Offscreen, X };

// One entry of a folder tree as far as "left something behind" goes: a folder
// counts by its existence (its time changes with every transient file), a
// file by its size and time, a link by its target.
struct Entry {
    QChar kind; // d, f, l or o
    qint64 size = 0;
    qint64 modified = 0;
    QString target;
    bool operator==(const Entry &o) const
    {
        return kind == o.kind && size == o.size && modified == o.modified && target == o.target;
    }
};
using Tree = QMap<QString, Entry>; // "LABEL/relative/path"

inline Tree snapshot(const QList<QPair<QString, QString>> &roots)
{
    Tree tree;
    for (const auto &[label, root] : roots) {
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QFileInfo info = it.fileInfo();
            Entry e;
            if (info.isSymLink()) {
                e.kind = u'l';
                e.target = info.symLinkTarget();
            } else if (info.isDir()) {
                e.kind = u'd';
            } else if (info.isFile()) {
                e.kind = u'f';
                e.size = info.size();
                e.modified = info.lastModified().toMSecsSinceEpoch();
            } else {
                e.kind = u'o';
            }
            tree.insert(label + path.mid(root.size()), e);
        }
    }
    return tree;
}

inline QString describe(const QString &path, const Entry &e)
{
    switch (e.kind.unicode()) {
    case 'd':
        return path + QStringLiteral("/ (folder)");
    case 'l':
        return path + QStringLiteral(" -> ") + e.target;
    case 'f':
        return path + QStringLiteral(" (%1 bytes)").arg(e.size);
    default:
        return path + QStringLiteral(" (socket, pipe or device)");
    }
}

// What is new or changed in after, in path order; folders that only hold new
// entries are named through those entries.
inline QStringList differences(const Tree &before, const Tree &after)
{
    QStringList out;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const auto old = before.constFind(it.key());
        if (old == before.cend()) {
            const bool folderWithNews = it->kind == u'd' && std::next(it) != after.cend() &&
                                        std::next(it).key().startsWith(it.key() + u'/');
            if (!folderWithNews)
                out << QStringLiteral("appeared: ") + describe(it.key(), *it);
        } else if (!(*old == *it)) {
            out << QStringLiteral("changed: ") + describe(it.key(), *it);
        }
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (!after.contains(it.key()))
            out << QStringLiteral("vanished: ") + describe(it.key(), *it);
    }
    return out;
}

// Every process whose environment holds marker: what the program started,
// however it detached itself.
inline QList<pid_t> processesWith(const QByteArray &marker)
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

inline QString commandLine(pid_t pid)
{
    QFile f(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return QString::number(pid);
    return QString::number(pid) + u' ' + QString::fromLocal8Bit(f.readAll().replace('\0', ' '));
}

// Runs a helper tool to its end, or gives up on it after a while.
inline bool runTool(const QString &program, const QStringList &args,
                    const QString &display = QString())
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

// A process the test starts and reads one line from, such as Xvfb printing its
// display number or dbus-daemon its address.
class Helper {
public:
    bool start(const QString &program, const QStringList &args)
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
    QString line() const { return m_line; }
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
    ~Helper() { stop(); }

private:
    QProcess m_process;
    QString m_line;
};

// One run of the program: its process, what its driver reports, and the input
// sent to it in the platform's way.
class Session {
public:
    Session(Platform platform, const QString &display, const QString &marker)
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
    ~Session() { stop(); }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    QProcess &process() { return m_process; }

    bool waitReady()
    {
        return QTest::qWaitFor([this] { return !m_window.isEmpty() || !running(); }, kStepMs) &&
               !m_window.isEmpty();
    }

    // Waits until the window's state satisfies test; false when it never did.
    bool waitFor(const std::function<bool(const QJsonObject &)> &test, int ms = kStepMs)
    {
        return QTest::qWaitFor([&] { return test(m_state) || !running(); }, ms) && test(m_state);
    }

    QJsonObject state() const { return m_state; }
    bool running() const { return m_process.state() != QProcess::NotRunning; }

    void click(QPoint at)
    {
        if (m_platform == Platform::Offscreen) {
            command(QStringLiteral("click %1 %2").arg(at.x()).arg(at.y()));
            return;
        }
        focus(m_window);
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_window,
                 QString::number(at.x()), QString::number(at.y()), QStringLiteral("click"),
                 QStringLiteral("1")});
    }
    void type(const QString &text)
    {
        if (m_platform == Platform::Offscreen) {
            command(QStringLiteral("type ") + text);
            return;
        }
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
    }
    void key(const QString &name)
    {
        if (m_platform == Platform::Offscreen) {
            command(QStringLiteral("key ") + name);
            return;
        }
        xdotool({QStringLiteral("key"), name});
    }
    // Enter in the open message box.
    void answer()
    {
        if (m_platform == Platform::Offscreen) {
            command(QStringLiteral("answer"));
            return;
        }
        focus(m_state.value(QStringLiteral("boxWindow")).toString());
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    }

    // The end of the run: the program and everything it started are gone.
    // Returns what had to be killed.
    QStringList stop()
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

    QStringList log() const { return m_log; }

    // Every report of the driver so far, without its prefix, oldest first.
    const QList<QByteArray> &reports() const { return m_reports; }
    // A command line for the driver.
    void send(const QString &line) { command(line); }

private:
    void readReports()
    {
        m_stderr += m_process.readAllStandardError();
        int end;
        while ((end = m_stderr.indexOf('\n')) >= 0) {
            const QByteArray line = m_stderr.left(end);
            m_stderr.remove(0, end + 1);
            static const QByteArray prefix = "lumora-driver: ";
            if (!line.startsWith(prefix)) {
                m_log << QString::fromUtf8(line);
                continue;
            }
            const QByteArray report = line.mid(prefix.size());
            m_log << QString::fromUtf8(line);
            m_reports << report;
            if (report.startsWith("ready "))
                m_window = QString::fromLatin1(report.mid(6));
            else if (report.startsWith("state "))
                m_state = QJsonDocument::fromJson(report.mid(6)).object();
        }
    }

    void command(const QString &line) { m_process.write(line.toUtf8() + '\n'); }

    void focus(const QString &window)
    {
        // No window manager runs on the private screen: the window gets the
        // keyboard directly.
        if (!window.isEmpty())
            xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    }

    void xdotool(const QStringList &args)
    {
        if (!runTool(QStringLiteral("xdotool"), args, m_display))
            m_log << QStringLiteral("xdotool %1 failed").arg(args.join(u' '));
    }

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

} // namespace ProgramSession
