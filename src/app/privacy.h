// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <memory>

// The tool keeps no files. Called first thing in main(), while the process
// still has a single thread, it tells the libraries that would otherwise
// write into the user's home (graphics drivers' shader caches, a D-Bus
// session bus started on demand, the browser engine's certificate store)
// or leave a runtime folder in the temporary folder not to.
namespace Privacy {

struct Setup {
    // The environment as the user gave it, for the programs the tool starts
    // on the user's behalf.
    QProcessEnvironment asGiven;
    // A runtime folder for this process alone, when the session has none.
    std::unique_ptr<QTemporaryDir> runtime;
};

Setup KeepNothingOnDisk();

} // namespace Privacy
