// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// POSIX signals as events: `handle(number)` runs on the thread of the event loop, from the
// loop, for each signal of `numbers` that arrives; a signal the process was started with
// ignored stays ignored. Needs the application object; does nothing where there are no such
// signals. One set of signals per process.
#include <functional>
#include <initializer_list>

void OnSignals(std::initializer_list<int> numbers, std::function<void(int number)> handle);
