// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// The real program, run the way the sealed-browser tests need it: on a
// private X screen (offscreen when there is none), with fresh, empty home, XDG
// and temporary folders, and with every way of handing an address to the
// desktop replaced by a recorder: xdg-open and its kin first on its PATH,
// BROWSER and DEFAULT_BROWSER naming a recorder. One lookup at a time is run
// through the driver, and everything the driver saw meanwhile is collected:
// the windows shown, the addresses handed over, the clipboard.
#pragma once

#include "marketplace/marketplace.h"
#include "marketplace/sampleshop.h"
#include "programsession.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <memory>

namespace SealedProgram {

using namespace ProgramSession;

inline const QString kReady = QStringLiteral("准备就绪");
inline const QString kUnread = QStringLiteral("无法读取该店铺的信息，请稍后再试！");
inline const QString kNotFound =
    QStringLiteral("您所查询的店铺不存在，请注意查询请输入旺旺名，不是对方起的名！");
// The messages the window itself may show in its error boxes.
inline const QStringList kOwnMessages = {
    kUnread, kNotFound, QStringLiteral("本项严禁修改！"), QStringLiteral("请输入店铺名!"),
    QStringLiteral("本软件的浏览器组件缺失或无法加载，无法查询店铺，请重新安装本软件！")};
// Whatever a desktop may start to open an address.
inline const QStringList kOpeners = {
    QStringLiteral("xdg-open"),      QStringLiteral("gio"),
    QStringLiteral("kde-open"),      QStringLiteral("kde-open5"),
    QStringLiteral("gnome-open"),    QStringLiteral("exo-open"),
    QStringLiteral("kfmclient"),     QStringLiteral("sensible-browser"),
    QStringLiteral("x-www-browser"), QStringLiteral("www-browser"),
    QStringLiteral("firefox"),       QStringLiteral("chromium"),
    QStringLiteral("google-chrome"), QStringLiteral("opera"),
    QStringLiteral("mozilla"),       QStringLiteral("browser-recorder")};
// The schemes of the addresses the marketplace's pages try to leave for.
inline const QStringList kForeignSchemes = {
    QStringLiteral("aliim"),  QStringLiteral("wangwang"),  QStringLiteral("mailto"),
    QStringLiteral("file"),   QStringLiteral("taobao"),    QStringLiteral("tbopen"),
    QStringLiteral("weixin"), QStringLiteral("alipays"),   QStringLiteral("tel"),
    QStringLiteral("sms"),    QStringLiteral("web+taobao")};
// Where the window's controls are, in window coordinates.
inline const QPoint kNameBox(220, 16);
inline const QPoint kExit(496, 360);
// The page limit for lookups that may end at it; the program's own applies
// to the others.
constexpr int kShortPageLimitMs = 3000;
// The clicks that try to reach a hidden page, and the time each is given.
constexpr int kClicks = 6;
constexpr int kClickMs = 500;

// How one lookup went.
struct Outcome {
    bool ended = false;     // the lookup ended: 鉴定 and the name box enabled, "准备就绪"
    bool died = false;      // the program ended meanwhile
    QString box;            // the error box it ended with; empty when none
    QJsonObject state;      // what the window showed at the end
    QStringList strangers;  // windows that are not Lumora's own
    QStringList handedOver; // addresses handed to the desktop
    QStringList clipboard;  // changes of the clipboard
    QStringList selection;  // changes of the X selection but for the names typed
    QStringList written;    // entries new or changed in the home and XDG folders
    QString trouble;        // what went wrong with the run itself, if anything

    bool read() const { return state.value(QStringLiteral("details")).toBool(); }
    QJsonObject facts() const { return state.value(QStringLiteral("facts")).toObject(); }

