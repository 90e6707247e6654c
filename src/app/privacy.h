// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include <QProcessEnvironment>

// The tool keeps no files. Called first thing in main(), while the process
// still has a single thread, it tells the libraries that would otherwise
// write into the user's home (graphics drivers' shader caches, a D-Bus
// session bus started on demand, the browser engine's certificate store)
// not to. Returns the environment as the user gave it, for the programs the
// tool starts on the user's behalf.
namespace Privacy {

QProcessEnvironment KeepNothingOnDisk();

} // namespace Privacy
