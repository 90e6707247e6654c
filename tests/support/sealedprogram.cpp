// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "sealedprogram.h"

#include "evaluation/shopfacts.h"
#include "lookup/messages.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QTest>

#include <unistd.h>

namespace ProgramTest {

namespace {

// The messages the window itself may show in its error boxes.
const QStringList kOwnMessages = {Messages::kUnread, Messages::kNotFound, Messages::kReadOnly,
                                  Messages::kNoName, Messages::kEngineMissing};
// Whatever a desktop may start to open an address.
const QStringList kOpeners =
    QStringLiteral("xdg-open gio kde-open kde-open5 gnome-open exo-open kfmclient "
                   "sensible-browser x-www-browser www-browser firefox chromium google-chrome "
                   "opera mozilla browser-recorder")
        .split(u' ');
// The schemes of the addresses the marketplace's pages try to leave for.
const QStringList kForeignSchemes =
    QStringLiteral("aliim wangwang mailto file taobao tbopen weixin alipays tel sms web+taobao")
        .split(u' ');
// The clicks that try to reach a hidden page, and the time each is given.
constexpr int kClicks = 6;
constexpr int kClickMs = 500;
// The sample shop looked up right after a hostile page, to see that nothing
// of the page reached the next lookup.
const QString kOrdinaryShop = QStringLiteral("sunny_bags");

} // namespace

QStringList Outcome::escapes() const
{
    QStringList out;
    for (const QString &w : strangers)
        out << QStringLiteral("a window appeared: ") + w;
    for (const QString &a : handedOver)
        out << QStringLiteral("handed to the desktop: ") + a;
    for (const QString &change : clipboard)
        out << QStringLiteral("the clipboard changed: ") + change;
    for (const QString &entry : written)
        out << QStringLiteral("written: ") + entry;
    if (died)
        out << QStringLiteral("the program ended");
    if (!trouble.isEmpty())
        out << trouble;
    return out;
}

QJsonObject factsOf(const SampleExpectation &e)
{
    const ShopFacts facts{e.sellerCredit,   e.recentGoodRatings,  e.recentBadRatings,
                          e.registeredOn,   e.consumerProtection, e.violations,
                          e.refundDisputes, e.complaintDisputes,  e.penalties};
    QJsonObject o;
    for (const FactText &t : kFactTexts)
        o[QLatin1String(t.control)] = facts.*t.fact;
    for (const FactFlag &f : kFactFlags)
        o[QLatin1String(f.control)] = facts.*f.fact;
    return o;
}

QString compact(const QJsonObject &o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

Program::Program(QString programPath, Marketplace *market)
    : m_programPath(std::move(programPath)), m_market(market),
      m_ordinary(Marketplace::sampleShop(kOrdinaryShop))
{
}

Program::~Program()
{
    if (m_session)
        m_session->stop();
}

bool Program::prepare()
{
    if (m_ordinary.expect.sellerCredit.isEmpty())
        return fail(QStringLiteral("no sample shop ") + kOrdinaryShop);
    if (!m_folders.make(QStringLiteral("lumora-sealed")))
        return fail(QStringLiteral("no work folder"));
    m_folders.giveAll();
    m_folders.give(QStringLiteral("XDG_RUNTIME_DIR"));
    // Downloads would land in the download folder the user named, if
    // anywhere: it is in the home that is watched.
    const QString downloads = m_folders.folder(QStringLiteral("home/Downloads"));
    QFile dirs(m_folders.folder(QStringLiteral("xdg_config_home")) +
               QStringLiteral("/user-dirs.dirs"));
    if (!dirs.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write ") + dirs.fileName());
    dirs.write("XDG_DOWNLOAD_DIR=\"" + QFile::encodeName(downloads) + "\"\n");
    dirs.close();

    // The recorders write what they were asked to open into a file of
    // the test's, outside the watched folders.
    m_recorded = m_folders.workPath() + QStringLiteral("/handed-to-the-desktop.txt");
    const QString bin = m_folders.folder(QStringLiteral("recorders"));
    for (const QString &name : kOpeners) {
        QFile script(bin + u'/' + name);
        if (!script.open(QIODevice::WriteOnly))
            return fail(QStringLiteral("cannot write ") + script.fileName());
        script.write("#!/bin/sh\nprintf '%s %s\\n' \"${0##*/}\" \"$*\" >> '" +
                     QFile::encodeName(m_recorded) + "'\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    m_before = snapshot(m_folders.roots());

    QProcessEnvironment &env = m_folders.environment();
    const QString proxy = QStringLiteral("http://127.0.0.1:%1").arg(m_market->port());
    env.insert(QStringLiteral("PATH"), bin + QStringLiteral(":/usr/bin:/bin"));
    env.insert(QStringLiteral("BROWSER"), bin + QStringLiteral("/browser-recorder"));
    env.insert(QStringLiteral("DEFAULT_BROWSER"), bin + QStringLiteral("/browser-recorder"));
    env.insert(QStringLiteral("http_proxy"), proxy);
    env.insert(QStringLiteral("https_proxy"), proxy);
    // A page that takes memory until none is left meets the engine's
    // limit at half a gigabyte rather than at several, so the test stays
    // light on a shared machine; ordinary pages stay far below it. A
    // camera and a microphone that the engine makes up itself: without
    // any, a page's request for them fails before it reaches the browser.
    env.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"),
               QStringLiteral("--js-flags=--max-old-space-size=512 "
                              "--use-fake-device-for-media-stream"));
    if (geteuid() == 0) // the browser engine's sandbox cannot run as root
        env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(LUMORA_DRIVER));
    const QString display = startScreen(&m_xvfb);
    if (!display.isEmpty()) {
        // On X, Qt hands addresses to xdg-open and its kin: the recorders.
        env.insert(QStringLiteral("DISPLAY"), display);
    } else {
        // Offscreen, Qt hands nothing to the desktop by itself; the
        // driver takes the addresses in its place.
        qWarning("no Xvfb here (tools/install-deps installs it): the program runs offscreen");
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("LUMORA_DRIVER_URL_SCHEMES"),
                   (kForeignSchemes + QStringList{QStringLiteral("http"), QStringLiteral("https")})
                       .join(u','));
    }
    return true;
}

bool Program::ensureRunning()
{
    if (running())
        return true;
    if (m_session)
        leftovers(); // a program that ended by itself or was killed
    m_session =
        std::make_unique<Session>(Platform::Offscreen, // input through the driver, on X too
                                  QString(), QStringLiteral("HOME=") + m_folders.roots()[0].second);
    m_session->process().setProcessEnvironment(m_folders.environment());
    m_session->process().start(m_programPath, QStringList());
    ++m_starts;
    if (!m_session->process().waitForStarted(10000) || !m_session->waitReady())
        return fail(QStringLiteral("the window never appeared; ") + lastLines());
    // The program's own page limit, read back from the first change.
    m_session->send(QStringLiteral("pagelimit %1").arg(kShortPageLimitMs));
    static const QRegularExpression was(QStringLiteral("^run pagelimit \\d+ \\(was (\\d+)\\)$"));
    int limit = 0;
    const bool read = QTest::qWaitFor(
        [&] {
            for (const QByteArray &r : m_session->reports()) {
                const auto m = was.match(QString::fromUtf8(r));
                if (m.hasMatch())
                    limit = m.captured(1).toInt();
            }
            return limit > 0 || !running();
        },
        kStepMs);
    if (!read || limit <= 0)
        return fail(QStringLiteral("the driver could not set the page limit; ") + lastLines());
    if (m_defaultLimit == 0)
        m_defaultLimit = limit;
    m_limit = kShortPageLimitMs;
    return true;
}

void Program::restart(const QString &why)
{
    if (!m_session)
        return;
    qInfo("the program is started anew: %s", qPrintable(why));
    if (qEnvironmentVariableIsSet("LUMORA_TEST_VERBOSE"))
        qInfo("the program's output:\n  %s",
              qPrintable(m_session->log().join(QStringLiteral("\n  "))));
    m_session->stop();
    leftovers();
    m_session.reset();
}

Outcome Program::lookUp(const QString &name, int pageLimitMs)
{
    Outcome out;
    if (!ensureRunning()) {
        out.trouble = m_trouble;
        out.died = true;
        return out;
    }
    Session &s = *m_session;
    const Mark start = mark();
    const qsizetype from = start.reports;
    const int limit = pageLimitMs > 0 ? pageLimitMs : m_defaultLimit;
    if (limit != m_limit) {
        s.send(QStringLiteral("pagelimit %1").arg(limit));
        m_limit = limit;
    }
    s.enterName(name);
    m_typed.insert(name);

    const auto collect = [&] {
        out.state = s.state();
        out.died = !s.running();
        collectSince(start, &out);
    };
    const auto stopEarly = [&] { return !s.running() || strangerSince(from); };

    // The lookup starts: 鉴定 is disabled.
    if (!QTest::qWaitFor(
            [&] { return !s.state().value(QStringLiteral("search")).toBool() || stopEarly(); },
            kStepMs)) {
        out.trouble = QStringLiteral("the lookup of %1 never started").arg(name);
        collect();
        return out;
    }
    // The window answers while the page loads.
    const QString token = QStringLiteral("%1-%2").arg(m_starts).arg(++m_pings);
    s.send(QStringLiteral("ping ") + token);
    const QByteArray pong = "pong " + token.toUtf8();
    if (!QTest::qWaitFor([&] { return s.reports().mid(from).contains(pong) || stopEarly(); },
                         kStepMs)) {
        out.trouble = QStringLiteral("the window did not answer while %1 was looked up").arg(name);
        collect();
        return out;
    }
    const auto ended = [](const QJsonObject &st) {
        return st.value(QStringLiteral("search")).toBool() &&
               st.value(QStringLiteral("name")).toBool() &&
               st.value(QStringLiteral("status")).toString() == Messages::kReady &&
               (st.value(QStringLiteral("details")).toBool() ||
                !st.value(QStringLiteral("box")).isNull());
    };
    // The page limit, the lookup's own steps and a generous margin.
    out.ended =
        QTest::qWaitFor([&] { return ended(s.state()) || stopEarly(); }, 3 * limit + kStepMs) &&
        ended(s.state());
    if (out.ended && !s.state().value(QStringLiteral("box")).isNull()) {
        out.box = s.state().value(QStringLiteral("box")).toString();
        out.state = s.state();
        if (!s.closeBox())
            out.trouble = QStringLiteral("the message box stayed open");
        collect();
        out.state[QStringLiteral("box")] = out.box;
        return out;
    }
    collect();
    return out;
}

QStringList Program::endingProblems(const Outcome &o, const QJsonObject &expected, Allowed allowed)
{
    QStringList problems;
    const bool facts = o.hasFacts(expected);
    const bool unread = !o.read() && o.box == Messages::kUnread &&
                        o.facts().value(QStringLiteral("Text9")).toString().isEmpty();
    // Misleading pages may make any lookup: facts of whatever was read, or
    // either of the messages a lookup ends with.
    const bool inOrder =
        (o.read() && o.box.isEmpty()) ||
        (!o.read() && (o.box == Messages::kUnread || o.box == Messages::kNotFound));
    if (!o.ended)
        problems << QStringLiteral("the lookup never ended");
    else if (allowed == Allowed::Facts && !facts)
        problems << QStringLiteral("not the shop's facts, which are ") + compact(expected);
    else if (allowed == Allowed::Unread && !unread)
        problems << QStringLiteral("not \"%1\"").arg(Messages::kUnread);
    else if (allowed == Allowed::FactsOrUnread && !facts && !unread)
        problems << QStringLiteral("neither the shop's facts (%1) nor \"%2\"")
                        .arg(compact(expected), Messages::kUnread);
    else if (!inOrder)
        problems << QStringLiteral("not in order");
    if (!o.trouble.isEmpty())
        problems << o.trouble;
    if (!problems.isEmpty() || !o.escapes().isEmpty())
        problems << QStringLiteral("the window showed ") + compact(o.state);
    return problems;
}

// The engine ignores input to a page for a moment after it has arrived and
// been drawn, so the click is repeated; where a click can reach the page at
// all, one lands within about a second. Lumora lets no input reach its
// hidden page, so after a few seconds of clicks the page has still said
// nothing.
bool Program::poke(const QString &mark)
{
    if (!running())
        return false;
    const qsizetype from = m_session->reports().size();
    const auto done = [&] {
        return m_market->marks().contains(mark) || !running() || strangerSince(from);
    };
    if (!QTest::qWaitFor(
            [&] {
                return m_market->marks().contains(QStringLiteral("drawn-") + mark) || !running();
            },
            kStepMs))
        return false;
    for (int click = 0; click < kClicks && !done(); ++click) {
        m_session->send(QStringLiteral("poke"));
        [[maybe_unused]] const bool answered = QTest::qWaitFor(done, kClickMs);
    }
    return m_market->marks().contains(mark);
}

Program::Mark Program::mark() const
{
    return {m_session ? m_session->reports().size() : 0, recorded().size(), userFolders()};
}

void Program::collectSince(const Mark &start, Outcome *out) const
{
    if (m_session) {
        for (qsizetype i = start.reports; i < m_session->reports().size(); ++i)
            note(m_session->reports()[i], out);
    }
    out->handedOver << recorded().mid(start.recorded);
    out->written << differences(start.folders, userFolders());
}

QStringList Program::endRow(const Mark &start, bool ordinaryToo, const QStringList &problems,
                            Outcome *row)
{
    QStringList late;
    *row = Outcome();
    collectSince(start, row);
    if (ordinaryToo && row->strangers.isEmpty() && !row->died) {
        const Outcome next = lookUp(m_ordinary.nick);
        const QJsonObject expected = factsOf(m_ordinary.expect);
        if (!next.ended || !next.hasFacts(expected))
            late << QStringLiteral("the lookup of %1 after it was not right: the window showed "
                                   "%2, its facts are %3")
                        .arg(m_ordinary.nick, compact(next.state), compact(expected));
        *row = Outcome();
        collectSince(start, row);
    }
    if (!row->selection.isEmpty())
        qInfo("the page selected: %s", qPrintable(row->selection.join(QStringLiteral(" | "))));
    return row->escapes() + problems + late;
}

QString Program::finishAll()
{
    QStringList left;
    if (running()) {
        m_session->click(QStringLiteral("Command1"));
        if (!QTest::qWaitFor([&] { return !running(); }, kStepMs))
            left << QStringLiteral("\"退出\" did not end the program");
        for (const QString &k : m_session->stop())
            left << QStringLiteral("still running: ") + k;
    }
    m_session.reset();
    left << differences(m_before, snapshot(m_folders.roots()));
    qInfo("the program was started %d times", m_starts);
    if (left.isEmpty())
        return {};
    return QStringLiteral("%1 entries left behind or running: ").arg(left.size()) +
           left.join(QStringLiteral("; "));
}

bool Program::fail(const QString &why)
{
    m_trouble = why;
    return false;
}

// The folders a page could leave something in for good; the runtime and
// temporary folders hold the program's own files while it runs.
Tree Program::userFolders() const
{
    Roots roots;
    for (const auto &root : m_folders.roots()) {
        if (root.first != u"TMPDIR" && root.first != u"XDG_RUNTIME_DIR")
            roots << root;
    }
    return snapshot(roots);
}

QStringList Program::recorded() const
{
    QFile f(m_recorded);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

static bool isOwnWindow(const QJsonObject &w)
{
    const QString cls = w.value(QStringLiteral("class")).toString();
    if (cls == u"Form1")
        return true;
    return cls == u"QMessageBox" && w.value(QStringLiteral("title")).toString() == u"错误" &&
           kOwnMessages.contains(w.value(QStringLiteral("text")).toString());
}

bool Program::strangerSince(qsizetype from) const
{
    for (qsizetype i = from; i < m_session->reports().size(); ++i) {
        const QByteArray &r = m_session->reports()[i];
        if (r.startsWith("window ") && !isOwnWindow(QJsonDocument::fromJson(r.mid(7)).object()))
            return true;
    }
    return false;
}

void Program::note(const QByteArray &report, Outcome *out) const
{
    if (report.startsWith("window ")) {
        const QJsonObject w = QJsonDocument::fromJson(report.mid(7)).object();
        if (!isOwnWindow(w))
            out->strangers << compact(w);
    } else if (report.startsWith("desktop ")) {
        out->handedOver << QString::fromUtf8(report.mid(8));
    } else if (report.startsWith("clipboard ")) {
        // The X selection follows whatever is selected, in the page as in
        // the name box (Ctrl+A there is the window's own doing): noted, not
        // held against the page. The clipboard is only ever written on
        // purpose.
        const QString change = QString::fromUtf8(report.mid(10));
        if (!change.startsWith(QLatin1String("selection ")))
            out->clipboard << change;
        else if (!m_typed.contains(change.mid(10)))
            out->selection << change.mid(10);
    }
}

// A program that ended without 退出 (killed, or crashed) leaves its lock file
// behind, as it cannot remove it; it is the only file it may leave, and it
// goes here so that the folders are compared at the end as if every run had
// ended in order.
void Program::leftovers()
{
    if (m_session)
        m_session->stop();
    QFile::remove(m_folders.roots().last().second + QStringLiteral("/lumora.lock"));
}

void SealedTest::initTestCase()
{
    QVERIFY(m_market.listen());
    m_program = std::make_unique<Program>(
        qEnvironmentVariable("LUMORA_SEALED_PROGRAM", QStringLiteral(LUMORA_BINARY)), &m_market);
    QVERIFY2(m_program->prepare(), qPrintable(m_program->trouble()));
    QVERIFY2(m_program->ensureRunning(), qPrintable(m_program->trouble()));
}

void SealedTest::cleanup()
{
    // After a failed row the program is started anew, so that what the row
    // left behind cannot fail the next one.
    if (!QTest::currentTestFailed())
        return;
    m_failed << QString::fromUtf8(QTest::currentDataTag());
    m_program->restart(QStringLiteral("after the failed row ") + m_failed.last());
}

void SealedTest::cleanupTestCase()
{
    // A long log is cut short by whoever shows it: its end names what failed.
    if (!m_failed.isEmpty())
        qInfo("failed rows:\n  %s", qPrintable(m_failed.join(QStringLiteral("\n  "))));
    const QString left = m_program->finishAll();
    QVERIFY2(left.isEmpty(), qPrintable(left));
}

} // namespace ProgramTest
