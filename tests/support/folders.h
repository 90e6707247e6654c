// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
// Fresh, empty home, XDG and temporary folders for runs of the real program,
// and what changed in them between two moments.
#pragma once

#include <QMap>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <memory>

namespace ProgramTest {

// One entry of a folder tree as far as "left something behind" goes: a folder
// counts by its existence (its time changes with every transient file), a
// file by its size and time, a link by its target.
struct Entry {
    QChar kind; // d, f, l or o
    qint64 size = 0;
    qint64 modified = 0;
    QString target;
    bool operator==(const Entry &o) const
    {
        return kind == o.kind && size == o.size && modified == o.modified && target == o.target;
    }
};
using Tree = QMap<QString, Entry>;            // "LABEL/relative/path"
using Roots = QList<QPair<QString, QString>>; // label, folder

Tree snapshot(const Roots &roots);

// What is new or changed in after, in path order; folders that only hold new
// entries are named through those entries.
QStringList differences(const Tree &before, const Tree &after);

// A work folder outside /tmp (which some runs replace with a folder of the
// program's own), and in it the folders a run of the program is given, each
// named by an environment variable.
class Folders {
public:
    bool make(const QString &prefix);
    QString workPath() const { return m_work->path(); }
    // A folder of the work folder, made with room for its owner alone.
    QString folder(const QString &name) const;
    // A folder handed to the program as variable (HOME, XDG_...), and watched.
    void give(const QString &variable);
    // HOME, the XDG folders and TMPDIR.
    void giveAll();
    const Roots &roots() const { return m_roots; }
    const QProcessEnvironment &environment() const { return m_env; }
    QProcessEnvironment &environment() { return m_env; }

private:
    std::unique_ptr<QTemporaryDir> m_work;
    Roots m_roots;
    QProcessEnvironment m_env;
};

} // namespace ProgramTest
