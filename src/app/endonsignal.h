// SPDX-FileCopyrightText: 2026 the Lumora developers
// SPDX-License-Identifier: MIT
#pragma once

class QCoreApplication;

// Ends the program in order when the session asks it to (SIGTERM at log-out,
// SIGHUP, SIGINT from a terminal): the event loop returns, the window and
// the browser engine close, and the single-instance mark goes away, as
// after "退出".
void EndOnSignal(QCoreApplication *app);
