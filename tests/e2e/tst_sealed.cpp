// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// The lookup's page is a page that nobody sees and nobody answers. The real
// program looks up the sealed pages of the sample marketplace (sealed.h), one
// a row, each a marketplace page that asks its host for something: a dialog,
// a window, a print, a picker, a permission, a log-in, a download, another
// program, or the whole machine. For each, the lookup ends as the page's case
// says (the made-up shop's facts, the unread error, or either), nothing
// escapes, nothing the page asks for is granted, and an ordinary sample shop
// is looked up right after it (Program::endingProblems and endRow).
// Rows whose case ends unread, or may, get a page limit of 3 s.
#include "marketplace/sealed.h"
#include "sealedprogram.h"

#include <QTest>

#include <algorithm>

using namespace ProgramTest;

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

class TstSealed : public SealedTest {
    Q_OBJECT
private slots:
    void sealedPage_data();
    void sealedPage();
};

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

    // The sealed page.
    const Outcome o =
        m_program->lookUp(made.nick, c.ending == Sealed::Ending::Facts ? 0 : kShortPageLimitMs);
    const Allowed allowed = c.ending == Sealed::Ending::Facts    ? Allowed::Facts
                            : c.ending == Sealed::Ending::Unread ? Allowed::Unread
                                                                 : Allowed::FactsOrUnread;
    QStringList problems = Program::endingProblems(o, factsOf(made.expect), allowed);
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
                return std::all_of(awaited.cbegin(), awaited.cend(), [&](const QString &mark) {
                    return m_market.marks().contains(mark);
                });
            };
            if (!QTest::qWaitFor(heard, kStepMs))
                problems << QStringLiteral("the page was not refused at once: it heard ") +
                                m_market.marks().filter(QStringLiteral("refused-")).join(u' ') +
                                QStringLiteral(" of ") + awaited.join(u' ');
        }
    }

    // An ordinary lookup right after it, unless a window of the page is in
    // its way; nothing escaped meanwhile, late ones included, and nothing the
    // page asked for was granted.
    Outcome row;
    problems = m_program->endRow(rowStart, true, problems, &row);
    if (m_market.marks().contains(QStringLiteral("granted-") + caseId))
        problems << QStringLiteral("the page was granted what it asked for");
    if (!problems.isEmpty())
        problems << m_program->lastLines();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("\n   "))));
}

QTEST_GUILESS_MAIN(TstSealed)
#include "tst_sealed.moc"
