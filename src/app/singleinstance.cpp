// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "singleinstance.h"

#include <QDir>
#include <unistd.h>

namespace {

// The user's runtime folder, without asking QStandardPaths, which complains
// on the terminal when XDG_RUNTIME_DIR is not set.
QString runtimeFolder()
{
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && QDir(xdg).exists())
        return xdg;
    const QString fallback = QDir::tempPath() + QStringLiteral("/lumora-") + QString::number(getuid());
    QDir().mkpath(fallback);
    QFile::setPermissions(fallback, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return fallback;
}

} // namespace

SingleInstance::SingleInstance() = default;

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    m_lock = std::make_unique<QLockFile>(runtimeFolder() + QStringLiteral("/lumora.lock"));
    // Never stale by age: only a mark whose process is gone is taken over.
    m_lock->setStaleLockTime(0);
    return m_lock->tryLock(0);
}
