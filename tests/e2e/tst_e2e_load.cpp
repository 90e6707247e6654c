// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Two hundred lookups in a row in one process: every one right, and no trend
// in the memory of the program once the browser engine has warmed up.
//
// The program's process holds everything of Lumora's: the window, the
// bridge, every page read, and the engine's own browser side; it is held to
// a tight trend. The engine's page processes hold the pages, each document
// with its own scripts' worlds; their heaps rise and fall in steps of the
// script engine's own choosing (once by 27 MB at the 180th lookup and back),
// so the whole tree is held to a looser one, which only a lookup's pages
// kept for good reach.
#include "e2esupport.h"

#include <QDir>
#include <QPointF>
#include <algorithm>

namespace {

constexpr int kLookups = 200;
// The heaps grow over the first few dozen pages.
constexpr int kWarmUp = 50;
// Memory rises and falls as it is collected, every twenty lookups or so in
// the page processes: the memory that stays is the lowest of a window
// longer than that.
constexpr int kWindow = 25;
// The engine's browser side alone grows by about 7 to 10 KiB a lookup (a
// bare browser view loading and reading the same pages, in its own
// program, grows as much): the bound allows twice that. Keeping every page
// read in a list makes it 32.
constexpr double kBoundKiB = 16.0;
// The whole tree: 6 to 10 KiB a lookup on Qt 6.4 and 6.8. The pages of every
// lookup left to the script engine's own collection, on Qt 6.8, made it
// 3,600.
constexpr double kTreeBoundKiB = 256.0;

struct Resident {
    qint64 program = 0; // KiB of this process
    qint64 tree = 0;    // KiB of this process and every process below it
};

Resident residentKiB()
{
    QHash<int, int> parentOf;
    QHash<int, qint64> rss;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &pid : pids) {
        bool ok = false;
        const int p = pid.toInt(&ok);
        if (!ok)
            continue;
        QFile status(QStringLiteral("/proc/%1/status").arg(p));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("PPid:"))
                parentOf[p] = line.mid(5).trimmed().toInt();
            else if (line.startsWith("VmRSS:"))
                rss[p] = line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    const int self = int(QCoreApplication::applicationPid());
    Resident r;
    r.program = rss.value(self);
    for (auto it = rss.cbegin(); it != rss.cend(); ++it) {
        for (int p = it.key(); p > 1; p = parentOf.value(p, 0)) {
            if (p == self) {
                r.tree += it.value();
                break;
            }
        }
    }
    return r;
}

// The lowest sample of each window, in the order of the lookups.
void keepLowest(QList<QPointF> *lowest, int lookup, qint64 kib)
{
    if ((lookup - kWarmUp - 1) % kWindow == 0)
        *lowest << QPointF(lookup, kib);
    else if (kib < lowest->last().y())
        lowest->last() = QPointF(lookup, kib);
}

QString shown(const QList<QPointF> &samples)
{
    QStringList out;
    for (const QPointF &s : samples)
        out << QStringLiteral("%1:%2").arg(s.x()).arg(s.y());
    return out.join(u' ');
}

// The trend of the samples, in KiB a lookup: the median of the slopes
// between every two samples (Theil and Sen), which one sample out of line
// does not move.
double trend(const QList<QPointF> &samples)
{
    QList<double> slopes;
    for (qsizetype i = 0; i < samples.size(); ++i) {
        for (qsizetype j = i + 1; j < samples.size(); ++j)
            slopes << (samples[j].y() - samples[i].y()) / (samples[j].x() - samples[i].x());
    }
    std::sort(slopes.begin(), slopes.end());
    const qsizetype n = slopes.size();
    return n % 2 ? slopes[n / 2] : (slopes[n / 2 - 1] + slopes[n / 2]) / 2;
}

} // namespace

class TstE2eLoad : public QObject {
    Q_OBJECT
private slots:
    void twoHundredLookups();
};

void TstE2eLoad::twoHundredLookups()
{
    E2e::LiveWindow w;
    w.open();
    if (QTest::currentTestFailed())
        return;

    QList<SampleShop> shops;
    for (const SampleShop &shop : Marketplace::sampleShops()) {
        if (shop.kind == SampleShop::Kind::Normal && !shop.expect.sellerCredit.isEmpty())
            shops << shop;
    }
    QVERIFY(!shops.isEmpty());

    auto *credit = w.get<QLineEdit>("Text9");
    auto *good = w.get<QLineEdit>("Text7");
    QList<QPointF> program;
    QList<QPointF> tree;
    for (int i = 1; i <= kLookups; ++i) {
        const SampleShop &shop = shops[i % shops.size()];
        w.lookUp(shop.nick, 30000);
        QCOMPARE(credit->text(), shop.expect.sellerCredit);
        QCOMPARE(good->text(), shop.expect.recentGoodRatings);
        if (i > kWarmUp) {
            const Resident r = residentKiB();
            keepLowest(&program, i, r.program);
            keepLowest(&tree, i, r.tree);
        }
    }
    QVERIFY(w.boxes.isEmpty());
    qInfo("lowest resident memory in each window of %d lookups, KiB after lookup N (N:KiB)",
          kWindow);
    const double treeSlope = trend(tree);
    qInfo("the process tree: %s; trend %.1f KiB a lookup (bound %.1f)", qPrintable(shown(tree)),
          treeSlope, kTreeBoundKiB);
    const double slope = trend(program);
    qInfo("the program: %s; trend %.1f KiB a lookup (bound %.1f)", qPrintable(shown(program)),
          slope, kBoundKiB);
    QVERIFY2(slope < kBoundKiB,
             qPrintable(QStringLiteral("the program: %1 KiB a lookup").arg(slope, 0, 'f', 1)));
    QVERIFY2(treeSlope < kTreeBoundKiB,
             qPrintable(QStringLiteral("the tree: %1 KiB a lookup").arg(treeSlope, 0, 'f', 1)));
}

QTEST_MAIN(TstE2eLoad)

#include "tst_e2e_load.moc"
