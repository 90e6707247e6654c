// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// The program as a process: one instance at a time, and a prompt end even in
// the middle of a lookup.
#include "app/errorbox.h"
#include "app/form1.h"
#include "e2esupport.h"
#include "lookup/modulebrowser.h"
#include "marketplace/marketplace.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

class TstProgram : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void secondStartEndsAtOnce();
    void markOfAKilledInstanceIsTakenOver();
    void exitDuringALookupEndsAtOnce();
    void enterAtTheFirstPaint();
    void startsWithoutItsModule();
    void endsInOrderOnSignal_data();
    void endsInOrderOnSignal();

private:
    QProcess *start(const QStringList &args = {},
                    const QString &program = QStringLiteral(LUMORA_BINARY));
    QTemporaryDir m_runtime;
    QTemporaryDir m_home;
};

void TstProgram::initTestCase()
{
    QVERIFY(m_runtime.isValid());
    QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QProcess *TstProgram::start(const QStringList &args, const QString &program)
{
    auto *p = new QProcess(this);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    env.insert(QStringLiteral("HOME"), m_home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p->setProcessEnvironment(env);
    p->start(program, args);
    return p;
}

void TstProgram::secondStartEndsAtOnce()
{
    QProcess *first = start();
    QVERIFY(first->waitForStarted());
    QTest::qWait(1500); // the first has taken the mark and shows its window

    QElapsedTimer clock;
    clock.start();
    QProcess *second = start();
    QVERIFY(second->waitForFinished(5000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(second->readAllStandardOutput(), QByteArray());
    QCOMPARE(second->readAllStandardError(), QByteArray());

    QCOMPARE(first->state(), QProcess::Running);
    first->terminate();
    QVERIFY(first->waitForFinished(10000));
}

void TstProgram::markOfAKilledInstanceIsTakenOver()
{
    QProcess *first = start();
    QVERIFY(first->waitForStarted());
    QTest::qWait(1500);
    ::kill(pid_t(first->processId()), SIGKILL);
    QVERIFY(first->waitForFinished(5000));

    QProcess *next = start();
    QVERIFY(next->waitForStarted());
    QVERIFY(!next->waitForFinished(2000)); // still running: it took over the mark
    next->terminate();
    QVERIFY(next->waitForFinished(10000));
}

// The child half of the exit test: a lookup that waits on a page that never
// finishes, then "退出".
static int exitDuringLookupChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Marketplace market;
    if (!market.listen())
        return 3;
    qputenv("http_proxy", QByteArray("http://127.0.0.1:") + QByteArray::number(market.port()));
    ModuleBrowser browser(E2e::moduleFolders());
    Form1 form(&browser);
    form.show();
    form.findChild<QLineEdit *>(QStringLiteral("txtTB"))->setText(QStringLiteral("slow_mirror"));
    form.cmdTBCX_Click();
    QTimer::singleShot(3000, [&] {
        QTextStream(stdout) << "exit pressed" << Qt::endl;
        form.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    });
    return app.exec();
}

void TstProgram::exitDuringALookupEndsAtOnce()
{
    QProcess *child =
        start({QStringLiteral("--exit-during-lookup")}, QCoreApplication::applicationFilePath());
    QVERIFY(child->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(child->canReadLine() || child->state() != QProcess::Running, 20000);
    QCOMPARE(child->readLine().trimmed(), QByteArray("exit pressed"));
    QElapsedTimer clock;
    clock.start();
    // It may well have ended before its line was read; waitForFinished()
    // reports false for a process that is no longer running.
    if (child->state() != QProcess::NotRunning)
        QVERIFY(child->waitForFinished(5000));
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(child->exitStatus(), QProcess::NormalExit);
    QCOMPARE(child->exitCode(), 0);
}

// The child half of the first-paint test: the name is typed before the window
// is shown, and Enter is handled in the same turn of the event loop as the
// window's first paint, ahead of the engine's module, which the program
// loads right after that paint. Prints the facts the lookup read.
class EnterAtFirstPaint : public QObject {
public:
    EnterAtFirstPaint(QWidget *nameBox, ModuleBrowser *browser)
        : m_nameBox(nameBox), m_browser(browser)
    {
    }
    bool loadedAtEnter = true;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_nameBox && event->type() == QEvent::Paint && !m_posted) {
            m_posted = true;
            // Filters installed last see the paint first: this Enter is
            // queued ahead of whatever the window queues on its first paint.
            QCoreApplication::postEvent(
                m_nameBox, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
        }
        if (watched == m_nameBox && event->type() == QEvent::KeyPress)
            loadedAtEnter = m_browser->isLoaded();
        return false;
    }

private:
    QWidget *m_nameBox;
    ModuleBrowser *m_browser;
    bool m_posted = false;
};

static int enterAtFirstPaintChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Marketplace market;
    if (!market.listen())
        return 3;
    qputenv("http_proxy", QByteArray("http://127.0.0.1:") + QByteArray::number(market.port()));
    ErrorBox::SetHandler(
        [](QWidget *, const QString &text) { QTextStream(stdout) << "box " << text << Qt::endl; });
    ModuleBrowser browser(E2e::moduleFolders());
    Form1 form(&browser);
    QObject::connect(&form, &Form1::firstPainted, &browser, &ModuleBrowser::warmUp);
    auto *name = form.findChild<QLineEdit *>(QStringLiteral("txtTB"));
    auto *search = form.findChild<QPushButton *>(QStringLiteral("cmdTBCX"));
    name->setText(QStringLiteral("sunny_bags"));
    EnterAtFirstPaint enter(name, &browser);
    form.installEventFilter(&enter);
    name->installEventFilter(&enter);
    form.show();
    QTimer poll;
    bool locked = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        locked = locked || !search->isEnabled();
        if (!locked || !search->isEnabled())
            return;
        QTextStream out(stdout);
        out << "loaded at enter " << enter.loadedAtEnter << Qt::endl;
        for (const char *field : {"Text9", "Text7", "Text8", "Text12"})
            out << field << ' ' << E2e::fieldText(&form, field) << Qt::endl;
        app.quit();
    });
    poll.start(20);
    QTimer::singleShot(60000, &app, &QCoreApplication::quit);
    return app.exec();
}

