// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// The program as a process: one instance at a time, and a prompt end even in
// the middle of a lookup.
#include "e2esupport.h"
#include "session.h"

#include <QDir>
#include <QKeyEvent>
#include <QProcess>
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
    QProcessEnvironment environment() const;
    QProcess *start(const QStringList &args = {},
                    const QString &program = QStringLiteral(LUMORA_BINARY));
    std::unique_ptr<ProgramTest::Session> startDriven(const QString &program);
    QString mark() const { return m_runtime.filePath(QStringLiteral("lumora.lock")); }
    QTemporaryDir m_runtime;
    QTemporaryDir m_home;
};

namespace {

// The process that holds the single-instance mark, by the number the mark
// names; 0 while nobody holds it.
qint64 markHolder(const QString &mark)
{
    QFile file(mark);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readLine().trimmed().toLongLong();
}

} // namespace

void TstProgram::initTestCase()
{
    QVERIFY(m_runtime.isValid());
    QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QProcessEnvironment TstProgram::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    env.insert(QStringLiteral("HOME"), m_home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

QProcess *TstProgram::start(const QStringList &args, const QString &program)
{
    auto *p = new QProcess(this);
    p->setProcessEnvironment(environment());
    p->start(program, args);
    return p;
}

// The program with the test driver loaded into it, which reports when the
// window is up.
std::unique_ptr<ProgramTest::Session> TstProgram::startDriven(const QString &program)
{
    auto s = std::make_unique<ProgramTest::Session>(ProgramTest::Platform::Offscreen, QString(),
                                                    QStringLiteral("HOME=") + m_home.path());
    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(LUMORA_DRIVER));
    s->process().setProcessEnvironment(env);
    s->process().start(program, QStringList());
    return s;
}

void TstProgram::secondStartEndsAtOnce()
{
    QProcess *first = start();
    QVERIFY(first->waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(markHolder(mark()), first->processId(), 30000);

    QProcess *second = start();
    QVERIFY(second->waitForFinished(30000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(second->readAllStandardOutput(), QByteArray());
    QCOMPARE(second->readAllStandardError(), QByteArray());

    QCOMPARE(first->state(), QProcess::Running);
    QCOMPARE(markHolder(mark()), first->processId());
    first->terminate();
    QVERIFY(first->waitForFinished(30000));
}

void TstProgram::markOfAKilledInstanceIsTakenOver()
{
    QProcess *first = start();
    QVERIFY(first->waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(markHolder(mark()), first->processId(), 30000);
    ::kill(pid_t(first->processId()), SIGKILL);
    QVERIFY(first->waitForFinished(30000));

    // The mark is left behind, naming a process that is gone: the next start
    // takes it over and runs.
    QProcess *next = start();
    QVERIFY(next->waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(markHolder(mark()), next->processId(), 30000);
    QCOMPARE(next->state(), QProcess::Running);
    next->terminate();
    QVERIFY(next->waitForFinished(30000));
}

// The child half of the exit test: a lookup that waits on a page that never
// finishes, then "退出" once the lookup has reached that page.
static int exitDuringLookupChild(int argc, char *argv[])
{
    QApplication app(argc, argv);
    E2e::LiveWindow w;
    w.open();
    w.get<QLineEdit>("txtTB")->setText(QStringLiteral("slow_mirror"));
    w.form->lookup().cmdTBCX_Click();
    // The shop's front page is asked for once the search has been read.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (w.form->lookup().lookupStage() != ShopLookup::Stage::ShopPage)
            return;
        poll.stop();
        QTextStream(stdout) << "exit pressed" << Qt::endl;
        w.get<QPushButton>("Command1")->click();
    });
    poll.start(10);
    return app.exec();
}

void TstProgram::exitDuringALookupEndsAtOnce()
{
    QProcess *child =
        start({QStringLiteral("--exit-during-lookup")}, QCoreApplication::applicationFilePath());
    QVERIFY(child->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(child->canReadLine() || child->state() != QProcess::Running, 60000);
    QCOMPARE(child->readLine().trimmed(), QByteArray("exit pressed"));
    // It may well have ended before its line was read; waitForFinished()
    // reports false for a process that is no longer running. The page it
    // waited on never finishes: only "退出" ends it.
    if (child->state() != QProcess::NotRunning)
        QVERIFY(child->waitForFinished(30000));
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
    const SampleShop shop = Marketplace::sampleShop(QStringLiteral("sunny_bags"));
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
    const auto s = startDriven(copy);
    QVERIFY(s->waitReady());
    s->process().terminate();
    QVERIFY(s->process().waitForFinished(30000));
    for (const QString &line : s->log())
        QVERIFY2(line.trimmed().isEmpty() || line.startsWith(QLatin1String("lumora-driver: ")),
                 qPrintable(line));
    QCOMPARE(s->process().readAllStandardOutput(), QByteArray());
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
    const auto s = startDriven(QStringLiteral(LUMORA_BINARY));
    QVERIFY(s->waitReady()); // the engine loads right after the first paint
    QVERIFY(QFile::exists(mark()));
    ::kill(pid_t(s->process().processId()), signal);
    QVERIFY(s->process().waitForFinished(30000));
    QCOMPARE(s->process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(s->process().exitCode(), 0);
    QVERIFY(!QFile::exists(mark()));
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
