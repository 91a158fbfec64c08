// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The console side of the program: --help and --version, answered before any window exists,
// and --language, which puts a shipped translation into the settings file before the start.

// The exit code when the program is to end here (its answer or error printed), or -1 when it
// starts as usual; other arguments are left to Qt and otherwise not read.
int AnswerOnConsole(int argc, char** argv);
