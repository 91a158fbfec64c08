// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ends the program cannot refuse: SIGTERM (a shutdown), SIGHUP (a logout, its terminal
// closed), SIGINT (Ctrl+C). Each runs `last` on the window thread, from the event loop, then
// ends the process as the signal would have. A signal ignored at start stays ignored. Does
// nothing where there are no such signals.
#include <functional>

void OnShutdownSignals(std::function<void()> last);
