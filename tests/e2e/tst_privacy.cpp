// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// The program keeps nothing: the real binary is started with fresh, empty
// home, XDG and temporary folders, used as a person would use it (a lookup
// over http, one over https, a refused edit of an indicator, an error box,
// "退出"), and afterwards every folder holds exactly what it held before.
//
//   tst_privacy [--program PATH] [Qt Test options]
//
// PATH is the program to test (the build's by default; the package test passes
// /usr/bin/lumora). Under offscreen nothing outside the process can type or
// click, so the test loads lumora-driver into the program with LD_PRELOAD and
// sends it its input; under X (a private Xvfb) xdotool types and clicks on the
// real window, and the same driver only reports what the window shows.
#include "folders.h"
#include "lookup/messages.h"
#include "marketplace/marketplace.h"
#include "session.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QTest>

#include <unistd.h>

using namespace ProgramTest;
using namespace Messages;

namespace {

QString programPath = QStringLiteral(LUMORA_BINARY);
const QString kHttpShop = QStringLiteral("sunny_bags");
const QString kHttpShopCredit = QStringLiteral("3456");
const QString kHttpsShop = QStringLiteral("hostile-2-httpslink"); // its rating link is https

// Which of the user's folders the environment names: every XDG folder and
// TMPDIR, HOME and the runtime folder only, or HOME alone.
enum class Named { All, HomeAndRuntime, HomeOnly };

} // namespace

Q_DECLARE_METATYPE(Platform)
Q_DECLARE_METATYPE(Named)

class TstPrivacy : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void nothingIsLeft_data();
    void nothingIsLeft();

private:
    Marketplace m_market;
    Helper m_xvfb;
    QString m_display; // empty when no Xvfb could be started
};

void TstPrivacy::initTestCase()
{
    QVERIFY2(QFileInfo(programPath).isExecutable(), qPrintable(programPath));
    QVERIFY2(QFileInfo::exists(QStringLiteral(LUMORA_DRIVER)), LUMORA_DRIVER);
    QVERIFY(m_market.listen());
    qInfo("program: %s", qPrintable(programPath));
    m_display = startScreen(&m_xvfb);
}

void TstPrivacy::nothingIsLeft_data()
{
    QTest::addColumn<Platform>("platform");
    QTest::addColumn<Named>("folders");
    QTest::addColumn<bool>("sessionBus");
    QTest::newRow("offscreen, every XDG folder and TMPDIR")
        << Platform::Offscreen << Named::All << false;
    QTest::newRow("offscreen, HOME and XDG_RUNTIME_DIR only")
        << Platform::Offscreen << Named::HomeAndRuntime << false;
    QTest::newRow("offscreen, HOME only") << Platform::Offscreen << Named::HomeOnly << false;
    QTest::newRow("X, every XDG folder and TMPDIR, a session bus")
        << Platform::X << Named::All << true;
    QTest::newRow("X, HOME and XDG_RUNTIME_DIR only, no session bus")
        << Platform::X << Named::HomeAndRuntime << false;
}

