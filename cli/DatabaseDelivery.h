// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The logger's delivery of its admission records to a PostgreSQL database, fed from the daily
// files (AdmissionFeed), never instead of them. The database work runs on a thread of its own,
// so the line is never held up by the network: the logger only wakes it after a record was
// written. A record goes once, in order, whatever the network does: the table's key (unit,
// file, line) turns a record sent again into nothing, and the cursor moves only after the
// database has committed. While the database is away the records wait in their files.
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "cli/LinkListener.h"

// Why a connection URL cannot be used (not a libpq connection string, or a password in it,
// which belongs in libpq's password file or the credential "db-password"); empty when it can.
QString DatabaseUrlFault(const QString& url);
// The database as messages name it: user@host:port/name, never a password.
QString DatabaseLabel(const QString& url);

class DatabaseDelivery : public QObject {
  Q_OBJECT

 public:
  struct Options {
    QString url;             // libpq's connection URI or key=value string
    QString unit;            // the unit's name in the table
    QString folder, prefix;  // the daily files
    int retryMs = 2000;      // how often a database that is away is tried again
  };

  explicit DatabaseDelivery(const Options& options);
  ~DatabaseDelivery() override;

  void Begin();
  // A record was written (or several): deliver what waits. Never blocks.
  void Wake();
  // Stops the delivery, cutting a call on the network short; waits for it at most waitMs. What
  // is not confirmed waits in the files for the next start.
  void End(int waitMs = 2000);

  std::function<void(LinkListener::Level level, const QString& text)> say;

  struct Shared;

 private:
  Options opt;
  std::shared_ptr<Shared> shared;
};

// zulset-cli db-check: whether the database is ready for the loggers (reachable, its table
// there, inserting allowed), each step said. 0 ready, 1 reachable but not ready, 3 not
// reachable (or refused), 2 a URL that cannot be used.
int CheckDatabase(const QString& url, const std::function<void(const QString&)>& say);
