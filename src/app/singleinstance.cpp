// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "singleinstance.h"

#include <QDir>
#include <unistd.h>

namespace {

// The mark's file: in the user's runtime folder, which goes away with the
// session; without one, in the temporary folder, named for the user. Either
// way the file goes away with the process and nothing else is made. The
// runtime folder is read without asking QStandardPaths, which complains on
// the terminal when XDG_RUNTIME_DIR is not set.
QString markFile()
{
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && QDir(xdg).exists())
        return xdg + QStringLiteral("/lumora.lock");
    return QDir::tempPath() + QStringLiteral("/lumora-") + QString::number(getuid()) +
           QStringLiteral(".lock");
}

} // namespace

SingleInstance::SingleInstance() = default;

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    m_lock = std::make_unique<QLockFile>(markFile());
    // Never stale by age: only a mark whose process is gone is taken over.
    m_lock->setStaleLockTime(0);
    return m_lock->tryLock(0);
}