    // What escaped the page or went wrong with the program, one line each:
    // empty when the lookup ran its course in a sealed browser.
    QStringList escapes() const
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
};

// The nine facts as the driver reports them.
inline QJsonObject factsOf(const SampleExpectation &e)
{
    QJsonObject o;
    o[QStringLiteral("Text9")] = e.sellerCredit;
    o[QStringLiteral("Text7")] = e.recentGoodRatings;
    o[QStringLiteral("Text8")] = e.recentBadRatings;
    o[QStringLiteral("Text12")] = e.registeredOn;
    o[QStringLiteral("Check2")] = e.consumerProtection;
    o[QStringLiteral("Check3")] = e.violations;
    o[QStringLiteral("Check4")] = e.refundDisputes;
    o[QStringLiteral("Check5")] = e.complaintDisputes;
    o[QStringLiteral("Check6")] = e.penalties;
    return o;
}

inline QString compact(const QJsonObject &o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

// The sample shop looked up right after a hostile page, to see that nothing
// of the page reached the next lookup.
inline const QString kOrdinaryShop = QStringLiteral("sunny_bags");

inline SampleShop ordinaryShop()
{
    for (const SampleShop &shop : Marketplace::sampleShops()) {
        if (shop.nick == kOrdinaryShop)
            return shop;
    }
    return {};
}

class Program {
public:
    // Where the reports of the driver and the recorders' file stood at a moment.
    struct Mark {
        qsizetype reports = 0;
        qsizetype recorded = 0;
        Tree folders; // the home and XDG folders, not the runtime or temporary one
    };

    Program(QString programPath, QString driverPath, Marketplace *market)
        : m_programPath(std::move(programPath)), m_driverPath(std::move(driverPath)),
          m_market(market)
    {
    }
    ~Program()
    {
        if (m_session)
            m_session->stop();
    }

    // Makes the folders and recorders and starts the screen; false with
    // trouble() set when that fails.
    bool prepare()
    {
        QString base = QStringLiteral("/var/tmp");
        if (!QFileInfo(base).isWritable())
            base = QDir::tempPath();
        m_work = std::make_unique<QTemporaryDir>(base + QStringLiteral("/lumora-sealed-XXXXXX"));
        if (!m_work->isValid())
            return fail(QStringLiteral("no work folder in ") + base);
        const auto folder = [&](const QString &name) {
            const QString path = m_work->filePath(name);
            QDir().mkpath(path);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            return path;
        };
        m_roots = {{QStringLiteral("HOME"), folder(QStringLiteral("home"))}};
        for (const char *name : {"XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                                 "XDG_STATE_HOME", "TMPDIR", "XDG_RUNTIME_DIR"})
            m_roots << qMakePair(QString::fromLatin1(name),
                                 folder(QString::fromLatin1(name).toLower()));
        // Downloads would land in the download folder the user named, if
        // anywhere: it is in the home that is watched.
        const QString downloads = folder(QStringLiteral("home/Downloads"));
        QFile dirs(m_work->filePath(QStringLiteral("xdg_config_home/user-dirs.dirs")));
        if (!dirs.open(QIODevice::WriteOnly))
            return fail(QStringLiteral("cannot write ") + dirs.fileName());
        dirs.write("XDG_DOWNLOAD_DIR=\"" + QFile::encodeName(downloads) + "\"\n");
        dirs.close();

        // The recorders write what they were asked to open into a file of
        // the test's, outside the watched folders.
        m_recorded = m_work->filePath(QStringLiteral("handed-to-the-desktop.txt"));
        const QString bin = folder(QStringLiteral("recorders"));
        for (const QString &name : kOpeners) {
            QFile script(bin + u'/' + name);
            if (!script.open(QIODevice::WriteOnly))
                return fail(QStringLiteral("cannot write ") + script.fileName());
            script.write("#!/bin/sh\nprintf '%s %s\\n' \"${0##*/}\" \"$*\" >> '" +
                         QFile::encodeName(m_recorded) + "'\n");
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        m_before = snapshot(m_roots);

        const QString proxy = QStringLiteral("http://127.0.0.1:%1").arg(m_market->port());
        m_env.insert(QStringLiteral("PATH"), bin + QStringLiteral(":/usr/bin:/bin"));
        m_env.insert(QStringLiteral("BROWSER"), bin + QStringLiteral("/browser-recorder"));
        m_env.insert(QStringLiteral("DEFAULT_BROWSER"), bin + QStringLiteral("/browser-recorder"));
        m_env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        for (const auto &[label, path] : std::as_const(m_roots))
            m_env.insert(label, path);
        m_env.insert(QStringLiteral("http_proxy"), proxy);
        m_env.insert(QStringLiteral("https_proxy"), proxy);
        // A page that takes memory until none is left meets the engine's
        // limit at half a gigabyte rather than at several, so the test stays
        // light on a shared machine; ordinary pages stay far below it. A
        // camera and a microphone that the engine makes up itself: without
        // any, a page's request for them fails before it reaches the browser.
        m_env.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"),
                     QStringLiteral("--js-flags=--max-old-space-size=512 "
                                    "--use-fake-device-for-media-stream"));
        if (geteuid() == 0) // the browser engine's sandbox cannot run as root
            m_env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
        m_env.insert(QStringLiteral("LD_PRELOAD"), m_driverPath);
        if (m_xvfb.start(QStringLiteral("Xvfb"),
                         {QStringLiteral("-displayfd"), QStringLiteral("1"),
                          QStringLiteral("-screen"), QStringLiteral("0"),
                          QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                          QStringLiteral("tcp"),
                          // no reset when a client leaves: it refuses the next one meanwhile
                          QStringLiteral("-noreset")})) {
            // On X, Qt hands addresses to xdg-open and its kin: the recorders.
            m_env.insert(QStringLiteral("DISPLAY"), u':' + m_xvfb.line());
        } else {
            // Offscreen, Qt hands nothing to the desktop by itself; the
            // driver takes the addresses in its place.
            qWarning("no Xvfb here (tools/install-deps installs it): the program runs offscreen");
            m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            m_env.insert(
                QStringLiteral("LUMORA_DRIVER_URL_SCHEMES"),
                (kForeignSchemes + QStringList{QStringLiteral("http"), QStringLiteral("https")})
                    .join(u','));
        }
        return true;
    }

    QString trouble() const { return m_trouble; }
    int starts() const { return m_starts; }
    bool running() const { return m_session && m_session->running(); }
    int defaultPageLimit() const { return m_defaultLimit; }

    // Starts the program if it is not running; false with trouble() set when
    // its window never appeared.
    bool ensureRunning()
    {
        if (running())
            return true;
        if (m_session)
            leftovers(); // a program that ended by itself or was killed
        m_session =
            std::make_unique<Session>(Platform::Offscreen, // input through the driver, on X as well
                                      QString(), QStringLiteral("HOME=") + m_roots.first().second);
        m_session->process().setProcessEnvironment(m_env);
        m_session->process().start(m_programPath, QStringList());
        ++m_starts;
        if (!m_session->process().waitForStarted(10000) || !m_session->waitReady())
            return fail(QStringLiteral("the window never appeared; ") + lastLines());
        // The program's own page limit, read back from the first change.
        m_session->send(QStringLiteral("pagelimit %1").arg(kShortPageLimitMs));
        static const QRegularExpression was(
            QStringLiteral("^run pagelimit \\d+ \\(was (\\d+)\\)$"));
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

    // Kills the program, so that the next lookup starts it anew.
    void restart(const QString &why)
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

    // Looks name up with the given page limit (0: the program's own) and
    // waits until the lookup has ended and its message box, if any, is
    // answered.
    Outcome lookUp(const QString &name, int pageLimitMs = 0)
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
        s.click(kNameBox);
        s.key(QStringLiteral("ctrl+a"));
        s.key(QStringLiteral("BackSpace"));
        s.type(name);
        m_typed.insert(name);
        s.key(QStringLiteral("Return"));

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
            out.trouble =
                QStringLiteral("the window did not answer while %1 was looked up").arg(name);
            collect();
            return out;
        }
        const auto ended = [](const QJsonObject &st) {
            return st.value(QStringLiteral("search")).toBool() &&
                   st.value(QStringLiteral("name")).toBool() &&
                   st.value(QStringLiteral("status")).toString() == kReady &&
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
            s.answer();
            if (!s.waitFor(
                    [](const QJsonObject &st) { return st.value(QStringLiteral("box")).isNull(); }))
                out.trouble = QStringLiteral("the message box stayed open");
            collect();
            out.state[QStringLiteral("box")] = out.box;
            return out;
        }
        collect();
        return out;
    }

    // Tries to give the page the user activation that some of its requests
    // need, and waits until the page says it has made them (see
    // Sealed::Case). The engine ignores input to a page for a moment after it
    // has arrived and been drawn, so the click is repeated; where a click can
    // reach the page at all, one lands within about a second. Lumora lets no
    // input reach its hidden page, so after a few seconds of clicks the page
    // has still said nothing: false.
    bool poke(const QString &mark)
    {
        if (!running())
            return false;
        const qsizetype from = m_session->reports().size();
        const auto done = [&] {
            return m_market->marks().contains(mark) || !running() || strangerSince(from);
        };
        if (!QTest::qWaitFor(
                [&] {
                    return m_market->marks().contains(QStringLiteral("drawn-") + mark) ||
                           !running();
                },
                kStepMs))
            return false;
        for (int click = 0; click < kClicks && !done(); ++click) {
            m_session->send(QStringLiteral("poke"));
            [[maybe_unused]] const bool answered = QTest::qWaitFor(done, kClickMs);
        }
        return m_market->marks().contains(mark);
    }

    Mark mark() const
    {
        return {m_session ? m_session->reports().size() : 0, recorded().size(), userFolders()};
    }

    // Everything since start that a sealed browser never lets happen, added
    // to out: windows not Lumora's own, addresses handed to the desktop (by
    // the recorders or to the driver), clipboard changes.
    void collectSince(const Mark &start, Outcome *out) const
    {
        if (m_session) {
            for (qsizetype i = start.reports; i < m_session->reports().size(); ++i)
                note(m_session->reports()[i], out);
        }
        out->handedOver << recorded().mid(start.recorded);
        out->written << differences(start.folders, userFolders());
    }

    // Ends the program with 退出 and returns what it left in the folders
    // (and what had to be killed), compared with the start.
    // Looks up the ordinary shop: empty when the lookup ends with its facts
    // and no box, or else what the window showed.
    QString lookUpOrdinary(const SampleShop &ordinary)
    {
        const Outcome next = lookUp(ordinary.nick);
        if (next.ended && next.read() && next.box.isEmpty() &&
            next.facts() == factsOf(ordinary.expect))
            return {};
        return QStringLiteral("the lookup of %1 after it was not right: the window showed %2, "
                              "its facts are %3")
            .arg(ordinary.nick, compact(next.state), compact(factsOf(ordinary.expect)));
    }

    // After a failed row the program is started anew, so that what the row
    // left behind cannot fail the next one.
    void restartIfFailed()
    {
        if (QTest::currentTestFailed())
            restart(QStringLiteral("after the failed row %1")
                        .arg(QString::fromUtf8(QTest::currentDataTag())));
    }

    // Ends the program at the end of a test: what it left behind or still
    // running, one entry each; empty when nothing.
    QString finishAll()
    {
        const QStringList left = finish();
        qInfo("the program was started %d times", starts());
        if (left.isEmpty())
            return {};
        return QStringLiteral("%1 entries left behind or running: ").arg(left.size()) +
               left.join(QStringLiteral("; "));
    }

    QStringList finish()
    {
        QStringList left;
        if (running()) {
            m_session->click(kExit);
            if (!QTest::qWaitFor([&] { return !running(); }, kStepMs))
                left << QStringLiteral("\"退出\" did not end the program");
            for (const QString &k : m_session->stop())
                left << QStringLiteral("still running: ") + k;
        }
        m_session.reset();
        left << differences(m_before, snapshot(m_roots));
        return left;
    }

    // The program's last lines, each state but the last left out.
    QString lastLines() const
    {
        if (!m_session)
            return QString();
        QStringList lines;
        bool lastState = true;
        const QStringList log = m_session->log();
        for (qsizetype i = log.size() - 1; i >= 0 && lines.size() < 16; --i) {
            const bool state = log[i].startsWith(QLatin1String("lumora-driver: state "));
            if (state && !lastState)
                continue;
            lastState = lastState && !state;
            lines.prepend(log[i].left(600));
        }
        return QStringLiteral("the program's last lines:\n  ") + lines.join(QStringLiteral("\n  "));
    }

private:
    bool fail(const QString &why)
    {
        m_trouble = why;
        return false;
    }

    // The folders a page could leave something in for good; the runtime
    // and temporary folders hold the program's own files while it runs.
    Tree userFolders() const
    {
        QList<QPair<QString, QString>> roots;
        for (const auto &root : m_roots) {
            if (root.first != u"TMPDIR" && root.first != u"XDG_RUNTIME_DIR")
                roots << root;
        }
        return snapshot(roots);
    }

    QStringList recorded() const
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

    bool strangerSince(qsizetype from) const
    {
        for (qsizetype i = from; i < m_session->reports().size(); ++i) {
            const QByteArray &r = m_session->reports()[i];
            if (r.startsWith("window ") && !isOwnWindow(QJsonDocument::fromJson(r.mid(7)).object()))
                return true;
        }
        return false;
    }

    void note(const QByteArray &report, Outcome *out) const
    {
        if (report.startsWith("window ")) {
            const QJsonObject w = QJsonDocument::fromJson(report.mid(7)).object();
            if (!isOwnWindow(w))
                out->strangers << compact(w);
        } else if (report.startsWith("desktop ")) {
            out->handedOver << QString::fromUtf8(report.mid(8));
        } else if (report.startsWith("clipboard ")) {
            // The X selection follows whatever is selected, in the page as in
            // the name box (Ctrl+A there is the window's own doing): noted,
            // not held against the page. The clipboard is only ever written
            // on purpose.
            const QString change = QString::fromUtf8(report.mid(10));
            if (!change.startsWith(QLatin1String("selection ")))
                out->clipboard << change;
            else if (!m_typed.contains(change.mid(10)))
                out->selection << change.mid(10);
        }
    }

    // A program that ended without 退出 (killed, or crashed) leaves its
    // lock file behind, as it cannot remove it; it is the only file it may
    // leave, and it goes here so that the folders are compared at the end
    // as if every run had ended in order.
    void leftovers()
    {
        if (m_session)
            m_session->stop();
        QFile::remove(m_roots.last().second + QStringLiteral("/lumora.lock"));
    }

    QString m_programPath;
    QString m_driverPath;
    Marketplace *m_market;
    std::unique_ptr<QTemporaryDir> m_work;
    QList<QPair<QString, QString>> m_roots;
    Tree m_before;
    QString m_recorded;
    QProcessEnvironment m_env;
    Helper m_xvfb;
    std::unique_ptr<Session> m_session;
    QString m_trouble;
    QSet<QString> m_typed; // every name typed into the name box
    int m_starts = 0;
    int m_pings = 0;
    int m_defaultLimit = 0;
    int m_limit = 0;
};

} // namespace SealedProgram
