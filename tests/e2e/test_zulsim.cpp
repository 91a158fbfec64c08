// SPDX-License-Identifier: GPL-3.0-or-later
// The zulsim program: its pseudo-terminal behind ports/comN, answers and reports on it, the
// console commands, the state file, and the link's removal at the end.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Opens the device behind the link as the program would: raw, 19200 bits per second.
int openPort(const QString& link) {
  const int fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return -1;
  termios t;
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  cfsetspeed(&t, B19200);
  tcsetattr(fd, TCSANOW, &t);
  return fd;
}

// Reads until `until` has arrived or timeoutMs have passed.
QByteArray readUntil(int fd, const QByteArray& until, int timeoutMs) {
  QByteArray got;
  QElapsedTimer timer;
  timer.start();
  while (!got.contains(until) && timer.elapsed() < timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    char buf[1024];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) got.append(buf, int(n));
  }
  return got;
}

QByteArray talk(int fd, const QByteArray& command, const QByteArray& until = "OK\r\n") {
  if (::write(fd, command.constData(), size_t(command.size())) != command.size()) return {};
  return readUntil(fd, until, 3000);
}

}  // namespace

class TestZulsim : public QObject {
  Q_OBJECT

  QTemporaryDir dir;
  QString zulsim;

  QString link() const { return dir.filePath("ports/com9"); }

  // Starts zulsim and waits for the line naming its device.
  bool start(QProcess& p, QStringList args, QByteArray* line) {
    p.setProgram(zulsim);
    p.setArguments(QStringList{"--com", "9", "--ports-dir", dir.filePath("ports")} + args);
    p.start();
    if (!p.waitForStarted(5000)) return false;
    QElapsedTimer t;
    t.start();
    while (!p.canReadLine() && t.elapsed() < 5000) p.waitForReadyRead(100);
    *line = p.readLine().trimmed();
    return !line->isEmpty();
  }

 private slots:
  void initTestCase() {
    zulsim = qEnvironmentVariable("ZULSIM");
    if (zulsim.isEmpty() || !QFileInfo(zulsim).isExecutable())
      QSKIP("ZULSIM does not name the zulsim program");
  }

  void answersOnItsLinkAndLeavesNoLink() {
    const QString state = dir.filePath("unit.state");
    QProcess p;
    QByteArray line;
    QVERIFY(start(p, {"--demo", "--interval", "1", "--state", state}, &line));
    const QString device = QFileInfo(link()).symLinkTarget();
    QVERIFY(device.startsWith("/dev/pts/"));
    QCOMPARE(line, ("COM9 " + device).toLocal8Bit());

    int fd = openPort(link());
    QVERIFY(fd >= 0);
    QCOMPARE(talk(fd, "ATE\r\n"), QByteArray("ATE\r\r\nOK\r\n"));
    QVERIFY(readUntil(fd, "+CSQ: 18,99\r\n\r\nOK\r\n", 3000).contains("+CSQ: 18,99"));
    QVERIFY(talk(fd, "AT+CPBW=,+420111,,\"NEW\"\r\n").endsWith("\r\nOK\r\n"));

    // A caller the demo phone book knows, on relay B.
    p.write("call +420777111222 b\n");
    QVERIFY(p.waitForBytesWritten(3000));
    const QByteArray call = readUntil(fd, "ADMIN2\"", 3000);
    QVERIFY2(call.contains("+CSSU: 0\r\n\r\n+CLCC: 1,1,4,0,0,\"+420777111222\",145,\"ADMIN2\""),
             call.constData());

    // The program closes the port and opens it again.
    ::close(fd);
    QTest::qWait(300);
    fd = openPort(link());
    QVERIFY(fd >= 0);
    QCOMPARE(talk(fd, "AT\r\n"), QByteArray("\r\nOK\r\n"));
    ::close(fd);

    // While it runs, a second one on the same number keeps its hands off.
    QProcess second;
    second.start(zulsim, {"--com", "9", "--ports-dir", dir.filePath("ports")});
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitCode(), 3);
    QCOMPARE(QFileInfo(link()).symLinkTarget(), device);

    p.terminate();
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QVERIFY(!QFileInfo(link()).isSymLink());

    QFile f(state);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray saved = f.readAll();
    QVERIFY(saved.contains("+420111\tNEW"));
    QVERIFY(saved.contains("ADMIN2"));
  }

  void replacesALeftOverLink() {
    // A killed zulsim leaves its link behind; the next one takes the number over.
    QVERIFY(QDir().mkpath(dir.filePath("ports")));
    QFile::remove(link());
    QVERIFY(QFile::link("/dev/pts/999", link()));
    QProcess p;
    QByteArray line;
    QVERIFY(start(p, {"--interval", "0", "--do", "lose 2"}, &line));
    QVERIFY(QFileInfo(link()).symLinkTarget() != "/dev/pts/999");

    // Misbehaviour from the options and the console.
    const int fd = openPort(link());
    QVERIFY(fd >= 0);
    QCOMPARE(talk(fd, "ATE\r\n"), QByteArray("ATE\r\r\nOK\r\n"));
    QCOMPARE(talk(fd, "AT\r\n"), QByteArray());  // the answer to the second command is lost
    p.write("between nook\n");
    QVERIFY(p.waitForBytesWritten(3000));
    QTest::qWait(200);
    QCOMPARE(talk(fd, "AT\r\n"), QByteArray("\r\n+CSQ: 18,99\r\n\r\nOK\r\n"));
    p.write("send +CSQ: 1x,99  \n");  // a garbled report, as typed
    QVERIFY(p.waitForBytesWritten(3000));
    QCOMPARE(readUntil(fd, "1x,99\r\n", 3000), QByteArray("\r\n+CSQ: 1x,99\r\n"));
    ::close(fd);

    p.write("quit\n");
    QVERIFY(p.waitForBytesWritten(3000));
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(!QFileInfo(link()).isSymLink());
  }
};

QTEST_GUILESS_MAIN(TestZulsim)
#include "test_zulsim.moc"
