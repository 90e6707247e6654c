// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Two hundred lookups in a row in one process: every one right, and the
// memory of the program and its browser processes flat once the browser
// engine has warmed up.
#include "app/errorbox.h"
#include "app/form1.h"
#include "e2esupport.h"
#include "lookup/modulebrowser.h"
#include "marketplace/marketplace.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

// Resident memory in KiB of this process and every process below it.
qint64 treeResidentKiB()
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
    qint64 total = 0;
    for (auto it = rss.cbegin(); it != rss.cend(); ++it) {
        for (int p = it.key(); p > 1; p = parentOf.value(p, 0)) {
            if (p == self) {
                total += it.value();
                break;
            }
        }
    }
    return total;
}

} // namespace

class TstE2eLoad : public QObject {
    Q_OBJECT
private slots:
    void twoHundredLookups();
};

void TstE2eLoad::twoHundredLookups()
{
    Marketplace market;
    QVERIFY(market.listen());
    qputenv("http_proxy", QByteArray("http://127.0.0.1:") + QByteArray::number(market.port()));
    QStringList boxes;
    ErrorBox::SetHandler([&](QWidget *, const QString &text) { boxes << text; });
    ModuleBrowser browser(E2e::moduleFolders());
    Form1 form(&browser);
    form.show();

    QList<SampleShop> shops;
    for (const SampleShop &shop : Marketplace::sampleShops()) {
        if (shop.kind == SampleShop::Kind::Normal && !shop.expect.sellerCredit.isEmpty())
            shops << shop;
    }
    QVERIFY(!shops.isEmpty());

    auto *name = form.findChild<QLineEdit *>(QStringLiteral("txtTB"));
    auto *search = form.findChild<QPushButton *>(QStringLiteral("cmdTBCX"));
    auto *credit = form.findChild<QLineEdit *>(QStringLiteral("Text9"));
    auto *good = form.findChild<QLineEdit *>(QStringLiteral("Text7"));
    qint64 atTen = 0;
    qint64 atFifty = 0;
    for (int i = 1; i <= 200; ++i) {
        const SampleShop &shop = shops[i % shops.size()];
        name->setText(shop.nick);
        search->click();
        QTRY_VERIFY_WITH_TIMEOUT(search->isEnabled(), 30000);
        QCOMPARE(credit->text(), shop.expect.sellerCredit);
        QCOMPARE(good->text(), shop.expect.recentGoodRatings);
        if (i == 10)
            atTen = treeResidentKiB();
        if (i == 50)
            atFifty = treeResidentKiB();
    }
    const qint64 atTwoHundred = treeResidentKiB();
    qInfo("resident memory of the process tree: %lld KiB at lookup 10, %lld KiB at lookup 50, "
          "%lld KiB at lookup 200",
          atTen, atFifty, atTwoHundred);
    QVERIFY(boxes.isEmpty());
    // The renderer's heaps grow over the first few dozen pages; after that a
    // leak of 100 KiB a lookup would break this bound.
    QVERIFY2(atTwoHundred - atFifty < 15 * 1024,
             qPrintable(QStringLiteral("%1 -> %2 KiB").arg(atFifty).arg(atTwoHundred)));
    ErrorBox::SetHandler({});
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TstE2eLoad test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_load.moc"
