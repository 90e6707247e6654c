// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// What the end-to-end tests share: a private home for the browser engine,
// and reading the shop facts back out of the window.
#pragma once

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

inline bool indicator(QWidget *form, const char *name)
{
    return form->findChild<QCheckBox *>(QLatin1String(name))->isChecked();
}

// The nine fields hold the expected facts. Check QTest::currentTestFailed()
// afterwards.
inline void compareFacts(QWidget *form, const SampleExpectation &e)
{
    QCOMPARE(fieldText(form, "Text9"), e.sellerCredit);
    QCOMPARE(fieldText(form, "Text7"), e.recentGoodRatings);
    QCOMPARE(fieldText(form, "Text8"), e.recentBadRatings);
    QCOMPARE(fieldText(form, "Text12"), e.registeredOn);
    QCOMPARE(indicator(form, "Check2"), e.consumerProtection);
    QCOMPARE(indicator(form, "Check3"), e.violations);
    QCOMPARE(indicator(form, "Check4"), e.refundDisputes);
    QCOMPARE(indicator(form, "Check5"), e.complaintDisputes);
    QCOMPARE(indicator(form, "Check6"), e.penalties);
}

} // namespace E2e
