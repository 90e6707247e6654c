// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#include "folders.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace ProgramTest {

Tree snapshot(const Roots &roots)
{
    Tree tree;
    for (const auto &[label, root] : roots) {
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QFileInfo info = it.fileInfo();
            Entry e;
            if (info.isSymLink()) {
                e.kind = u'l';
                e.target = info.symLinkTarget();
            } else if (info.isDir()) {
                e.kind = u'd';
            } else if (info.isFile()) {
                e.kind = u'f';
                e.size = info.size();
                e.modified = info.lastModified().toMSecsSinceEpoch();
            } else {
                e.kind = u'o';
            }
            tree.insert(label + path.mid(root.size()), e);
        }
    }
    return tree;
}

static QString describe(const QString &path, const Entry &e)
{
    switch (e.kind.unicode()) {
    case 'd':
        return path + QStringLiteral("/ (folder)");
    case 'l':
        return path + QStringLiteral(" -> ") + e.target;
    case 'f':
        return path + QStringLiteral(" (%1 bytes)").arg(e.size);
    default:
        return path + QStringLiteral(" (socket, pipe or device)");
    }
}

QStringList differences(const Tree &before, const Tree &after)
{
    QStringList out;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const auto old = before.constFind(it.key());
        if (old == before.cend()) {
            const bool folderWithNews = it->kind == u'd' && std::next(it) != after.cend() &&
                                        std::next(it).key().startsWith(it.key() + u'/');
            if (!folderWithNews)
                out << QStringLiteral("appeared: ") + describe(it.key(), *it);
        } else if (!(*old == *it)) {
            out << QStringLiteral("changed: ") + describe(it.key(), *it);
        }
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (!after.contains(it.key()))
            out << QStringLiteral("vanished: ") + describe(it.key(), *it);
    }
    return out;
}

bool Folders::make(const QString &prefix)
{
    QString base = QStringLiteral("/var/tmp");
    if (!QFileInfo(base).isWritable())
        base = QDir::currentPath();
    m_work = std::make_unique<QTemporaryDir>(base + u'/' + prefix + QStringLiteral("-XXXXXX"));
    if (!m_work->isValid())
        return false;
    m_env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    m_env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    give(QStringLiteral("HOME"));
    return true;
}

QString Folders::folder(const QString &name) const
{
    const QString path = m_work->filePath(name);
    QDir().mkpath(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

void Folders::give(const QString &variable)
{
    m_roots << qMakePair(variable, folder(variable.toLower()));
    m_env.insert(variable, m_roots.last().second);
}

void Folders::giveAll()
{
    for (const char *name :
         {"XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "TMPDIR"})
        give(QLatin1String(name));
}

} // namespace ProgramTest