void TstPrivacy::nothingIsLeft()
{
    QFETCH(Platform, platform);
    QFETCH(Named, folders);
    QFETCH(bool, sessionBus);
    if (platform == Platform::X && m_display.isEmpty())
        QSKIP("no Xvfb here (tools/install-deps installs it)");

    Folders given;
    QVERIFY(given.make(QStringLiteral("tst_privacy")));
    if (folders == Named::All)
        given.giveAll();
    if (folders != Named::HomeOnly)
        given.give(QStringLiteral("XDG_RUNTIME_DIR"));
    // The folders the program may see, each under the name a report uses.
    Roots roots = given.roots();
    QProcessEnvironment env = given.environment();
    // Without TMPDIR the program writes to /tmp: it gets a /tmp of its own, a
    // fresh folder mounted there in a mount namespace of its own.
    const bool privateTmp = folders != Named::All;
    QStringList shown; // folders of the real /tmp that stay seen in the program's own
    if (privateTmp) {
        if (!runTool(QStringLiteral("unshare"),
                     {QStringLiteral("--mount"), QStringLiteral("--propagation"),
                      QStringLiteral("private"), QStringLiteral("true")}))
            QSKIP("cannot give the program a /tmp of its own here (needs root)");
        roots << qMakePair(QStringLiteral("/tmp"), given.folder(QStringLiteral("tmp")));
        if (platform == Platform::X)
            shown << QStringLiteral(".X11-unix");
        // A build in /tmp (a clone there) stays where the program and its
        // module and driver are looked for.
        for (const QString &path : {programPath, QStringLiteral(LUMORA_DRIVER)}) {
            const QString real = QFileInfo(path).canonicalFilePath();
            if (real.startsWith(QLatin1String("/tmp/")))
                shown << real.section(u'/', 2, 2);
        }
        shown.removeDuplicates();
        for (const QString &name : std::as_const(shown))
            given.folder(QStringLiteral("tmp/") + name);
    }
    const QString proxy = QStringLiteral("http://127.0.0.1:%1").arg(m_market.port());
    env.insert(QStringLiteral("http_proxy"), proxy);
    env.insert(QStringLiteral("https_proxy"), proxy);
    if (geteuid() == 0) // the browser engine's sandbox cannot run as root
        env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    Helper bus;
    if (platform == Platform::Offscreen) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    } else {
        env.insert(QStringLiteral("DISPLAY"), m_display);
        if (sessionBus) {
            QVERIFY(bus.start(
                QStringLiteral("dbus-daemon"),
                {QStringLiteral("--session"), QStringLiteral("--nofork"),
                 QStringLiteral("--print-address=1"),
                 QStringLiteral("--address=unix:dir=") + given.folder(QStringLiteral("bus"))}));
            env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.line());
        }
    }
    // The bus folder is the test's, not the program's.
    const Tree before = snapshot(roots);
    QStringList expectedBefore;
    for (const QString &name : std::as_const(shown))
        expectedBefore << QStringLiteral("/tmp/") + name;
    expectedBefore.sort();
    QStringList beforeKeys = before.keys();
    beforeKeys.sort();
    QCOMPARE(beforeKeys, expectedBefore);

    Session session(platform, m_display, QStringLiteral("HOME=") + roots.first().second);
    if (privateTmp) {
        session.process().setProcessEnvironment(env);
        session.process().start(
            QStringLiteral("unshare"),
            QStringList{QStringLiteral("--mount"), QStringLiteral("--propagation"),
                        QStringLiteral("private"), QStringLiteral("--"), QStringLiteral("sh"),
                        QStringLiteral("-c"),
                        // The X server's sockets, and a build in /tmp, stay where they
                        // are looked for.
                        QStringLiteral("t=$1; d=$2; shift 2; for n in \"$@\"; do "
                                       "mount --bind \"/tmp/$n\" \"$t/$n\" || exit 1; done; "
                                       "mount --rbind \"$t\" /tmp && export LD_PRELOAD=\"$d\" && "
                                       "exec \"$0\""),
                        programPath, given.folder(QStringLiteral("tmp")),
                        QStringLiteral(LUMORA_DRIVER)} +
                shown);
    } else {
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(LUMORA_DRIVER));
        session.process().setProcessEnvironment(env);
        session.process().start(programPath, QStringList());
    }
    QVERIFY2(session.process().waitForStarted(10000), qPrintable(programPath));

    const auto explain = [&](const QString &what) { return what + "; " + session.lastLines(); };
    // The box with text that what brought up, answered: empty, or what went wrong.
    const auto answered = [&](const QString &text, const QString &what) {
        if (!session.waitFor(
                [&](const QJsonObject &s) { return s[QStringLiteral("box")] == text; }))
            return explain(QStringLiteral("%1 showed no \"%2\"").arg(what, text));
        return session.closeBox() ? QString() : explain(QStringLiteral("the box stayed open"));
    };

    QVERIFY2(session.waitReady(), qPrintable(explain(QStringLiteral("the window never appeared"))));
    // Where the program keeps its files while it runs (they must go with it).
    QStringList whileRunning = differences(before, snapshot(roots));
    whileRunning.replaceInStrings(QStringLiteral("appeared: "), QString());
    if (!whileRunning.isEmpty())
        qInfo("while the window is open:\n  %s",
              qPrintable(whileRunning.join(QStringLiteral("\n  "))));

    // 1. A lookup over http that ends with the facts.
    session.enterName(kHttpShop);
    QVERIFY2(session.waitFor([&](const QJsonObject &s) {
        return s[QStringLiteral("facts")][QStringLiteral("Text9")].toString() == kHttpShopCredit &&
               s.value(QStringLiteral("status")).toString() == kReady &&
               s.value(QStringLiteral("search")).toBool();
    }),
             qPrintable(explain(
                 QStringLiteral("the lookup of %1 never ended with its facts").arg(kHttpShop))));
    QVERIFY2(session.state().value(QStringLiteral("box")).isNull(),
             qPrintable(explain(QStringLiteral("a message box after the lookup"))));

    // 2. A lookup whose rating page is https: the engine checks the sample
    // marketplace's certificate, refuses it, and the lookup ends unread.
    session.enterName(kHttpsShop);
    QCOMPARE(answered(kUnread, QStringLiteral("the https lookup")), QString());
    QVERIFY2(m_market.tunnels().contains(QStringLiteral("rate.taobao.com:443")),
             qPrintable(m_market.tunnels().join(u' ')));

    // 3. A refused edit: a click on an indicator.
    session.click(QStringLiteral("Check2"));
    QCOMPARE(answered(kReadOnly, QStringLiteral("a click on an indicator")), QString());

    // 4. An error box: a lookup without a name.
    session.enterName(QString());
    QCOMPARE(answered(kNoName, QStringLiteral("an empty name")), QString());

    // 5. "退出".
    session.click(QStringLiteral("Command1"));
    QVERIFY2(QTest::qWaitFor([&] { return !session.running(); }, 15000),
             qPrintable(explain(QStringLiteral("\"退出\" did not end the program"))));
    QCOMPARE(session.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(session.process().exitCode(), 0);
    const QStringList leftRunning = session.stop();
    if (qEnvironmentVariableIsSet("LUMORA_TEST_VERBOSE"))
        qInfo("the program's output:\n  %s",
              qPrintable(session.log().join(QStringLiteral("\n  "))));
    bus.stop();

    const QStringList left = differences(before, snapshot(roots));
    if (!left.isEmpty())
        qInfo("left behind:\n  %s", qPrintable(left.join(QStringLiteral("\n  "))));
    if (!leftRunning.isEmpty())
        qInfo("still running after \"退出\", killed:\n  %s",
              qPrintable(leftRunning.join(QStringLiteral("\n  "))));
    QVERIFY2(left.isEmpty(), qPrintable(QStringLiteral("%1 entries left behind, the first %2")
                                            .arg(left.size())
                                            .arg(left.value(0))));
    QVERIFY2(leftRunning.isEmpty(), qPrintable(QStringLiteral("still running after \"退出\": ") +
                                               leftRunning.join(QStringLiteral("; "))));
}

int main(int argc, char *argv[])
{
    programPath = QString::fromLocal8Bit(takeOption(&argc, argv, "--program", LUMORA_BINARY));
    QCoreApplication app(argc, argv);
    TstPrivacy test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_privacy.moc"
