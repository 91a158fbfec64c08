// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/DatabaseDelivery.h"

#include <libpq-fe.h>
#include <sys/socket.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QRegularExpression>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

#include "admissions/AdmissionFeed.h"
#include "platform/Errors.h"

namespace {

// Lines a statement carries: a day's calls of a busy gate, a long outage in a few round trips.
constexpr int kBatch = 200;
constexpr int kColumns = 7;  // per line; the unit is $1

using Level = LinkListener::Level;

// libpq, loaded where a database is named: a logger without one carries neither it nor the
// TLS, Kerberos and LDAP libraries it brings (some 5 MB resident).
struct Libpq {
  decltype(&::PQclear) clear;
  decltype(&::PQconnectdbParams) connectdbParams;
  decltype(&::PQconninfoFree) conninfoFree;
  decltype(&::PQconninfoParse) conninfoParse;
  decltype(&::PQerrorMessage) errorMessage;
  decltype(&::PQexec) exec;
  decltype(&::PQexecParams) execParams;
  decltype(&::PQfinish) finish;
  decltype(&::PQfreemem) freemem;
  decltype(&::PQgetvalue) getvalue;
  decltype(&::PQresultErrorField) resultErrorField;
  decltype(&::PQresultStatus) resultStatus;
  decltype(&::PQserverVersion) serverVersion;
  decltype(&::PQsocket) socket;
  decltype(&::PQsslAttribute) sslAttribute;
  decltype(&::PQsslInUse) sslInUse;
  decltype(&::PQstatus) status;
  decltype(&::PQuser) user;
};
const Libpq* pq = nullptr;

// Empty once libpq is there; otherwise why not.
QString loadLibpq() {
  static const QString why = [] {
    static QLibrary lib(QStringLiteral("pq"), 5);
    if (!lib.load())
      return QStringLiteral("libpq cannot be loaded (%1): install the package libpq5")
          .arg(lib.errorString());
    static Libpq l;
    QStringList missing;
    auto get = [&](auto& f, const char* name) {
      f = reinterpret_cast<std::remove_reference_t<decltype(f)>>(lib.resolve(name));
      if (!f) missing << QString::fromLatin1(name);
    };
    get(l.clear, "PQclear");
    get(l.connectdbParams, "PQconnectdbParams");
    get(l.conninfoFree, "PQconninfoFree");
    get(l.conninfoParse, "PQconninfoParse");
    get(l.errorMessage, "PQerrorMessage");
    get(l.exec, "PQexec");
    get(l.execParams, "PQexecParams");
    get(l.finish, "PQfinish");
    get(l.freemem, "PQfreemem");
    get(l.getvalue, "PQgetvalue");
    get(l.resultErrorField, "PQresultErrorField");
    get(l.resultStatus, "PQresultStatus");
    get(l.serverVersion, "PQserverVersion");
    get(l.socket, "PQsocket");
    get(l.sslAttribute, "PQsslAttribute");
    get(l.sslInUse, "PQsslInUse");
    get(l.status, "PQstatus");
    get(l.user, "PQuser");
    if (!missing.isEmpty())
      return QStringLiteral("%1 lacks %2").arg(lib.fileName(), missing.join(QStringLiteral(", ")));
    pq = &l;
    return QString();
  }();
  return why;
}

struct ConnInfo {
  PQconninfoOption* options = nullptr;
  QString error;
  explicit ConnInfo(const QString& url) {
    error = loadLibpq();
    if (!error.isEmpty()) return;
    char* err = nullptr;
    options = pq->conninfoParse(url.toUtf8().constData(), &err);
    if (err) {
      error = QString::fromUtf8(err).trimmed();
      pq->freemem(err);
    }
  }
  ~ConnInfo() {
    if (options) pq->conninfoFree(options);
  }
  QString value(const char* keyword) const {
    for (PQconninfoOption* o = options; o && o->keyword; ++o)
      if (qstrcmp(o->keyword, keyword) == 0 && o->val) return QString::fromUtf8(o->val);
    return QString();
  }
};

// The password the service's credential holds (LoadCredential=db-password:...), read at each
// connection so that a mended one is taken without a restart; empty: libpq's password file.
QByteArray credentialPassword() {
  const QString dir = qEnvironmentVariable("CREDENTIALS_DIRECTORY");
  if (dir.isEmpty()) return QByteArray();
  QFile f(QDir(dir).filePath(QStringLiteral("db-password")));
  if (!f.open(QIODevice::ReadOnly)) return QByteArray();
  QByteArray password = f.readAll();
  while (password.endsWith('\n') || password.endsWith('\r')) password.chop(1);
  return password;
}

QString passwordSource() {
  return credentialPassword().isEmpty()
             ? QStringLiteral("libpq's password file (~/.pgpass, or the file PGPASSFILE names)")
             : QStringLiteral("the credential db-password");
}

// libpq's message on one line, with what to do where it is a known refusal.
QString refusalText(const QString& message) {
  struct Hint {
    const char* seen;
    const char* hint;
  };
  static const Hint hints[] = {
      {"password authentication failed", "The password is refused: it comes from %1."},
      {"no password supplied", "No password was found: put it in %1."},
      {"does not support SSL",
       "The server offers no TLS: the logger asks for it and checks the server's certificate "
       "(sslmode=verify-full) unless the URL says otherwise."},
      {"root certificate file",
       "The server's certificate cannot be checked without the authority that signed it: "
       "name it with sslrootcert= in the URL."},
  };
  QString text = message.simplified();
  for (const Hint& h : hints)
    if (text.contains(QLatin1String(h.seen)))
      return text + QLatin1Char(' ') +
             QString::fromLatin1(h.hint).replace(QStringLiteral("%1"), passwordSource());
  return text;
}

QString noTable(const QString& why) {
  return QStringLiteral(
             "The database has no table admissions: make it with psql -f "
             "/usr/share/zulset/admissions.sql%1.")
      .arg(why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(why));
}

QString statementFailure(PGresult* result, PGconn* conn) {
  const QByteArray state = pq->resultErrorField(result, PG_DIAG_SQLSTATE);
  const QString message =
      QString::fromUtf8(pq->resultErrorField(result, PG_DIAG_MESSAGE_PRIMARY)).simplified();
  if (state == "42P01") return noTable(message);
  if (state == "42703")
    return QStringLiteral(
               "Its table admissions is not the one the logger fills: make it with "
               "/usr/share/zulset/admissions.sql (%1).")
        .arg(message);
  if (state == "42501")
    return QStringLiteral(
               "User %1 may not insert into admissions: GRANT zulset_logger TO %1 "
               "(%2).")
        .arg(QString::fromUtf8(pq->user(conn)), message);
  if (message.isEmpty()) return refusalText(QString::fromUtf8(pq->errorMessage(conn)));
  return message + QLatin1Char('.');
}

// Ours first, the URL after it: what the URL says wins over these defaults.
PGconn* connectTo(const QString& url, QString* why) {
  const QByteArray password = credentialPassword(), target = url.toUtf8();
  std::vector<const char*> keys{"sslmode",         "connect_timeout",  "tcp_user_timeout",
                                "keepalives_idle", "application_name", "client_encoding"};
  std::vector<const char*> values{"verify-full", "10", "20000", "30", "zulset-log", "UTF8"};
  if (!password.isEmpty()) {
    keys.push_back("password");
    values.push_back(password.constData());
  }
  keys.push_back("dbname");
  values.push_back(target.constData());
  keys.push_back(nullptr);
  values.push_back(nullptr);
  PGconn* conn = pq->connectdbParams(keys.data(), values.data(), 1);
  if (pq->status(conn) == CONNECTION_OK) return conn;
  *why = conn ? refusalText(QString::fromUtf8(pq->errorMessage(conn)))
              : QStringLiteral("Out of memory.");
  pq->finish(conn);
  return nullptr;
}

// Only placeholders in the text: every value goes as a parameter.
QByteArray insertStatement(int lines) {
  QByteArray sql =
      "INSERT INTO admissions (unit, file, line, called_at, caller, number, relay, record) "
      "VALUES ";
  for (int r = 0; r < lines; ++r) {
    const int p = 2 + r * kColumns;
    sql += QStringLiteral("%1($1, $%2, $%3::integer, $%4::timestamptz, $%5, $%6, $%7, $%8)")
               .arg(r ? QStringLiteral(", ") : QString())
               .arg(p)
               .arg(p + 1)
               .arg(p + 2)
               .arg(p + 3)
               .arg(p + 4)
               .arg(p + 5)
               .arg(p + 6)
               .toLatin1();
  }
  // No conflict target: naming the key's columns would need the right to read them.
  return sql + " ON CONFLICT DO NOTHING";
}

// Runs the insert of `lines`; the server's complaint, or empty when it committed.
QString insertLines(PGconn* conn, const QString& unit, const QList<FeedLine>& lines) {
  const AdmissionClockForm form = SystemClockForm();
  std::vector<QByteArray> texts;
  std::vector<bool> given;
  texts.reserve(size_t(1 + lines.size() * kColumns));
  auto add = [&](const QString& text, bool present = true) {
    texts.push_back(text.toUtf8());
    given.push_back(present);
  };
  add(unit);
  for (const FeedLine& l : lines) {
    const AdmissionFields f = ReadAdmissionLine(l.text, form, l.near);
    const bool parts = !f.relay.isNull();
    add(l.file);
    add(QString::number(l.line));
    add(f.at.toOffsetFromUtc(f.at.offsetFromUtc()).toString(Qt::ISODate), f.at.isValid());
    add(f.caller, parts);
    add(f.number, parts);
    add(f.relay, parts);
    add(l.text);
  }
  std::vector<const char*> values;
  for (size_t i = 0; i < texts.size(); ++i)
    values.push_back(given[i] ? texts[i].constData() : nullptr);
  PGresult* result =
      pq->execParams(conn, insertStatement(int(lines.size())).constData(), int(values.size()),
                     nullptr, values.data(), nullptr, nullptr, 0);
  QString why;
  if (pq->resultStatus(result) != PGRES_COMMAND_OK) why = statementFailure(result, conn);
  pq->clear(result);
  return why;
}

}  // namespace

