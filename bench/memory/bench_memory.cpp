// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Memory: the peak resident memory of the whole process tree (the program
// and the engine's helper processes) after 20 lookups, against a program
// that shows Lumora's window and a browser view which loads and reads the
// same pages as often (and, for the record, against a bare browser view in
// an empty window that loads them without reading them). The launcher
// serves the sample marketplace itself, so the server's memory counts for
// neither; it starts each program in turn, samples the tree's resident
// memory as it runs and reads every process's own peak once it is done.
//
//   bench_memory [--rounds N] [--lookups N]
#include "../benchcommon.h"
#include "marketplace/marketplace.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QThread>
#include <QTimer>

namespace {

const QString kNick = QStringLiteral("老字号茶庄");

struct Run {
    bool ok = false;
    int completed = 0;
    int processes = 0;
    double hwmMb = 0;     // sum of each process's own peak, read when done
    double sampledMb = 0; // highest sum of the tree's resident memory seen
    double pssMb = 0;     // proportional set size of the tree when done
    double mainHwmMb = 0; // the program's own process: its peak
};

Run measure(const QString &program, const QStringList &args, const QProcessEnvironment &env)
{
    QProcess child;
    child.setProcessEnvironment(env);
    child.setStandardErrorFile(QProcess::nullDevice());
    Run run;
    QEventLoop loop;
    QTimer sampler;
    QByteArray out;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (child.processId() > 0)
            run.sampledMb =
                qMax(run.sampledMb, Bench::treeMemory(pid_t(child.processId())).rssKb / 1024.0);
    });
    QObject::connect(&child, &QProcess::readyReadStandardOutput, [&] {
        out += child.readAllStandardOutput();
        for (const QByteArray &line : out.split('\n')) {
            if (line.startsWith("ERROR "))
                Bench::say(QStringLiteral("  %1: %2")
                               .arg(program.section(u'/', -1), QString::fromUtf8(line.mid(6))));
            if (!line.startsWith("DONE ") || run.ok)
                continue;
            const Bench::TreeMemory m = Bench::treeMemory(pid_t(child.processId()));
            run.ok = true;
            run.completed = line.mid(5).toInt();
            run.processes = m.processes;
            run.hwmMb = m.hwmKb / 1024.0;
            run.pssMb = m.pssKb / 1024.0;
            run.mainHwmMb = m.rootHwmKb / 1024.0;
            run.sampledMb = qMax(run.sampledMb, m.rssKb / 1024.0);
            child.closeWriteChannel(); // the program ends when its input does
        }
        out = out.mid(out.lastIndexOf('\n') + 1);
    });
    QObject::connect(&child, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(300000, &loop, &QEventLoop::quit);
    child.start(program, args);
    sampler.start(25);
    loop.exec();
    sampler.stop();
    if (child.state() != QProcess::NotRunning) {
        child.kill();
        child.waitForFinished();
    }
    // Lets the engine's helper processes go before the next program starts.
    QThread::msleep(500);
    return run;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const char *name, int fallback) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at > 0 && at + 1 < args.size() ? qMax(1, args[at + 1].toInt()) : fallback;
    };
    const int rounds = option("--rounds", 3);
    const int lookups = option("--lookups", 20);
    Bench::prepareEnvironment();

    Marketplace market;
    if (!market.listen()) {
        Bench::say(QStringLiteral("the sample marketplace could not listen"));
        return 1;
    }
    const SampleShop shop = Marketplace::sampleShop(kNick);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("http_proxy"),
               QStringLiteral("http://127.0.0.1:%1").arg(market.port()));
    env.insert(QStringLiteral("LUMORA_BENCH_NICK"), kNick);
    env.insert(QStringLiteral("LUMORA_BENCH_LOOKUPS"), QString::number(lookups));
    env.insert(QStringLiteral("LUMORA_BENCH_PAGES"), shop.shopUrl() + u' ' + shop.ratingUrl());
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    const QString dir = QCoreApplication::applicationDirPath();
    struct Side {
        QString label;
        QString program;
        QStringList args;
        QList<Run> runs;
    };
    QList<Side> sides = {
        {QStringLiteral("lumora"), dir + QStringLiteral("/mem_lumora"), {}, {}},
        {QStringLiteral("window + view (floor)"), dir + QStringLiteral("/mem_floor"), {}, {}},
        {QStringLiteral("bare view, unread"),
         dir + QStringLiteral("/mem_floor"),
         {QStringLiteral("--bare")},
         {}}};
    for (int round = 0; round < rounds; ++round) {
        // The order turns every round.
        for (int k = 0; k < sides.size(); ++k) {
            Side &side = sides[(round + k) % sides.size()];
            const Run r = measure(side.program, side.args, env);
            if (r.ok && r.completed == lookups)
                side.runs << r;
            else
                Bench::say(QStringLiteral("  a run of %1 did not finish its %2 lookups")
                               .arg(side.label)
                               .arg(lookups));
        }
    }
    const auto med = [](const QList<Run> &runs, double Run::*field) {
        QList<double> values;
        for (const Run &r : runs)
            values << r.*field;
        return Bench::median(values);
    };
    Bench::say(
        QStringLiteral("\n== memory of the process tree after %1 lookups of %2: %3 rounds ==")
            .arg(lookups)
            .arg(kNick)
            .arg(rounds));
    Bench::say(QStringLiteral("%1 %2 %3 %4 %5 %6")
                   .arg(QStringLiteral("program (median of each)"), -26)
                   .arg(QStringLiteral("processes"), 10)
                   .arg(QStringLiteral("sum VmHWM MB"), 13)
                   .arg(QStringLiteral("max RSS MB"), 11)
                   .arg(QStringLiteral("PSS MB"), 8)
                   .arg(QStringLiteral("main VmHWM MB"), 14));
    for (const Side &side : sides) {
        QList<double> processes;
        for (const Run &r : side.runs)
            processes << r.processes;
        Bench::say(QStringLiteral("%1 %2 %3 %4 %5 %6")
                       .arg(side.label, -26)
                       .arg(Bench::fmt(Bench::median(processes), 0), 10)
                       .arg(Bench::fmt(med(side.runs, &Run::hwmMb)), 13)
                       .arg(Bench::fmt(med(side.runs, &Run::sampledMb)), 11)
                       .arg(Bench::fmt(med(side.runs, &Run::pssMb)), 8)
                       .arg(Bench::fmt(med(side.runs, &Run::mainHwmMb)), 14));
    }
    Bench::say(QStringLiteral("sum VmHWM: every process's own peak, added up; max RSS: the highest "
                              "total resident memory sampled every 25 ms; PSS: shared pages "
                              "divided among the processes, when done; main VmHWM: the "
                              "program's own process alone"));
    const QList<Run> &ours = sides[0].runs, &floor = sides[1].runs, &bare = sides[2].runs;
    Bench::say(QStringLiteral("lumora / floor: sum VmHWM %1, max RSS %2, PSS %3")
                   .arg(Bench::fmt(med(ours, &Run::hwmMb) / med(floor, &Run::hwmMb), 3),
                        Bench::fmt(med(ours, &Run::sampledMb) / med(floor, &Run::sampledMb), 3),
                        Bench::fmt(med(ours, &Run::pssMb) / med(floor, &Run::pssMb), 3)));
    Bench::printResult(QStringLiteral("memory"), med(ours, &Run::hwmMb), med(floor, &Run::hwmMb),
                       QStringLiteral("<=1.1"), QStringLiteral("MB"));
    Bench::printResult(QStringLiteral("memory-bare"), med(ours, &Run::hwmMb),
                       med(bare, &Run::hwmMb), QStringLiteral("record"), QStringLiteral("MB"));
    return 0;
}
