// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "lookup/engineflags.h"

#include <QTest>

class TstEngineFlags : public QObject {
    Q_OBJECT
private slots:
    void withScriptFlag_data();
    void withScriptFlag();
};

void TstEngineFlags::withScriptFlag_data()
{
    QTest::addColumn<QString>("switches");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const QString &switches, const QString &expected) {
        QTest::newRow(name) << switches << expected;
    };
    const QString gc = QStringLiteral("--js-flags=--expose-gc");
    row("no switches", "", gc);
    row("blanks only", "   ", gc);
    row("other switches kept in order", "--a --use-fake-device-for-media-stream",
        "--a --use-fake-device-for-media-stream " + gc);
    row("a script flag given joins the new one", "--js-flags=--max-old-space-size=512 --b",
        "--js-flags=--max-old-space-size=512,--expose-gc --b");
    row("several script flags given", "--js-flags=--x,--y", "--js-flags=--x,--y,--expose-gc");
    row("the flag already given", "--js-flags=--expose-gc,--x", "--js-flags=--expose-gc,--x");
    row("only the last --js-flags counts", "--js-flags=--x --js-flags=--y",
        "--js-flags=--x --js-flags=--y,--expose-gc");
    row("an empty --js-flags", "--js-flags=", gc);
    row("a lookalike switch", "--js-flagsx=--y", "--js-flagsx=--y " + gc);
}

void TstEngineFlags::withScriptFlag()
{
    QFETCH(QString, switches);
    QFETCH(QString, expected);
    QCOMPARE(Lookup::WithScriptFlag(switches, QStringLiteral("--expose-gc")), expected);
}

QTEST_APPLESS_MAIN(TstEngineFlags)
#include "tst_engineflags.moc"
