// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Random marketplace pages through the real program (marketplace/pagefuzz.h):
// the sealed pages' pieces, random markup and scripts, the marketplace's own
// phrases and links and whole answers replaced, at random stages of a
// lookup. After every page the lookup ended as the page's expectation allows
// (the made-up shop's facts, the unread error, or where the pages mislead the
// lookup whatever it read or "not found") and nothing escaped (Program::
// endingProblems and endRow). An ordinary lookup follows every third page,
// every page whose lookup did not end with facts or that may hang the engine,
// and the last page.
//
//   tst_pagefuzz [--pages N] [--seed S] [--from K] [--page K] [Qt Test options]
//
// Without options: pages 0 to 49 of the seed below. --from K starts at page
// K; --page K runs page K alone, as a failure message says to replay it.
#include "marketplace/pagefuzz.h"
#include "sealedprogram.h"

#include <QTest>

using namespace ProgramTest;

namespace {

quint32 seed = 20260417;
int pages = 50;
int onlyPage = -1;
int firstPage = 0;

} // namespace

class TstPageFuzz : public SealedTest {
    Q_OBJECT
private slots:
    void randomPage_data();
    void randomPage();
};

void TstPageFuzz::randomPage_data()
{
    QTest::addColumn<int>("index");
    qInfo("seed %u, %s", seed,
          onlyPage >= 0 ? qPrintable(QStringLiteral("page %1 alone").arg(onlyPage))
                        : qPrintable(QStringLiteral("%1 pages").arg(pages)));
    const int first = onlyPage >= 0 ? onlyPage : firstPage;
    const int end = onlyPage >= 0 ? onlyPage + 1 : pages;
    for (int i = first; i < end; ++i)
        QTest::newRow(qPrintable(
            QStringLiteral("page %1: %2").arg(i).arg(PageFuzz::page(seed, i, 0).summary())))
            << i;
}

void TstPageFuzz::randomPage()
{
    QFETCH(int, index);
    const PageFuzz::Page p = PageFuzz::page(seed, index, m_market.port());
    QVERIFY2(m_program->ensureRunning(), qPrintable(m_program->trouble()));
    const Program::Mark start = m_program->mark();

    // Only a lookup that may end unread is given the short page limit: on a
    // busy machine it could cut short a lookup that must end with facts.
    const bool strict = p.expect == PageFuzz::Expect::Facts;
    const Outcome o = m_program->lookUp(p.shop.nick, strict ? 0 : kShortPageLimitMs);
    const QJsonObject expected = factsOf(p.shop.expect);
    const Allowed allowed = p.expect == PageFuzz::Expect::Facts           ? Allowed::Facts
                            : p.expect == PageFuzz::Expect::FactsOrUnread ? Allowed::FactsOrUnread
                                                                          : Allowed::AnyEnd;
    QStringList problems = Program::endingProblems(o, expected, allowed);

    const bool last = index == (onlyPage >= 0 ? onlyPage : pages - 1);
    const bool ordinary = index % 3 == 2 || !o.hasFacts(expected) || p.mayHang || last;
    Outcome all;
    problems = m_program->endRow(start, ordinary, problems, &all);
    if (!problems.isEmpty())
        problems << QStringLiteral("page: ") + p.summary()
                 << QStringLiteral("replay: tst_pagefuzz --seed %1 --page %2").arg(seed).arg(index)
                 << m_program->lastLines();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("\n   "))));
}

int main(int argc, char *argv[])
{
    seed = takeOption(&argc, argv, "--seed", QByteArray::number(seed)).toUInt();
    pages = takeOption(&argc, argv, "--pages", QByteArray::number(pages)).toInt();
    firstPage = takeOption(&argc, argv, "--from", "0").toInt();
    onlyPage = takeOption(&argc, argv, "--page", "-1").toInt();
    QCoreApplication app(argc, argv);
    TstPageFuzz test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pagefuzz.moc"
