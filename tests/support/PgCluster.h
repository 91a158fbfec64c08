// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A PostgreSQL server of the test's own: initdb in a temporary folder, run as an unprivileged
// user when the test runs as root (initdb refuses root), on a socket folder of its own and a
// free port of 127.0.0.1, with TLS from an authority made for it; removed at the end. The
// database "zul" holds the shipped schema, and the login "gate" (password "gate-pw") is a
// logger.
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class PgCluster {
 public:
  PgCluster();
  ~PgCluster();

  // Empty once it runs; otherwise why not.
  QString Start();
  // pg_ctl stop with that mode ("immediate": as if the power went), and start again.
  bool Stop(const QString& mode = QStringLiteral("immediate"));
  bool StartAgain();
  bool Running() const { return running; }

  // The rows of a statement run as the superuser over the socket, fields joined by "|";
  // a failure as the one row "ERROR: ...".
  QStringList Query(const QString& sql, const QString& database = QStringLiteral("zul"));
  // Runs a file of statements; true when all of them went.
  bool RunFile(const QString& file, const QString& database);

  // postgresql://gate@127.0.0.1:PORT/zul?sslmode=disable, or with `query` in its place.
  QString Url(const QString& database = QStringLiteral("zul"),
              const QString& query = QStringLiteral("sslmode=disable")) const;
  QString CaFile() const { return dir.filePath(QStringLiteral("ca.crt")); }
  QString SocketDir() const { return dir.filePath(QStringLiteral("sock")); }
  int Port() const { return port; }

  // The folder of PostgreSQL's programs (/usr/lib/postgresql/<version>/bin), or empty.
  static QString BinDir();

 private:
  // As the server's user where `server`; false when it fails, its output to `out`.
  bool run(const QString& program, const QStringList& args, QString* out = nullptr,
           bool server = true);

  QTemporaryDir dir;
  QString bin;
  int port = 0;
  bool running = false;
};