QString DatabaseUrlFault(const QString& url) {
  if (const QString why = loadLibpq(); !why.isEmpty()) return why;
  const ConnInfo info(url);
  if (!info.options)
    return QStringLiteral("not a database URL (%1)")
        .arg(info.error.isEmpty() ? QStringLiteral("out of memory") : info.error);
  for (const char* secret : {"password", "sslpassword"})
    if (!info.value(secret).isEmpty())
      return QStringLiteral(
          "the database URL holds a password: it belongs in libpq's password "
          "file or the credential db-password, never on a command line");
  return QString();
}

QString DatabaseLabel(const QString& url) {
  const ConnInfo info(url);
  const QString user = info.value("user"), port = info.value("port");
  QString host = info.value("host");
  if (host.isEmpty()) host = info.value("hostaddr");
  return (user.isEmpty() ? QString() : user + QLatin1Char('@')) +
         (host.isEmpty() ? QStringLiteral("localhost") : host) +
         (port.isEmpty() ? QString() : QLatin1Char(':') + port) + QLatin1Char('/') +
         info.value("dbname");
}

struct DatabaseDelivery::Shared {
  std::mutex m;
  std::condition_variable wake, ended;
  bool woken = true, stopping = false, finished = false;
  int socket = -1;                    // the connection's, to cut a call short at the end
  DatabaseDelivery* owner = nullptr;  // none once it is gone
  std::thread worker;

