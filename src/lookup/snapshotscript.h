// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

#include "browser.h"

#include <QString>
#include <QVariant>

namespace Lookup {

// The script that reads the current document in one call: whether it has a
// body, the body's inner text, every document.links href and every A
// element's inner text, in document order, as one JSON text.
QString SnapshotScript();

// The snapshot from the script's result; an empty or malformed result (the
// page went away meanwhile) is an empty document. Every LF of an inner text
// becomes CR LF.
DocumentSnapshot ParseSnapshot(const QVariant &result);

} // namespace Lookup
