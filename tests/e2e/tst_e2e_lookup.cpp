// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Whole lookups in the real browser engine against the sample marketplace,
// reached as the browser's HTTP proxy.
#include "app/errorbox.h"
#include "app/form1.h"
#include "e2esupport.h"
#include "evaluation/evaluateshop.h"
#include "lookup/linktests.h"
#include "lookup/messages.h"
#include "lookup/modulebrowser.h"
#include "marketplace/marketplace.h"

#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(SampleShop)

namespace {
using namespace Messages;
constexpr int kLookupMs = 60000;

QStringList filesUnder(const QString &dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}
} // namespace

class TstE2eLookup : public QObject {
    Q_OBJECT
public:
private slots:
    void initTestCase();
    void init();
    void sampleShop_data();
    void sampleShop();
    void namesReachTheServerExactly_data();
    void namesReachTheServerExactly();
    void leavesHomeAsItFoundIt();
    void cleanupTestCase();

private:
    template <typename T> T *get(const char *name)
    {
        return m_form->findChild<T *>(QLatin1String(name));
    }
    QString text(const char *name) { return get<QLineEdit>(name)->text(); }
    void lookUp(const QString &name);

    QString m_home;
    Marketplace m_market;
    ModuleBrowser *m_browser = nullptr;
    Form1 *m_form = nullptr;
    QStringList m_boxes;
};

void TstE2eLookup::initTestCase()
{
    m_home = qEnvironmentVariable("HOME");
    QVERIFY(m_market.listen());
    // The browser engine takes its proxy from the environment when it starts.
    qputenv("http_proxy", QByteArray("http://127.0.0.1:") + QByteArray::number(m_market.port()));
    m_browser = new ModuleBrowser(E2e::moduleFolders());
    m_form = new Form1(m_browser);
    m_form->setPageTimeout(5000);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    ErrorBox::SetHandler([this](QWidget *, const QString &text) { m_boxes << text; });
}

void TstE2eLookup::init()
{
    m_boxes.clear();
    m_market.clearQueries();
}

void TstE2eLookup::lookUp(const QString &name)
{
    auto *search = get<QPushButton>("cmdTBCX");
    QVERIFY(search->isEnabled());
    get<QLineEdit>("txtTB")->setText(name);
    QTest::keyClick(get<QLineEdit>("txtTB"), Qt::Key_Return);
    QVERIFY(!search->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(search->isEnabled(), kLookupMs);
    QCOMPARE(get<QLabel>("lblTBZZ")->text(), QStringLiteral("准备就绪"));
    QVERIFY(get<QLineEdit>("txtTB")->isEnabled());
    QCOMPARE(m_form->lookup().lookupStage(), ShopLookup::Stage::SearchResults);
    QVERIFY(!m_form->lookup().navigationArmed());
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
    lookUp(shop.nick);
    QCOMPARE(m_market.queries().value(0), Lookup::CleanShopName(shop.nick));

    const SampleExpectation &e = shop.expect;
    if (shop.kind == SampleShop::Kind::NotFound) {
        QCOMPARE(m_boxes, QStringList{kNotFound});
        QVERIFY(!get<QPushButton>("cmdTBURL")->isEnabled());
        return;
    }
    if (e.error) {
        QCOMPARE(m_boxes, QStringList{kUnread});
        QVERIFY(!get<QPushButton>("cmdTBURL")->isEnabled());
        QCOMPARE(text("Text9"), QString());
        return;
    }
    E2e::compareFacts(m_form, E2e::factsOf(e));
    if (QTest::currentTestFailed())
        return;
    QVERIFY(get<QPushButton>("cmdTBURL")->isEnabled());
    QCOMPARE(m_form->lookup().ratePageUrl(), shop.ratingUrl());

    ShopFacts facts;
    facts.sellerCredit = e.sellerCredit;
    facts.recentGoodRatings = e.recentGoodRatings;
    facts.recentBadRatings = e.recentBadRatings;
    facts.registeredOn = e.registeredOn;
    facts.consumerProtection = e.consumerProtection;
    facts.violations = e.violations;
    facts.refundDisputes = e.refundDisputes;
    facts.complaintDisputes = e.complaintDisputes;
    facts.penalties = e.penalties;
    const Evaluation::Outcome outcome = Evaluation::EvaluateShop(facts);
    if (outcome.kind == Evaluation::Outcome::MissingInput) {
        QCOMPARE(m_boxes, QStringList{outcome.message});
        QCOMPARE(get<QPlainTextEdit>("Text10")->toPlainText(), QStringLiteral("暂无建议."));
        return;
    }
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(outcome.kind == Evaluation::Outcome::Uncertified, e.uncertified);
    if (!e.uncertified)
        QCOMPARE(outcome.score, e.score);
    QCOMPARE(get<QPlainTextEdit>("Text10")->toPlainText(), outcome.advice);
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
    lookUp(typed);
    const QString cleaned = Lookup::CleanShopName(typed);
    QCOMPARE(get<QLineEdit>("txtTB")->text(), cleaned);
    QCOMPARE(m_market.queries(), QStringList{cleaned});
}

void TstE2eLookup::leavesHomeAsItFoundIt()
{
    QCOMPARE(filesUnder(m_home), QStringList());
}

void TstE2eLookup::cleanupTestCase()
{
    ErrorBox::SetHandler({});
    delete m_form;
    delete m_browser;
}

int main(int argc, char *argv[])
{
    return E2e::runInPrivateHome<TstE2eLookup>(argc, argv);
}

#include "tst_e2e_lookup.moc"
