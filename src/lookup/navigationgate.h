// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QUrl>

namespace Lookup {

// Where the lookup's hidden page may go. Only the load the lookup asks for,
// and the redirects on its way, replace the page: a script or a refresh of
// the page itself never moves it, so nothing of a page reaches the next
// lookup. The gate also remembers whether the page tried to go elsewhere
// while the lookup's load was under way or being read: the attempt alone
// stops the document being read in, so the page must be read again.
class NavigationGate {
public:
    // How a load in the page came about.
    enum class Cause { Asked, Redirect, Page };

    // The lookup asks for address; until its load has ended the page may go
    // only where that load leads.
    void expect(const QUrl &address);
    // The lookup's load has ended and the page is being read; from now on it
    // goes nowhere.
    void settle();
    // The page has been read, or given up.
    void finish();

    bool pending() const { return m_pending; }
    // Whether address is where the lookup's load led: the address asked for,
    // or a redirect on the way (fragments aside).
    bool isExpected(const QUrl &address) const;
    bool leftWhileLoading() const { return m_leftWhileLoading; }

    // Whether a load of url may go ahead. Another program's scheme, mailto:,
    // file: and the like never do, in any frame.
    bool allows(const QUrl &url, Cause cause, bool mainFrame);
    // A load has started in the main frame. The engine may tell so before it
    // asks the gate, and the page's document can read as empty from then on:
    // while the page is read, or for another program's address at any time,
    // that is the page trying to go elsewhere.
    void noteLoadStarted(const QUrl &address);

private:
    QList<QUrl> m_expected;
    bool m_pending = false;
    bool m_reading = false;
    bool m_leftWhileLoading = false;
};

} // namespace Lookup
