// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

// What the two programs bench_memory measures have in common: they are told
// the shop to look up and how often through the environment, report DONE
// once every lookup is over, and end when their standard input closes, so
// that the launcher can read their memory while everything is still alive.

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QString>

#include <cstdio>
#include <unistd.h>

namespace MemChild {

inline int lookups()
{
    return qMax(1, qEnvironmentVariableIntValue("LUMORA_BENCH_LOOKUPS"));
}

inline QString nick()
{
    return qEnvironmentVariable("LUMORA_BENCH_NICK");
}

inline void report(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Reports that the work is done and quits the program once standard input
// closes.
inline void doneThenWait(int completed)
{
    report(QStringLiteral("DONE %1").arg(completed));
    auto *stdinWatch =
        new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(stdinWatch, &QSocketNotifier::activated, [stdinWatch] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            stdinWatch->setEnabled(false);
            QCoreApplication::quit();
        }
    });
}

} // namespace MemChild
