// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QLockFile>
#include <memory>

// The system-wide mark of a running Lumora: a lock file in the user's runtime
// folder. It goes away with the process, and a mark left by a process that
// died is taken over at once.
class SingleInstance {
public:
    SingleInstance();
    ~SingleInstance();
    // True when this process is now the one instance.
    bool claim();

private:
    std::unique_ptr<QLockFile> m_lock;
};
