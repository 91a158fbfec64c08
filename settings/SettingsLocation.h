// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the program keeps its settings file and looks for its ports/ folder: beside the
// program file wherever that folder can be written (a copied folder, the build tree, a portable
// install), otherwise in the user's configuration folder, so that an installed program can
// always write its settings.
#include <QString>
#include <QStringList>

// The user's configuration folder ("~/.config/zulset" on Linux): the application configuration
// location of the program named zulset, the same for zulset and zulsim.
QString UserConfigFolder();

// True when files can be created in dir and may be: never under /usr.
bool FolderWritable(const QString& dir);

struct SettingsPlace {
  QString file;  // written at close, read at start
  QString seed;  // the file beside the program where `file` lies elsewhere; empty when it does not

  // What a start reads: the file, or while it does not exist yet the seed, when there is one.
  QString readFrom() const;
};

// programFile: the program file's full path; configDir: the user's configuration folder (empty:
// none, the file stays beside the program). The file takes the program file's name, its
// extension replaced by ".ini".
SettingsPlace LocateSettings(const QString& programFile, const QString& configDir);

// Before the first write to a file away from the program: makes its folder and copies the seed's
// lines into it, so that comments and keys of the seed are kept. Throws EIniFileError ("Unable to
// write to <file>") when that fails.
void PrepareSettingsFile(const SettingsPlace& place);

// The folder a simulated unit links its ports/comN into: the one the program looks at first
// among those that can be written.
QString PortLinkFolder(const QString& programDir, const QString& configDir);
