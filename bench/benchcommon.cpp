// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "benchcommon.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace Bench {

qint64 nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

double msSince(qint64 startNs)
{
    return double(nowNs() - startNs) / 1e6;
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QString fmt(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

namespace {

// The value of "Key:" in a /proc status-like file, in KiB; 0 when absent.
qint64 field(const QByteArray &text, const QByteArray &key)
{
    const qsizetype at = text.indexOf("\n" + key + ':');
    if (at < 0)
        return 0;
    const qsizetype start = at + key.size() + 2;
    const qsizetype end = text.indexOf('\n', start);
    QByteArray v = text.mid(start, end - start).trimmed();
    v.chop(v.endsWith(" kB") ? 3 : 0);
    return v.trimmed().toLongLong();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return "\n" + f.readAll();
}

} // namespace

TreeMemory treeMemory(pid_t root)
{
    // Parent of every process on the machine, from /proc/<pid>/stat: the
    // fourth field, after the command name in parentheses.
    QHash<pid_t, QList<pid_t>> children;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &name : pids) {
        bool ok = false;
        const pid_t pid = name.toInt(&ok);
        if (!ok)
            continue;
        QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray stat = f.readAll();
        const qsizetype close = stat.lastIndexOf(')');
        if (close < 0)
            continue;
        const QList<QByteArray> rest = stat.mid(close + 2).split(' ');
        if (rest.size() > 1)
            children[pid_t(rest[1].toInt())].append(pid);
    }
    TreeMemory m;
    QList<pid_t> todo{root};
    while (!todo.isEmpty()) {
        const pid_t pid = todo.takeLast();
        const QByteArray status = readAll(QStringLiteral("/proc/%1/status").arg(pid));
        if (status.isEmpty())
            continue;
        ++m.processes;
        m.hwmKb += field(status, "VmHWM");
        if (pid == root)
            m.rootHwmKb = field(status, "VmHWM");
        m.rssKb += field(status, "VmRSS");
        m.pssKb += field(readAll(QStringLiteral("/proc/%1/smaps_rollup").arg(pid)), "Pss");
        todo += children.value(pid);
    }
    return m;
}

void prepareEnvironment()
{
    // Left for the process's lifetime on purpose: the engine writes under
    // them until the very end.
    static QTemporaryDir home(QDir::tempPath() + QStringLiteral("/lumora-bench-XXXXXX"));
    if (qEnvironmentVariableIsEmpty("LUMORA_BENCH_ENV")) {
        qputenv("HOME", home.path().toLocal8Bit());
        QDir(home.path()).mkpath(QStringLiteral("run"));
        QFile::setPermissions(home.path() + QStringLiteral("/run"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", (home.path() + QStringLiteral("/run")).toLocal8Bit());
        for (const char *v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            qunsetenv(v);
    }
}

void printResult(const QString &name, double ours, double floor, const QString &goal,
                 const QString &unit)
{
    say(QStringLiteral("RESULT %1 ours=%2%5 floor=%3%5 ratio=%4 goal=%6")
            .arg(name, fmt(ours, 2), fmt(floor, 2), fmt(floor > 0 ? ours / floor : 0, 3), unit,
                 goal));
}

void say(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace Bench