void TstProgram::enterAtTheFirstPaint()
{
    QProcess *child =
        start({QStringLiteral("--enter-at-first-paint")}, QCoreApplication::applicationFilePath());
    QVERIFY(child->waitForFinished(70000));
    const QString out = QString::fromUtf8(child->readAllStandardOutput());
    SampleShop shop;
    for (const SampleShop &s : Marketplace::sampleShops()) {
        if (s.nick == u"sunny_bags")
            shop = s;
    }
    const QString expected = QStringLiteral("loaded at enter 0\nText9 %1\nText7 %2\nText8 %3\n"
                                            "Text12 %4\n")
                                 .arg(shop.expect.sellerCredit, shop.expect.recentGoodRatings,
                                      shop.expect.recentBadRatings, shop.expect.registeredOn);
    QCOMPARE(out, expected);
}

// Without its module beside it or in a library folder next to it, the
// program still opens its window and says nothing on the terminal.
void TstProgram::startsWithoutItsModule()
{
    QTemporaryDir prefix;
    QVERIFY(QDir().mkpath(prefix.filePath(QStringLiteral("bin"))));
    const QString copy = prefix.filePath(QStringLiteral("bin/lumora"));
    QVERIFY(QFile::copy(QStringLiteral(LUMORA_BINARY), copy));
    QProcess *p = start({}, copy);
    QVERIFY(p->waitForStarted());
    QVERIFY(!p->waitForFinished(2500));
    p->terminate();
    QVERIFY(p->waitForFinished(10000));
    QCOMPARE(p->readAllStandardError(), QByteArray());
}

void TstProgram::endsInOrderOnSignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM, as at log-out") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
    QTest::newRow("SIGINT, Ctrl+C in a terminal") << int(SIGINT);
}

// Asked to end by the session, the program ends as after "退出": normally,
// with its single-instance mark gone.
void TstProgram::endsInOrderOnSignal()
{
    QFETCH(int, signal);
    const QString mark = m_runtime.filePath(QStringLiteral("lumora.lock"));
    QProcess *p = start();
    QVERIFY(p->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(mark), 5000);
    QTest::qWait(1000); // the window is up and the engine loading
    ::kill(pid_t(p->processId()), signal);
    QVERIFY(p->waitForFinished(10000));
    QCOMPARE(p->exitStatus(), QProcess::NormalExit);
    QCOMPARE(p->exitCode(), 0);
    QVERIFY(!QFile::exists(mark));
}

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--exit-during-lookup") == 0)
        return exitDuringLookupChild(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--enter-at-first-paint") == 0)
        return enterAtFirstPaintChild(argc, argv);
    QCoreApplication app(argc, argv);
    TstProgram test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_program.moc"
