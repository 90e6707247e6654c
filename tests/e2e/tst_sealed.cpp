// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// The lookup's page is a page that nobody sees and nobody answers. The real
// program looks up the sealed pages of the sample marketplace (sealed.h), one
// a row, each a marketplace page that asks its host for something: a dialog,
// a window, a print, a picker, a permission, a log-in, a download, another
// program, or the whole machine. For each:
//   - the lookup ends as the page's case says: the made-up shop's facts, the
//     unread error, or (InOrder) one of the two;
//   - no window appears but Lumora's own and its own error boxes;
//   - nothing is handed to the desktop (xdg-open and its kin, BROWSER, the
//     driver's URL handlers when offscreen) and the clipboard stays as it was;
//   - the window answers while the page loads;
//   - then an ordinary sample shop is looked up right: its facts, the inputs
//     unlocked, "准备就绪".
// At the end the program is closed with 退出 and its folders hold exactly
// what they held before it started. One program serves every row; a row that
// fails (or kills it) has it started anew for the next, and the log says so.
//
// Rows whose case ends unread, or may, get a page limit of 3 s so that the
// test does not wait half a minute for them; the others, and the ordinary
// lookups, the program's own.
//
// LUMORA_SEALED_PROGRAM runs the rows against another build of the program
// (an older one, say, to see which pages it lets out); its engine module is
// the one next to it.
#include "marketplace/sealed.h"
#include "sealedprogram.h"

using namespace SealedProgram;

namespace {

QString stageName(Sealed::Stage stage)
{
    switch (stage) {
    case Sealed::Stage::Search:
        return QStringLiteral("search results");
    case Sealed::Stage::ShopFront:
        return QStringLiteral("front page");
    case Sealed::Stage::RatingPage:
        break;
    }
    return QStringLiteral("rating page");
}

} // namespace

class TstSealed : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void sealedPage_data();
    void sealedPage();
    void cleanup();
    void cleanupTestCase();

private:
    Marketplace m_market;
    std::unique_ptr<Program> m_program;
    SampleShop m_ordinary;
};

void TstSealed::initTestCase()
{
    QVERIFY(m_market.listen());
    m_ordinary = ordinaryShop();
    QVERIFY(!m_ordinary.expect.sellerCredit.isEmpty());
    m_program = std::make_unique<Program>(
        qEnvironmentVariable("LUMORA_SEALED_PROGRAM", QStringLiteral(LUMORA_BINARY)),
        QStringLiteral(LUMORA_DRIVER), &m_market);
    QVERIFY2(m_program->prepare(), qPrintable(m_program->trouble()));
    QVERIFY2(m_program->ensureRunning(), qPrintable(m_program->trouble()));
}

void TstSealed::sealedPage_data()
{
    QTest::addColumn<QString>("caseId");
    for (const Sealed::Case &c : Sealed::cases()) {
        QStringList at;
        for (Sealed::Stage s : c.stages)
            at << stageName(s);
        QTest::newRow(qUtf8Printable(
            QStringLiteral("%1 (%2): %3").arg(c.id, at.join(QStringLiteral(", ")), c.what)))
            << c.id;
    }
}

void TstSealed::sealedPage()
{
    QFETCH(QString, caseId);
    const Sealed::Case c = Sealed::caseOf(caseId);
    const SampleShop made = Sealed::shop(caseId);
    QVERIFY2(m_program->ensureRunning(), qPrintable(m_program->trouble()));
    const Program::Mark rowStart = m_program->mark();
    QStringList problems;

    // The sealed page.
    const Outcome o =
        m_program->lookUp(made.nick, c.ending == Sealed::Ending::Facts ? 0 : kShortPageLimitMs);
    const QJsonObject expected = factsOf(made.expect);
    const bool facts = o.read() && o.box.isEmpty() && o.facts() == expected;
    const bool unread = !o.read() && o.box == kUnread &&
                        o.facts().value(QStringLiteral("Text9")).toString().isEmpty();
    if (!o.ended)
        problems << QStringLiteral("the lookup never ended");
    else if (c.ending == Sealed::Ending::Facts && !facts)
        problems << QStringLiteral("not the shop's facts, which are ") + compact(expected);
    else if (c.ending == Sealed::Ending::Unread && !unread)
        problems << QStringLiteral("not \"%1\"").arg(kUnread);
    else if (!facts && !unread)
        problems << QStringLiteral("neither the shop's facts (%1) nor \"%2\"")
                        .arg(compact(expected), kUnread);
    if (!o.trouble.isEmpty())
        problems << o.trouble;
    if (!problems.isEmpty() || !o.escapes().isEmpty())
        problems << QStringLiteral("the window showed ") + compact(o.state);
    const bool sealed = o.strangers.isEmpty() && !o.died;

    // What the page asks for only while someone acts on it. Nobody can: the
    // clicks do not reach the page, or, should one, every request it makes
    // then is refused.
    if (sealed && c.needsAction && o.read()) {
        if (!m_program->poke(caseId)) {
            qInfo("no click reached the page");
        } else {
            // Refused at once: the page hears no, it is not left waiting.
            QStringList awaited;
            for (const QString &what : c.refusals)
                awaited << QStringLiteral("refused-%1-%2-click").arg(caseId, what);
            const auto heard = [&] {
                for (const QString &mark : std::as_const(awaited)) {
                    if (!m_market.marks().contains(mark))
                        return false;
                }
                return true;
            };
            if (!QTest::qWaitFor(heard, kStepMs))
                problems << QStringLiteral("the page was not refused at once: it heard ") +
                                m_market.marks().filter(QStringLiteral("refused-")).join(u' ') +
                                QStringLiteral(" of ") + awaited.join(u' ');
        }
    }

    // An ordinary lookup right after it, unless a window of the page is in
    // its way.
    Outcome row;
    m_program->collectSince(rowStart, &row);
    if (row.strangers.isEmpty() && !row.died) {
        const QString next = m_program->lookUpOrdinary(m_ordinary);
        if (!next.isEmpty())
            problems << next;
        row = Outcome();
        m_program->collectSince(rowStart, &row);
    }
    // Nothing escaped meanwhile, late ones included, and nothing the page
    // asked for was granted.
    problems = row.escapes() + problems;
    if (m_market.marks().contains(QStringLiteral("granted-") + caseId))
        problems << QStringLiteral("the page was granted what it asked for");
    if (!problems.isEmpty())
        problems << m_program->lastLines();
    if (!row.selection.isEmpty())
        qInfo("the page selected: %s", qPrintable(row.selection.join(QStringLiteral(" | "))));
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("\n   "))));
}

void TstSealed::cleanup()
{
    m_program->restartIfFailed();
}

void TstSealed::cleanupTestCase()
{
    const QString left = m_program->finishAll();
    QVERIFY2(left.isEmpty(), qPrintable(left));
}

QTEST_GUILESS_MAIN(TstSealed)
#include "tst_sealed.moc"
