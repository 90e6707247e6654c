// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "lookup/navigationgate.h"

#include <QTest>

using Lookup::NavigationGate;

class TstNavigationGate : public QObject {
    Q_OBJECT
private slots:
    void gate_data();
    void gate();
};

namespace {
const QString A = QStringLiteral("http://shopsearch.taobao.com/browse/shop_search.htm?q=a");
const QString B = QStringLiteral("http://shop12.taobao.com/");
const QString C = QStringLiteral("http://rate.taobao.com/user-rate-c");
const QString Mail = QStringLiteral("mailto:someone@example.com");
const QString File = QStringLiteral("file:///etc/passwd");

// Runs the steps on a fresh gate and notes what each question answered.
//   expect URL, settle, finish, started URL   change the gate
//   asked URL, redirect URL, page URL         a main-frame load: "yes" or "no"
//   frame URL                                 a load in a frame: "yes" or "no"
//   pending, left, expected URL               questions: "yes" or "no"
QString run(const QStringList &steps)
{
    NavigationGate gate;
    QStringList answers;
    const auto say = [&](bool yes) { answers << QString::fromLatin1(yes ? "yes" : "no"); };
    for (const QString &step : steps) {
        const QString verb = step.section(u' ', 0, 0);
        const QUrl url(step.section(u' ', 1));
        if (verb == u"expect")
            gate.expect(url);
        else if (verb == u"settle")
            gate.settle();
        else if (verb == u"finish")
            gate.finish();
        else if (verb == u"started")
            gate.noteLoadStarted(url);
        else if (verb == u"asked")
            say(gate.allows(url, NavigationGate::Cause::Asked, true));
        else if (verb == u"redirect")
            say(gate.allows(url, NavigationGate::Cause::Redirect, true));
        else if (verb == u"page")
            say(gate.allows(url, NavigationGate::Cause::Page, true));
        else if (verb == u"frame")
            say(gate.allows(url, NavigationGate::Cause::Page, false));
        else if (verb == u"pending")
            say(gate.pending());
        else if (verb == u"left")
            say(gate.leftWhileLoading());
        else if (verb == u"expected")
            say(gate.isExpected(url));
        else
            qFatal("unknown step %s", qPrintable(step));
    }
    return answers.join(u' ');
}
} // namespace

void TstNavigationGate::gate_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("answers");
    QTest::newRow("nothing asked: nothing pending, a jump refused unnoted")
        << QStringList{"pending", "page " + B, "left"} << "no no no";
    QTest::newRow("the asked load goes ahead")
        << QStringList{"expect " + A, "pending", "asked " + A, "left"} << "yes yes no";
    QTest::newRow("a redirect on its way goes ahead and is the lookup's")
        << QStringList{"expect " + A, "redirect " + B, "expected " + B, "expected " + C}
        << "yes yes no";
    QTest::newRow("redirects in a chain are all the lookup's")
        << QStringList{"expect " + A, "redirect " + B, "redirect " + C, "expected " + A,
                       "expected " + C}
        << "yes yes yes yes";
    QTest::newRow("the page's own jump while loading is refused and noted")
        << QStringList{"expect " + A, "page " + B, "left", "expected " + B} << "no yes no";
    QTest::newRow("a redirect once the load has ended is refused and noted")
        << QStringList{"expect " + A, "settle", "pending", "redirect " + B, "left"} << "no no yes";
    QTest::newRow("a page left alone goes nowhere, unnoted")
        << QStringList{"expect " + A, "settle", "finish", "page " + B, "redirect " + C, "left"}
        << "no no no";
    QTest::newRow("another program's scheme, even asked, is refused and noted")
        << QStringList{"expect " + A, "asked " + Mail, "left"} << "no yes";
    QTest::newRow("a file address is refused as a redirect")
        << QStringList{"expect " + A, "redirect " + File, "expected " + File} << "no no";
    QTest::newRow("a frame loads web pages only, whatever the lookup awaits")
        << QStringList{"frame " + B, "frame " + File, "expect " + A, "frame " + Mail, "left"}
        << "yes no no no";
    QTest::newRow("the asked address is the lookup's whatever its fragment")
        << QStringList{"expect " + A + "#top", "expected " + A + "#end", "expected " + A}
        << "yes yes";
    QTest::newRow("a load started elsewhere while the page is read is the page leaving")
        << QStringList{"expect " + A, "settle", "started " + B, "left"} << "yes";
    QTest::newRow("a load of the lookup's address started while read changes nothing")
        << QStringList{"expect " + A, "settle", "started " + A, "left"} << "no";
    QTest::newRow("a web load started while loading may be a redirect: unnoted")
        << QStringList{"expect " + A, "started " + B, "left"} << "no";
    QTest::newRow("another program's load started while loading is noted")
        << QStringList{"expect " + A, "started " + Mail, "left"} << "yes";
    QTest::newRow("a load started after the page was read is unnoted")
        << QStringList{"expect " + A, "settle", "finish", "started " + B, "started " + Mail, "left"}
        << "no";
    QTest::newRow("a load asked for while the last was still read: no longer read")
        << QStringList{"expect " + A, "settle", "expect " + B, "started " + C, "left"} << "no";
    QTest::newRow("the next lookup's load starts with a clean slate")
        << QStringList{"expect " + A, "redirect " + B, "page " + C, "expect " + C,
                       "left",        "expected " + B, "pending"}
        << "yes no no no yes";
}

void TstNavigationGate::gate()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, answers);
    QCOMPARE(run(steps), answers);
}

QTEST_APPLESS_MAIN(TstNavigationGate)
#include "tst_navigationgate.moc"
