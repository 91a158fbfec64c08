#pragma once
// The console answers of the program: --help and --version, given before any window exists.

// The exit code when the arguments ask for an answer on the console (which is then printed), or
// -1 when the program starts as usual; other arguments are left to Qt and otherwise not read.
int AnswerOnConsole(int argc, char** argv);
