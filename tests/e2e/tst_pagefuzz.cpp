// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Random marketplace pages through the real program (marketplace/pagefuzz.h):
// the sealed pages' pieces, random markup and scripts, the marketplace's own
// phrases and links and whole answers replaced, at random stages of a
// lookup. After every page:
//   - the lookup ended in order, as the page's expectation allows: the
//     made-up shop's facts, the unread error (or, where the pages mislead
//     the lookup, whatever it read or "not found");
//   - no window appeared but Lumora's own and its own error boxes;
//   - nothing was handed to the desktop, the clipboard stayed as it was, and
//     nothing was written in the home and XDG folders.
// An ordinary lookup follows every third page, every page whose lookup did
// not end with facts and every page that may hang the engine, and the last
// page; when the program is closed at the end, its folders hold what they
// held before.
//
//   tst_pagefuzz [--pages N] [--seed S] [--from K] [--page K] [Qt Test options]
//
// Without options: pages 0 to 49 of the seed below. --from K starts at page
// K; --page K runs page K alone, as a failure message says to replay it.
#include "marketplace/pagefuzz.h"
#include "sealedprogram.h"

using namespace SealedProgram;

namespace {

quint32 seed = 20260417;
int pages = 50;
int onlyPage = -1;
int firstPage = 0;

} // namespace

class TstPageFuzz : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void randomPage_data();
    void randomPage();
    void cleanup();
    void cleanupTestCase();

private:
    Marketplace m_market;
    std::unique_ptr<Program> m_program;
    SampleShop m_ordinary;
};

void TstPageFuzz::initTestCase()
{
    QVERIFY(m_market.listen());
    m_ordinary = ordinaryShop();
    QVERIFY(!m_ordinary.expect.sellerCredit.isEmpty());
    qInfo("seed %u, %s", seed,
          onlyPage >= 0 ? qPrintable(QStringLiteral("page %1 alone").arg(onlyPage))
                        : qPrintable(QStringLiteral("%1 pages").arg(pages)));
    m_program = std::make_unique<Program>(QStringLiteral(LUMORA_BINARY),
                                          QStringLiteral(LUMORA_DRIVER), &m_market);
    QVERIFY2(m_program->prepare(), qPrintable(m_program->trouble()));
    QVERIFY2(m_program->ensureRunning(), qPrintable(m_program->trouble()));
}

void TstPageFuzz::randomPage_data()
{
    QTest::addColumn<int>("index");
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
    QStringList problems;

    const bool strict = p.expect == PageFuzz::Expect::Facts && !p.mayHang;
    const Outcome o = m_program->lookUp(p.shop.nick, strict ? 0 : kShortPageLimitMs);
    const QJsonObject expected = factsOf(p.shop.expect);
    const bool facts = o.read() && o.box.isEmpty() && o.facts() == expected;
    const bool unread = !o.read() && o.box == kUnread &&
                        o.facts().value(QStringLiteral("Text9")).toString().isEmpty();
    // Misleading pages may make any lookup: facts of whatever was read, or
    // either of the messages a lookup ends with.
    const bool inOrder =
        (o.read() && o.box.isEmpty()) || (!o.read() && (o.box == kUnread || o.box == kNotFound));
    if (!o.ended)
        problems << QStringLiteral("the lookup never ended");
    else if (p.expect == PageFuzz::Expect::Facts && !facts)
        problems << QStringLiteral("not the shop's facts, which are ") + compact(expected);
    else if (p.expect == PageFuzz::Expect::FactsOrUnread && !facts && !unread)
        problems << QStringLiteral("neither the shop's facts (%1) nor \"%2\"")
                        .arg(compact(expected), kUnread);
    else if (!inOrder)
        problems << QStringLiteral("not in order");
    if (!o.trouble.isEmpty())
        problems << o.trouble;
    if (!problems.isEmpty() || !o.escapes().isEmpty())
        problems << QStringLiteral("the window showed ") + compact(o.state);

    Outcome all;
    m_program->collectSince(start, &all);
    const bool last = index == (onlyPage >= 0 ? onlyPage : pages - 1);
    if (all.strangers.isEmpty() && !all.died && (index % 3 == 2 || !facts || p.mayHang || last)) {
        const QString next = m_program->lookUpOrdinary(m_ordinary);
        if (!next.isEmpty())
            problems << next;
        all = Outcome();
        m_program->collectSince(start, &all);
    }
    problems = all.escapes() + problems;
    if (!problems.isEmpty())
        problems << QStringLiteral("page: ") + p.summary()
                 << QStringLiteral("replay: tst_pagefuzz --seed %1 --page %2").arg(seed).arg(index)
                 << m_program->lastLines();
    if (!all.selection.isEmpty())
        qInfo("the page selected: %s", qPrintable(all.selection.join(QStringLiteral(" | "))));
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("\n   "))));
}

void TstPageFuzz::cleanup()
{
    m_program->restartIfFailed();
}

void TstPageFuzz::cleanupTestCase()
{
    const QString left = m_program->finishAll();
    QVERIFY2(left.isEmpty(), qPrintable(left));
}

int main(int argc, char *argv[])
{
    std::vector<char *> rest;
    for (int i = 0; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (hasValue && qstrcmp(argv[i], "--pages") == 0) {
            pages = QByteArray(argv[++i]).toInt();
        } else if (hasValue && qstrcmp(argv[i], "--seed") == 0) {
            seed = QByteArray(argv[++i]).toUInt();
        } else if (hasValue && qstrcmp(argv[i], "--from") == 0) {
            firstPage = QByteArray(argv[++i]).toInt();
        } else if (hasValue && qstrcmp(argv[i], "--page") == 0) {
            onlyPage = QByteArray(argv[++i]).toInt();
        } else {
            rest.push_back(argv[i]);
        }
    }
    int count = int(rest.size());
    rest.push_back(nullptr);
    QCoreApplication app(count, rest.data());
    TstPageFuzz test;
    return QTest::qExec(&test, count, rest.data());
}

#include "tst_pagefuzz.moc"
