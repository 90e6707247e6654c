// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Lookups in the real browser engine that meet a hostile page at the search,
// the shop's front page or its rating page. Whatever the page does, the
// lookup ends in order: "准备就绪", the inputs unlocked, at most one message,
// and nothing but a web page ever handed to the desktop.
#include "e2esupport.h"
#include "lookup/ratingpage.h"
#include "marketplace/hostile.h"

#include <QDesktopServices>

namespace {
using Messages::kUnread;
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
    E2e::LiveWindow m_w;
    Shell m_shell;
    DocumentSnapshot m_last; // the last page the browser reported
};

void TstE2eHostile::initTestCase()
{
    m_w.open(true);
    connect(m_w.browser.get(), &Browser::DocumentComplete, this,
            [this](const DocumentSnapshot &page) { m_last = page; });
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

void TstE2eHostile::hostilePage()
{
    QFETCH(Hostile::Stage, stage);
    QFETCH(QString, caseId);
    QFETCH(Hostile::Ending, ending);
    m_w.boxes.clear();
    m_shell.opened.clear();
    m_last = DocumentSnapshot();
    const SampleShop shop = Hostile::shop(stage, caseId);
    m_w.form->setPageTimeout(caseId == u"neverends" ? kShortPageTimeoutMs : kPageTimeoutMs);

    m_w.lookUp(shop.nick, kLookupMs);
    if (QTest::currentTestFailed())
        return;
    // Ended in order, whatever the page did.
    QVERIFY2(m_w.boxes.size() <= 1, qPrintable(m_w.boxes.join(u'|')));
    const bool read = m_w.get<QPushButton>("cmdTBURL")->isEnabled();
    // The fields hold what the rules make of the page the browser last reported.
    const ShopFacts lastPage = RatingPage::ReadShopFacts(m_last.bodyText, m_last.anchorTexts);

    switch (ending) {
    case Hostile::Ending::Facts:
        QVERIFY(read);
        QCOMPARE(m_w.form->lookup().ratePageUrl(), shop.ratingUrl());
        E2e::compareFacts(m_w.form.get(), E2e::factsOf(shop.expect));
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(m_w.boxes, QStringList());
        break;
    case Hostile::Ending::Unread:
        QVERIFY(!read);
        QCOMPARE(m_w.boxes, QStringList{kUnread});
        QCOMPARE(m_w.text("Text9"), QString());
        break;
    case Hostile::Ending::Extracted:
        QVERIFY(read);
        E2e::compareFacts(m_w.form.get(), lastPage);
        break;
    case Hostile::Ending::InOrder:
        if (read)
            E2e::compareFacts(m_w.form.get(), lastPage);
        else
            QCOMPARE(m_w.boxes, QStringList{kUnread});
        break;
    }

    // Whatever the rating link was, only a web page reaches the desktop.
    if (read) {
        QTest::mouseClick(m_w.get<QPushButton>("cmdTBURL"), Qt::LeftButton);
        QVERIFY(!m_w.get<QPushButton>("cmdTBURL")->isEnabled());
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
}

int main(int argc, char *argv[])
{
    return E2e::runInPrivateHome<TstE2eHostile>(argc, argv);
}

#include "tst_e2e_hostile.moc"
