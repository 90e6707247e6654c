// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "defaultbrowser.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {
const QString kSchemes[] = {QStringLiteral("http"), QStringLiteral("https")};
}

DefaultBrowser::DefaultBrowser(const QProcessEnvironment &environment, QObject *parent)
    : QObject(parent), m_environment(environment)
{
    for (const QString &scheme : kSchemes)
        QDesktopServices::setUrlHandler(scheme, this, "open");
}

DefaultBrowser::~DefaultBrowser()
{
    for (const QString &scheme : kSchemes)
        QDesktopServices::unsetUrlHandler(scheme);
}

void DefaultBrowser::open(const QUrl &url)
{
    // The desktop's own opener first, then the browser the user named, as
    // Qt would choose; whether it starts is not reported.
    const QString path = m_environment.value(QStringLiteral("PATH"));
    const QStringList folders = path.isEmpty() ? QStringList() : path.split(u':');
    QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"), folders);
    for (const char *variable : {"DEFAULT_BROWSER", "BROWSER"}) {
        if (!program.isEmpty())
            break;
        const QString named = m_environment.value(QLatin1String(variable)).section(u':', 0, 0);
        if (!named.isEmpty())
            program = QStandardPaths::findExecutable(named, folders);
    }
    if (program.isEmpty())
        return;
    QProcess process;
    process.setProgram(program);
    process.setArguments({url.toString(QUrl::FullyEncoded)});
    process.setProcessEnvironment(m_environment);
    process.startDetached();
}
