// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Whole lookups in the real browser engine against the sample marketplace,
// reached as the browser's HTTP proxy.
#include "e2esupport.h"
#include "evaluation/evaluateshop.h"
#include "folders.h"
#include "lookup/linktests.h"

#include <QPlainTextEdit>

Q_DECLARE_METATYPE(SampleShop)

using namespace Messages;

class TstE2eLookup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void sampleShop_data();
    void sampleShop();
    void namesReachTheServerExactly_data();
    void namesReachTheServerExactly();
    void leavesHomeAsItFoundIt();

private:
    QString m_home;
    E2e::LiveWindow m_w;
};

void TstE2eLookup::initTestCase()
{
    m_home = qEnvironmentVariable("HOME");
    m_w.open();
    m_w.form->setPageTimeout(5000);
}

void TstE2eLookup::init()
{
    m_w.boxes.clear();
    m_w.market.clearQueries();
}

void TstE2eLookup::sampleShop_data()
{
    QTest::addColumn<SampleShop>("shop");
    for (const SampleShop &shop : Marketplace::sampleShops())
        QTest::newRow(qUtf8Printable(shop.nick + QStringLiteral(" (") + shop.kindName + u')'))
            << shop;
}

void TstE2eLookup::sampleShop()
{
    QFETCH(SampleShop, shop);
    m_w.lookUp(shop.nick);
    QCOMPARE(m_w.market.queries().value(0), Lookup::CleanShopName(shop.nick));

    const SampleExpectation &e = shop.expect;
    if (shop.kind == SampleShop::Kind::NotFound) {
        QCOMPARE(m_w.boxes, QStringList{kNotFound});
        QVERIFY(!m_w.get<QPushButton>("cmdTBURL")->isEnabled());
        return;
    }
    if (e.error) {
        QCOMPARE(m_w.boxes, QStringList{kUnread});
        QVERIFY(!m_w.get<QPushButton>("cmdTBURL")->isEnabled());
        QCOMPARE(m_w.text("Text9"), QString());
        return;
    }
    E2e::compareFacts(m_w.form.get(), E2e::factsOf(e));
    if (QTest::currentTestFailed())
        return;
    QVERIFY(m_w.get<QPushButton>("cmdTBURL")->isEnabled());
    QCOMPARE(m_w.form->lookup().ratePageUrl(), shop.ratingUrl());

    const Evaluation::Outcome outcome = Evaluation::EvaluateShop(E2e::factsOf(e));
    if (outcome.kind == Evaluation::Outcome::MissingInput) {
        QCOMPARE(m_w.boxes, QStringList{outcome.message});
        QCOMPARE(m_w.get<QPlainTextEdit>("Text10")->toPlainText(), kNoAdvice);
        return;
    }
    QVERIFY(m_w.boxes.isEmpty());
    QCOMPARE(outcome.kind == Evaluation::Outcome::Uncertified, e.uncertified);
    if (!e.uncertified)
        QCOMPARE(outcome.score, e.score);
    QCOMPARE(m_w.get<QPlainTextEdit>("Text10")->toPlainText(), outcome.advice);
}

void TstE2eLookup::namesReachTheServerExactly_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("ampersand, hash, percent, plus") << QStringLiteral("a&b#c%d+e");
    QTest::newRow("percent escape look-alike") << QStringLiteral("%41%zz");
    QTest::newRow("query characters") << QStringLiteral("x?y/z=w;");
    QTest::newRow("chinese with dots and blanks") << QStringLiteral("掌 柜.名");
    QTest::newRow("outside the BMP") << QStringLiteral("店😀𠮷");
    QTest::newRow("tab and ideographic space") << QStringLiteral("a\tb\u3000c");
    QTest::newRow("right to left") << QStringLiteral("متجر");
    QTest::newRow("only blanks and dots") << QStringLiteral(" . ");
    QTest::newRow("control characters") << QStringLiteral("a\u0001b\u007fc\u001bd");
    QTest::newRow("10,000 characters")
        << QString(5000, QChar(u'店')) + QString(5000, QLatin1Char('x'));
    QTest::newRow("line break and NUL") << QStringLiteral("a\nb") + QChar(0) + QStringLiteral("c");
}

void TstE2eLookup::namesReachTheServerExactly()
{
    QFETCH(QString, typed);
    m_w.lookUp(typed);
    const QString cleaned = Lookup::CleanShopName(typed);
    QCOMPARE(m_w.get<QLineEdit>("txtTB")->text(), cleaned);
    QCOMPARE(m_w.market.queries(), QStringList{cleaned});
}

void TstE2eLookup::leavesHomeAsItFoundIt()
{
    QCOMPARE(ProgramTest::snapshot({{QStringLiteral("HOME"), m_home}}).keys(), QStringList());
}

int main(int argc, char *argv[])
{
    return E2e::runInPrivateHome<TstE2eLookup>(argc, argv);
}

#include "tst_e2e_lookup.moc"
