// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

// Small helpers the benchmark programs share: a monotonic clock, medians,
// the memory of a process tree, and the one-line results bench/run collects.

#include <QList>
#include <QString>

#include <sys/types.h>

namespace Bench {

// CLOCK_MONOTONIC in nanoseconds; comparable between processes.
qint64 nowNs();
double msSince(qint64 startNs);

double median(QList<double> values);
QString fmt(double value, int decimals = 1);

// The memory of a process and all its descendants, from /proc, in KiB.
struct TreeMemory {
    int processes = 0;
    qint64 hwmKb = 0;     // sum of every process's VmHWM (each one's own peak)
    qint64 rssKb = 0;     // sum of every process's VmRSS now
    qint64 pssKb = 0;     // sum of every process's Pss now (shared pages divided)
    qint64 rootHwmKb = 0; // VmHWM of the root process alone
};
TreeMemory treeMemory(pid_t root);

// Prepares a process that runs the browser engine for a benchmark: a private
// HOME and runtime folder, unless bench/run has set them already.
void prepareEnvironment();

// One measured pair, printed as
//   RESULT <name> ours=<x> floor=<y> ratio=<x/y> goal=<text>
// which bench/run gathers into its table.
void printResult(const QString &name, double ours, double floor, const QString &goal,
                 const QString &unit);

// Prints a line to stdout at once.
void say(const QString &line);

} // namespace Bench