  void tell(Level level, const QString& text) {
    const std::lock_guard<std::mutex> lock(m);
    if (DatabaseDelivery* o = owner)
      QMetaObject::invokeMethod(
          o, [o, level, text] { o->say ? o->say(level, text) : void(); }, Qt::QueuedConnection);
  }
  bool stopped() {
    const std::lock_guard<std::mutex> lock(m);
    return stopping;
  }
  void setSocket(int fd) {
    const std::lock_guard<std::mutex> lock(m);
    socket = fd;
  }
  void run(const Options& opt);
};

void DatabaseDelivery::Shared::run(const Options& opt) {
  const QString label = DatabaseLabel(opt.url);
  AdmissionFeed feed(opt.folder, opt.prefix, opt.unit + QLatin1Char('\t') + opt.url);
  feed.Load();
  PGconn* conn = nullptr;
  auto drop = [&] {
    setSocket(-1);
    pq->finish(conn);
    conn = nullptr;
  };
  bool failing = false, again = false;
  QString lastWhy;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(m);
      // A database that is away is tried on the clock, not at every call.
      auto ready = [&] { return stopping || again || (woken && !failing); };
      if (failing)
        wake.wait_for(lock, std::chrono::milliseconds(opt.retryMs), ready);
      else
        wake.wait(lock, ready);
      if (stopping) break;
      woken = again = false;
    }
    QString why;
    QList<FeedLine> lines;
    try {
      lines = feed.Next(kBatch);
    } catch (const Exception& e) {
      why = e.Message;
    }
    if (why.isEmpty() && lines.isEmpty()) {
      failing = false;
      continue;
    }
    if (why.isEmpty()) {
      // A connection that lay idle may have died meanwhile: one fresh try before it counts.
      for (int attempt = 0; attempt < 2; ++attempt) {
        const bool fresh = !conn;
        if (!conn && (conn = connectTo(opt.url, &why))) setSocket(pq->socket(conn));
        if (!conn) break;
        why = insertLines(conn, opt.unit, lines);
        if (why.isEmpty() || pq->status(conn) == CONNECTION_OK) break;
        drop();
        if (fresh || stopped()) break;
      }
    }
    if (why.isEmpty()) {
      if (failing)
        tell(Level::Notice,
             QStringLiteral("Delivery to %1 works again: the %2 admission records that wait "
                            "go now.")
                 .arg(label)
                 .arg(feed.Waiting()));
      failing = false;
      lastWhy.clear();
      try {
        feed.Confirm(lines);
      } catch (const Exception& e) {
        // They are in the database: sent again, they are nothing new.
        tell(Level::Error, e.Message);
      }
      again = true;
      continue;
    }
    if (stopped()) break;
    if (!failing || why != lastWhy)
      tell(Level::Warning, QStringLiteral("Delivery to %1 stopped: %2 %3 admission records wait "
                                          "in %4 and go, in order, once it works again (tried "
                                          "every %5 seconds).")
                               .arg(label, why)
                               .arg(feed.Waiting())
                               .arg(QDir(opt.folder).absolutePath())
                               .arg(opt.retryMs / 1000.0));
    failing = true;
    lastWhy = why;
    if (conn && pq->status(conn) != CONNECTION_OK) drop();
  }
  if (conn) drop();
  const std::lock_guard<std::mutex> lock(m);
  finished = true;
  ended.notify_all();
}

