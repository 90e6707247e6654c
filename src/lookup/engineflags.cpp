// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "engineflags.h"

#include <QStringList>

namespace Lookup {

QString WithScriptFlag(const QString &switches, const QString &flag)
{
    static const QString kScriptFlags = QStringLiteral("--js-flags=");
    QStringList parts = switches.split(u' ', Qt::SkipEmptyParts);
    for (qsizetype i = parts.size() - 1; i >= 0; --i) {
        if (!parts[i].startsWith(kScriptFlags))
            continue;
        const QStringList given = parts[i].mid(kScriptFlags.size()).split(u',', Qt::SkipEmptyParts);
        if (!given.contains(flag))
            parts[i] = kScriptFlags + (given + QStringList{flag}).join(u',');
        return parts.join(u' ');
    }
    parts << kScriptFlags + flag;
    return parts.join(u' ');
}

} // namespace Lookup
