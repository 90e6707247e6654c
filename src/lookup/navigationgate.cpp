// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "navigationgate.h"

#include "linktests.h"

namespace Lookup {

namespace {
QUrl withoutFragment(const QUrl &address)
{
    return address.adjusted(QUrl::RemoveFragment);
}
} // namespace

void NavigationGate::expect(const QUrl &address)
{
    m_expected = {withoutFragment(address)};
    m_pending = true;
    m_reading = false;
    m_leftWhileLoading = false;
}

void NavigationGate::settle()
{
    m_pending = false;
    m_reading = true;
}

void NavigationGate::finish()
{
    m_reading = false;
}

bool NavigationGate::isExpected(const QUrl &address) const
{
    return m_expected.contains(withoutFragment(address));
}

bool NavigationGate::allows(const QUrl &url, Cause cause, bool mainFrame)
{
    const bool web = IsWebAddress(url);
    if (!mainFrame)
        return web;
    if (web && m_pending && cause != Cause::Page) {
        if (cause == Cause::Redirect)
            m_expected.append(withoutFragment(url));
        return true;
    }
    if (m_pending || m_reading)
        m_leftWhileLoading = true;
    return false;
}

void NavigationGate::noteLoadStarted(const QUrl &address)
{
    if (isExpected(address))
        return;
    if (m_reading || (m_pending && !IsWebAddress(address)))
        m_leftWhileLoading = true;
}

} // namespace Lookup
