// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Lookups in the real browser engine that meet a hostile page at the search,
// the shop's front page or its rating page. Whatever the page does, the
// lookup ends in order: "准备就绪", the inputs unlocked, at most one message,
// and nothing but a web page ever handed to the desktop.
#include "app/errorbox.h"
#include "app/form1.h"
#include "e2esupport.h"
#include "evaluation/evaluateshop.h"
#include "lookup/modulebrowser.h"
#include "lookup/ratingpage.h"
#include "marketplace/hostile.h"
#include "marketplace/marketplace.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(Hostile::Stage)
Q_DECLARE_METATYPE(Hostile::Ending)

namespace {
const QString kUnread = QStringLiteral("无法读取该店铺的信息，请稍后再试！");
// A page that never finishes is given up on sooner than the program's own
// bound, so the test does not wait half a minute three times; the others
// get the full bound, as a huge page takes seconds.
constexpr int kShortPageTimeoutMs = 3000;
constexpr int kPageTimeoutMs = 30000;
constexpr int kLookupMs = 60000;
const QStringList kSchemes = {QStringLiteral("http"), QStringLiteral("https"),
                              QStringLiteral("file"), QStringLiteral("javascript"),
                              QStringLiteral("lumora-test")};
} // namespace

// Catches every address handed to the desktop, whatever its scheme.
class Shell : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

class TstE2eHostile : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void hostilePage_data();
    void hostilePage();
    void cleanupTestCase();

private:
    template <typename T> T *get(const char *name)
    {
        return m_form->findChild<T *>(QLatin1String(name));
    }
    QString text(const char *name) { return get<QLineEdit>(name)->text(); }
    void expectFactsOf(const DocumentSnapshot &page);

    Marketplace m_market;
    ModuleBrowser *m_browser = nullptr;
    Form1 *m_form = nullptr;
    Shell m_shell;
    QStringList m_boxes;
    DocumentSnapshot m_last; // the last page the browser reported
};

void TstE2eHostile::initTestCase()
{
    QVERIFY(m_market.listen());
    const QByteArray proxy = "http://127.0.0.1:" + QByteArray::number(m_market.port());
    qputenv("http_proxy", proxy);
    qputenv("https_proxy", proxy); // https pages come through the marketplace's tunnel
    m_browser = new ModuleBrowser(E2e::moduleFolders());
    connect(m_browser, &Browser::DocumentComplete, this,
            [this](const DocumentSnapshot &page) { m_last = page; });
    m_form = new Form1(m_browser);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    ErrorBox::SetHandler([this](QWidget *, const QString &text) { m_boxes << text; });
    for (const QString &scheme : kSchemes)
        QDesktopServices::setUrlHandler(scheme, &m_shell, "open");
}

void TstE2eHostile::hostilePage_data()
{
    QTest::addColumn<Hostile::Stage>("stage");
    QTest::addColumn<QString>("caseId");
    QTest::addColumn<Hostile::Ending>("ending");
    for (const Hostile::Case &c : Hostile::cases()) {
        for (const auto &[stage, ending] : c.stages) {
            const QString row = Hostile::nick(stage, c.id) + QStringLiteral(": ") + c.what;
            QTest::newRow(qUtf8Printable(row)) << stage << c.id << ending;
        }
    }
}

// The fields hold what the rules make of the page the browser last reported.
void TstE2eHostile::expectFactsOf(const DocumentSnapshot &page)
{
    E2e::compareFacts(m_form, RatingPage::ReadShopFacts(page.bodyText, page.anchorTexts));
}

void TstE2eHostile::hostilePage()
{
    QFETCH(Hostile::Stage, stage);
    QFETCH(QString, caseId);
    QFETCH(Hostile::Ending, ending);
    m_boxes.clear();
    m_shell.opened.clear();
    m_last = DocumentSnapshot();
    const SampleShop shop = Hostile::shop(stage, caseId);
    m_form->setPageTimeout(caseId == u"neverends" ? kShortPageTimeoutMs : kPageTimeoutMs);

    auto *search = get<QPushButton>("cmdTBCX");
    QVERIFY(search->isEnabled());
    get<QLineEdit>("txtTB")->setText(shop.nick);
    QTest::keyClick(get<QLineEdit>("txtTB"), Qt::Key_Return);
    QVERIFY(!search->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(search->isEnabled(), kLookupMs);

    // Ended in order, whatever the page did.
    QCOMPARE(get<QLabel>("lblTBZZ")->text(), QStringLiteral("准备就绪"));
    QVERIFY(get<QLineEdit>("txtTB")->isEnabled());
    QCOMPARE(m_form->lookup().lookupStage(), ShopLookup::Stage::SearchResults);
    QVERIFY(!m_form->lookup().navigationArmed());
    QVERIFY2(m_boxes.size() <= 1, qPrintable(m_boxes.join(u'|')));
    const bool read = get<QPushButton>("cmdTBURL")->isEnabled();

    switch (ending) {
    case Hostile::Ending::Facts:
        QVERIFY(read);
        QCOMPARE(m_form->lookup().ratePageUrl(), shop.ratingUrl());
        E2e::compareFacts(m_form, E2e::factsOf(shop.expect));
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(m_boxes, QStringList());
        break;
    case Hostile::Ending::Unread:
        QVERIFY(!read);
        QCOMPARE(m_boxes, QStringList{kUnread});
        QCOMPARE(text("Text9"), QString());
        break;
    case Hostile::Ending::Extracted:
        QVERIFY(read);
        expectFactsOf(m_last);
        break;
    case Hostile::Ending::InOrder:
        if (read)
            expectFactsOf(m_last);
        else
            QCOMPARE(m_boxes, QStringList{kUnread});
        break;
    }

    // Whatever the rating link was, only a web page reaches the desktop.
    if (read) {
        QTest::mouseClick(get<QPushButton>("cmdTBURL"), Qt::LeftButton);
        QVERIFY(!get<QPushButton>("cmdTBURL")->isEnabled());
    }
    for (const QUrl &url : std::as_const(m_shell.opened))
        QVERIFY2(url.scheme() == u"http" || url.scheme() == u"https", qPrintable(url.toString()));
    if (read)
        QCOMPARE(m_shell.opened.size(), 1);
    else
        QVERIFY(m_shell.opened.isEmpty());
}

void TstE2eHostile::cleanupTestCase()
{
    for (const QString &scheme : kSchemes)
        QDesktopServices::unsetUrlHandler(scheme);
    ErrorBox::SetHandler({});
    delete m_form;
    delete m_browser;
}

int main(int argc, char *argv[])
{
    return E2e::runInPrivateHome<TstE2eHostile>(argc, argv);
}

#include "tst_e2e_hostile.moc"