DatabaseDelivery::DatabaseDelivery(const Options& options)
    : opt(options), shared(std::make_shared<Shared>()) {
  shared->owner = this;
}

DatabaseDelivery::~DatabaseDelivery() { End(0); }

void DatabaseDelivery::Begin() {
  if (shared->worker.joinable()) return;
  shared->worker = std::thread([s = shared, o = opt] { s->run(o); });
}

void DatabaseDelivery::Wake() {
  const std::lock_guard<std::mutex> lock(shared->m);
  shared->woken = true;
  shared->wake.notify_one();
}

void DatabaseDelivery::End(int waitMs) {
  if (!shared->worker.joinable()) return;
  std::unique_lock<std::mutex> lock(shared->m);
  shared->stopping = true;
  // A call waiting on the network returns at once.
  if (shared->socket >= 0) ::shutdown(shared->socket, SHUT_RDWR);
  shared->wake.notify_one();
  const bool ended = shared->ended.wait_for(lock, std::chrono::milliseconds(waitMs),
                                            [this] { return shared->finished; });
  // Still looking up a name or connecting: it ends with the process, and tells nobody.
  shared->owner = nullptr;
  lock.unlock();
  if (ended)
    shared->worker.join();
  else
    shared->worker.detach();
  QCoreApplication::sendPostedEvents(this);
}

int CheckDatabase(const QString& url, const std::function<void(const QString&)>& say) {
  if (const QString fault = DatabaseUrlFault(url); !fault.isEmpty()) {
    say(fault);
    return 2;
  }
  const QString label = DatabaseLabel(url);
  QString why;
  PGconn* conn = connectTo(url, &why);
  if (!conn) {
    say(QStringLiteral("%1: not reachable: %2").arg(label, why));
    return 3;
  }
  const int version = pq->serverVersion(conn);
  say(QStringLiteral("%1: reachable: PostgreSQL %2.%3 as user %4, %5")
          .arg(label)
          .arg(version / 10000)
          .arg(version % 10000)
          .arg(QString::fromUtf8(pq->user(conn)))
          .arg(pq->sslInUse(conn) ? QStringLiteral("TLS (%1)")
                                        .arg(QString::fromUtf8(pq->sslAttribute(conn, "protocol")))
                                  : QStringLiteral("without TLS")));
  int status = 0;
  PGresult* r = pq->exec(conn, "SELECT to_regclass('admissions') IS NOT NULL");
  if (pq->resultStatus(r) != PGRES_TUPLES_OK || pq->getvalue(r, 0, 0)[0] != 't') {
    say(QStringLiteral("%1: not ready: %2").arg(label, noTable(QString())));
    status = 1;
  }
  pq->clear(r);
  if (status == 0) {
    // The very insert of the loggers, taken back.
    pq->clear(pq->exec(conn, "BEGIN"));
    FeedLine probe{QStringLiteral("db-check"), 1, QStringLiteral("db-check"), QDate(), 0};
    why = insertLines(conn, QStringLiteral("db-check"), {probe});
    pq->clear(pq->exec(conn, "ROLLBACK"));
    if (why.isEmpty()) {
      say(QStringLiteral("%1: table admissions there, inserting allowed: ready").arg(label));
    } else {
      say(QStringLiteral("%1: not ready: %2").arg(label, why));
      status = 1;
    }
  }
  pq->finish(conn);
  return status;
}
