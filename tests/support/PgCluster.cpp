// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/PgCluster.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

const char kSuperuser[] = "zultest";

int freePort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  const bool ok = ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) == 0;
  ::close(s);
  return ok ? ntohs(a.sin_port) : 0;
}

bool append(const QString& file, const QByteArray& bytes, bool replace = false) {
  QFile f(file);
  return f.open(replace ? QIODevice::WriteOnly | QIODevice::Truncate : QIODevice::Append) &&
         f.write(bytes) == bytes.size();
}

}  // namespace

PgCluster::PgCluster() : dir(QDir::tempPath() + QStringLiteral("/zulpg-XXXXXX")) {}

PgCluster::~PgCluster() {
  if (running) Stop();
}

QString PgCluster::BinDir() {
  QStringList versions =
      QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  QCollator numeric;
  numeric.setNumericMode(true);
  std::sort(versions.begin(), versions.end(), numeric);
  for (auto v = versions.crbegin(); v != versions.crend(); ++v) {
    const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(*v);
    if (QFile::exists(bin + "/initdb") && QFile::exists(bin + "/pg_ctl")) return bin;
  }
  return QString();
}

bool PgCluster::run(const QString& program, const QStringList& args, QString* out, bool server) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  QStringList command = QStringList{program} + args;
  // initdb and the server refuse root: they run as nobody, in a folder that is nobody's.
  if (server && ::geteuid() == 0) {
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody) return false;
    command =
        QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=%1").arg(nobody->pw_uid),
                    QStringLiteral("--regid=%1").arg(nobody->pw_gid),
                    QStringLiteral("--clear-groups"), QStringLiteral("--")} +
        command;
  }
  p.start(command.takeFirst(), command);
  const bool ended = p.waitForFinished(60000);
  const QString said = QString::fromLocal8Bit(p.readAll());
  if (out) *out = said;
  if (!ended || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    if (out) *out = said.isEmpty() ? QStringLiteral("%1 failed").arg(program) : said;
    return false;
  }
  return true;
}

QString PgCluster::Start() {
  bin = BinDir();
  if (bin.isEmpty())
    return QStringLiteral(
        "PostgreSQL is not installed (no /usr/lib/postgresql/*/bin/initdb; "
        "apt-get install postgresql)");
  if (!dir.isValid()) return QStringLiteral("no temporary folder");
  if (::geteuid() == 0) {
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody ||
        ::chown(QFile::encodeName(dir.path()).constData(), nobody->pw_uid, nobody->pw_gid) != 0)
      return QStringLiteral("cannot give the cluster's folder to the user nobody");
  }
  port = freePort();
  const QString data = dir.filePath("data");
  QString said;
  if (!run(bin + "/initdb",
           {"-D", data, "-U", kSuperuser, "-E", "UTF8", "--locale=C", "--auth-local=trust",
            "--auth-host=scram-sha-256"},
           &said))
    return "initdb: " + said;
  // An authority of the test's own and the server's certificate for localhost and 127.0.0.1.
  const QString script = QStringLiteral(
      "set -e; cd '%1'; openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 "
      "-nodes -keyout ca.key -out ca.crt -subj /CN=zul-test-ca -days 2 2>/dev/null; "
      "openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout "
      "data/server.key -out server.csr -subj /CN=localhost 2>/dev/null; printf "
      "'subjectAltName=DNS:localhost,IP:127.0.0.1\\n' > san; openssl x509 -req -in server.csr "
      "-CA ca.crt -CAkey ca.key -CAcreateserial -out data/server.crt -days 2 -extfile san "
      "2>/dev/null; chmod 600 data/server.key");
  if (!run("sh", {"-c", script.arg(dir.path())}, &said)) return "openssl: " + said;
  if (!QDir().mkpath(SocketDir()) ||
      (::geteuid() == 0 && !run("chown", {"nobody:", SocketDir()}, &said, false)))
    return QStringLiteral("cannot make the socket's folder");
  if (!append(data + "/postgresql.conf",
              QStringLiteral("port = %1\nlisten_addresses = '127.0.0.1'\n"
                             "unix_socket_directories = '%2'\nssl = on\n"
                             "max_connections = 60\nshared_buffers = 16MB\n")
                  .arg(port)
                  .arg(SocketDir())
                  .toUtf8()) ||
      !append(data + "/pg_hba.conf",
              "local all all trust\nhost all all 127.0.0.1/32 scram-sha-256\n", true))
    return QStringLiteral("cannot configure the cluster");
  if (!StartAgain())
    return QStringLiteral("the server did not start: ") + Query("SELECT 1").join(' ');
  const QString schema = qEnvironmentVariable("ZUL_SOURCE_DIR") + "/packaging/admissions.sql";
  if (Query("CREATE DATABASE zul", "postgres") != QStringList() || !RunFile(schema, "zul") ||
      Query("CREATE ROLE gate LOGIN PASSWORD 'gate-pw' IN ROLE zulset_logger") != QStringList())
    return QStringLiteral("cannot make the database zul with ") + schema;
  return QString();
}

bool PgCluster::Stop(const QString& mode) {
  running = !run(bin + "/pg_ctl", {"-D", dir.filePath("data"), "-m", mode, "-w", "stop"});
  return !running;
}

bool PgCluster::StartAgain() {
  running = run(bin + "/pg_ctl", {"-D", dir.filePath("data"), "-l", dir.filePath("server.log"),
                                  "-w", "-t", "30", "start"});
  return running;
}

QStringList PgCluster::Query(const QString& sql, const QString& database) {
  QString out;
  const bool ok = run(bin + "/psql",
                      {"-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-h", SocketDir(), "-p",
                       QString::number(port), "-U", kSuperuser, "-d", database, "-c", sql},
                      &out, false);
  if (!ok) return {QStringLiteral("ERROR: ") + out.simplified()};
  return out.split('\n', Qt::SkipEmptyParts);
}

bool PgCluster::RunFile(const QString& file, const QString& database) {
  return run(bin + "/psql",
             {"-X", "-q", "-v", "ON_ERROR_STOP=1", "-h", SocketDir(), "-p", QString::number(port),
              "-U", kSuperuser, "-d", database, "-f", file},
             nullptr, false);
}

QString PgCluster::Url(const QString& database, const QString& query) const {
  return QStringLiteral("postgresql://gate@127.0.0.1:%1/%2%3")
      .arg(port)
      .arg(database, query.isEmpty() ? QString() : QLatin1Char('?') + query);
}
