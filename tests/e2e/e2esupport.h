// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// What the end-to-end tests share: a private home for the browser engine,
// the window on the real engine and the sample marketplace, and reading the
// shop facts back out of the window.
#pragma once

#include "app/errorbox.h"
#include "app/form1.h"
#include "evaluation/shopfacts.h"
#include "lookup/messages.h"
#include "lookup/modulebrowser.h"
#include "marketplace/marketplace.h"
#include "marketplace/sampleshop.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

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

// The window on the real browser engine, which reaches the sample
// marketplace as its proxy; the error boxes are recorded, not shown.
struct LiveWindow {
    Marketplace market;
    std::unique_ptr<ModuleBrowser> browser;
    std::unique_ptr<Form1> form;
    QStringList boxes;

    // https too goes through the marketplace's tunnel when secure.
    void open(bool secure = false)
    {
        QVERIFY(market.listen());
        // The browser engine takes its proxy from the environment when it starts.
        const QByteArray proxy = "http://127.0.0.1:" + QByteArray::number(market.port());
        qputenv("http_proxy", proxy);
        if (secure)
            qputenv("https_proxy", proxy);
        ErrorBox::SetHandler([this](QWidget *, const QString &text) { boxes << text; });
        browser = std::make_unique<ModuleBrowser>(moduleFolders());
        form = std::make_unique<Form1>(browser.get());
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    ~LiveWindow() { ErrorBox::SetHandler({}); }

    template <typename T> T *get(const char *name)
    {
        return form->findChild<T *>(QLatin1String(name));
    }
    QString text(const char *name) { return fieldText(form.get(), name); }

    // Types name, presses Enter and waits until the lookup has ended in
    // order: "准备就绪", the inputs unlocked, nothing armed. Check
    // QTest::currentTestFailed() afterwards.
    void lookUp(const QString &name, int ms = 60000)
    {
        auto *search = get<QPushButton>("cmdTBCX");
        QVERIFY(search->isEnabled());
        get<QLineEdit>("txtTB")->setText(name);
        QTest::keyClick(get<QLineEdit>("txtTB"), Qt::Key_Return);
        QVERIFY(!search->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(search->isEnabled(), ms);
        QCOMPARE(get<QLabel>("lblTBZZ")->text(), Messages::kReady);
        QVERIFY(get<QLineEdit>("txtTB")->isEnabled());
        QCOMPARE(form->lookup().lookupStage(), ShopLookup::Stage::SearchResults);
        QVERIFY(!form->lookup().navigationArmed());
    }
};

} // namespace E2e
