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

#include "folders.h"
#include "marketplace/marketplace.h"
#include "marketplace/sampleshop.h"
#include "session.h"

#include <QJsonObject>
#include <QSet>

#include <memory>

namespace ProgramTest {

// The page limit for lookups that may end at it; the program's own applies
// to the others.
constexpr int kShortPageLimitMs = 3000;

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
    // Ended with these facts and no box.
    bool hasFacts(const QJsonObject &expected) const
    {
        return read() && box.isEmpty() && facts() == expected;
    }
    // What escaped the page or went wrong with the program, one line each:
    // empty when the lookup ran its course in a sealed browser.
    QStringList escapes() const;
};

// How a lookup of a made-up shop may end.
enum class Allowed {
    Facts,         // with the shop's facts
    Unread,        // with the unread error
    FactsOrUnread, // either of the two
    AnyEnd,        // in order: whatever facts were read, the unread or the not-found error
};

// The nine facts as the driver reports them.
QJsonObject factsOf(const SampleExpectation &e);
QString compact(const QJsonObject &o);

class Program {
public:
    // Where the reports of the driver and the recorders' file stood at a moment.
    struct Mark {
        qsizetype reports = 0;
        qsizetype recorded = 0;
        Tree folders; // the home and XDG folders, not the runtime or temporary one
    };

    Program(QString programPath, Marketplace *market);
    ~Program();

    // Makes the folders and recorders and starts the screen; false with
    // trouble() set when that fails.
    bool prepare();
    QString trouble() const { return m_trouble; }
    bool running() const { return m_session && m_session->running(); }
    // Starts the program if it is not running; false with trouble() set when
    // its window never appeared.
    bool ensureRunning();
    // Looks name up with the given page limit (0: the program's own) and
    // waits until the lookup has ended and its message box, if any, is
    // answered.
    Outcome lookUp(const QString &name, int pageLimitMs = 0);
    // What is wrong with how a lookup ended, one line each; empty when
    // nothing is.
    static QStringList endingProblems(const Outcome &o, const QJsonObject &expected,
                                      Allowed allowed);
    // Tries to give the page the user activation that some of its requests
    // need, and waits until the page says it has made them (see
    // Sealed::Case); false when it never does.
    bool poke(const QString &mark);
    Mark mark() const;
    // Everything since start that a sealed browser never lets happen, added
    // to out: windows not Lumora's own, addresses handed to the desktop (by
    // the recorders or to the driver), clipboard changes.
    void collectSince(const Mark &start, Outcome *out) const;
    // The end of a row that started at start: an ordinary sample shop is
    // looked up when ordinaryToo and no window of the page is in its way.
    // Returns everything that escaped since start, late escapes included,
    // then problems and what the ordinary lookup got wrong; *row holds what
    // the row let out. What the page selected is only noted.
    QStringList endRow(const Mark &start, bool ordinaryToo, const QStringList &problems,
                       Outcome *row);
    // Ends the program with 退出 at the end of a test: what it left behind
    // or still running, one entry each; empty when nothing.
    QString finishAll();
    QString lastLines() const { return m_session ? m_session->lastLines() : QString(); }
    // Ends the program, to be started anew at the next lookup.
    void restart(const QString &why);

private:
    bool fail(const QString &why);
    Tree userFolders() const;
    QStringList recorded() const;
    bool strangerSince(qsizetype from) const;
    void note(const QByteArray &report, Outcome *out) const;
    void leftovers();

    QString m_programPath;
    Marketplace *m_market;
    SampleShop m_ordinary;
    Folders m_folders;
    Tree m_before;
    QString m_recorded;
    Helper m_xvfb;
    std::unique_ptr<Session> m_session;
    QString m_trouble;
    QSet<QString> m_typed; // every name typed into the name box
    int m_starts = 0;
    int m_pings = 0;
    int m_defaultLimit = 0;
    int m_limit = 0;
};

// What the tests of sealed pages share: one marketplace and one program for
// every row, started anew after a row that failed, and closed with 退出 at
// the end, when its folders must hold what they held before.
// LUMORA_SEALED_PROGRAM runs the rows against another build of the program
// (an older one, say, to see which pages it lets out); its engine module is
// the one next to it.
class SealedTest : public QObject {
    Q_OBJECT
protected:
    Marketplace m_market;
    std::unique_ptr<Program> m_program;

private:
    QStringList m_failed; // the rows that failed, said again at the end

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();
};

} // namespace ProgramTest
