// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// What the end-to-end tests share: a private home for the browser engine,
// and reading the shop facts back out of the window.
#pragma once

#include "evaluation/shopfacts.h"
#include "marketplace/sampleshop.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace E2e {

// Where the build put the browser engine's module.
inline QStringList moduleFolders()
{
    return {QStringLiteral(LUMORA_MODULE_BUILD_DIR)};
}

// Runs the test object with HOME in a temporary folder, where everything the
// browser engine might keep would land, and the XDG folders unset.
template <typename Test> int runInPrivateHome(int argc, char *argv[])
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    for (const char *v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        qunsetenv(v);
    QApplication app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}

inline QString fieldText(QWidget *form, const char *name)
{
    return form->findChild<QLineEdit *>(QLatin1String(name))->text();
}

// The facts a sample shop's page should yield.
inline ShopFacts factsOf(const SampleExpectation &e)
{
    return {e.sellerCredit,   e.recentGoodRatings,  e.recentBadRatings,
            e.registeredOn,   e.consumerProtection, e.violations,
            e.refundDisputes, e.complaintDisputes,  e.penalties};
}

// The nine fields hold the expected facts. Check QTest::currentTestFailed()
// afterwards.
inline void compareFacts(QWidget *form, const ShopFacts &expected)
{
    for (const FactText &t : kFactTexts) {
        QVERIFY2(fieldText(form, t.control) == expected.*t.fact,
                 qPrintable(QStringLiteral("%1 holds \"%2\", expected \"%3\"")
                                .arg(QLatin1String(t.control), fieldText(form, t.control),
                                     expected.*t.fact)));
    }
    for (const FactFlag &f : kFactFlags) {
        const bool checked = form->findChild<QCheckBox *>(QLatin1String(f.control))->isChecked();
        QVERIFY2(checked == expected.*f.fact,
                 qPrintable(QStringLiteral("%1 is %2")
                                .arg(QLatin1String(f.control), checked ? "checked" : "unchecked")));
    }
}

} // namespace E2e
