// SPDX-License-Identifier: GPL-3.0-or-later
// TComPort through Qt SerialPort on a pseudo-terminal linked as ports/comN beside the program.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "link/ComPort.h"
#include "link/PortNames.h"
#include "platform/Errors.h"
#include "platform/QtSerialDevice.h"

namespace {
// Reads at the master without running the event loop, for up to timeoutMs.
QByteArray readMaster(int fd, int wanted, int timeoutMs) {
  QByteArray got;
  QElapsedTimer timer;
  timer.start();
  while (got.size() < wanted && timer.elapsed() < timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    char buf[256];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) got.append(buf, n);
  }
  return got;
}
}  // namespace

class TestComPortPty : public QObject {
  Q_OBJECT

  int master = -1;
  int slave = -1;
  QTemporaryDir dir;
  QtSerialDeviceFactory factory;

  std::unique_ptr<TComPort> makePort() {
    const QString programDir = dir.path();
    return std::make_unique<TComPort>(
        &factory, [] { return 0; }, [programDir](int n) { return PortDeviceName(n, programDir); });
  }

 private slots:
  void initTestCase() {
    char name[256] = {};
    QCOMPARE(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    QVERIFY(QDir(dir.path()).mkdir("ports"));
    QVERIFY(QFile::link(QString::fromLocal8Bit(name), dir.path() + "/ports/com12"));
    QVERIFY(QFile::link(dir.path() + "/gone", dir.path() + "/ports/com13"));
  }
  void cleanupTestCase() {
    ::close(master);
    ::close(slave);
  }

  void sendsReceivesAndSetsTheLine() {
    auto port = makePort();
    QByteArray got;
    QList<int> counts;
    port->OnTriggerAvail = [&](TComPort* CP, int Count) {
      counts << Count;
      for (int i = 0; i < Count; ++i) got += char(CP->ReadChar());
    };
    port->SetComNumber(12);
    port->SendText("ATE\r\n");
    QVERIFY(port->IsOpen());
    // On the line at once, although the event loop does not run (the program pauses here).
    QCOMPARE(readMaster(master, 5, 2000), QByteArray("ATE\r\n"));

    termios tio;
    QCOMPARE(::tcgetattr(slave, &tio), 0);
    QCOMPARE(::cfgetospeed(&tio), speed_t(B19200));
    QCOMPARE(::cfgetispeed(&tio), speed_t(B19200));
    QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
    QVERIFY(!(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS)));
    QVERIFY(!(tio.c_iflag & (IXON | IXOFF)));
    QVERIFY(!(tio.c_lflag & (ICANON | ECHO)));

    const QByteArray answer("\r\n+CSQ: 17,0\r\n\x00\xff", 16);
    QCOMPARE(::write(master, answer.constData(), answer.size()), ssize_t(answer.size()));
    QTRY_COMPARE(got, answer);

    // Input that waits in the system while the program is busy is dropped by DiscardInput.
    QCOMPARE(::write(master, "OK\r\n", 4), ssize_t(4));
    QThread::msleep(100);
    port->DiscardInput();
    QCOMPARE(::write(master, "X", 1), ssize_t(1));
    QTRY_COMPARE(got, answer + "X");
    QCOMPARE(counts.last(), 1);
  }

  void openingErrors() {
    auto holder = makePort();
    holder->SetComNumber(12);
    holder->SendText("AT\r\n");
    auto second = makePort();
    second->SetComNumber(12);
    QVERIFY_THROWS_EXCEPTION(EAlreadyOpen, second->SendText("AT\r\n"));
    second->SetComNumber(13);
    QVERIFY_THROWS_EXCEPTION(EBadId, second->SendText("AT\r\n"));
    QVERIFY(!second->IsOpen());
    readMaster(master, 4, 500);
  }

  // Told apart on a real device: a user who may not open it, and a port another program
  // holds. Run as root, the openings take the rights of nobody.
  void permissionDeniedIsNotInUse() {
    int m = -1, s = -1;
    char name[256] = {};
    QCOMPARE(::openpty(&m, &s, name, nullptr, nullptr), 0);
    const QString device = QString::fromLocal8Bit(name);
    const bool root = ::geteuid() == 0;
    const auto portOn = [&] {
      return std::make_unique<TComPort>(
          &factory, [] { return 0; }, [device](int) { return device; });
    };
    struct Rights {  // nobody's while it lives, when run as root
      bool root, ok = true;
      explicit Rights(bool root) : root(root) {
        if (root) ok = ::setegid(65534) == 0 && ::seteuid(65534) == 0;
      }
      ~Rights() {
        if (root) (void)!(::seteuid(0) == 0 && ::setegid(0) == 0);
      }
    };

    QCOMPARE(::chmod(name, root ? 0600 : 0), 0);
    {
      Rights nobody(root);
      if (!nobody.ok) QSKIP("cannot take the rights of nobody");
      auto port = portOn();
      port->SetComNumber(20);
      try {
        port->SendText("AT\r\n");
        QFAIL("no error");
      } catch (const EPermissionDenied& e) {
        QCOMPARE(e.Message,
                 "Permission denied: " + device + " (is your user in the dialout group?)");
      }
    }

    if (root) QCOMPARE(::chown(name, 65534, 65534), 0);
    QCOMPARE(::chmod(name, 0600), 0);
    auto holder = portOn();
    holder->SetComNumber(20);
    holder->SendText("AT\r\n");
    {
      Rights nobody(root);
      auto port = portOn();
      port->SetComNumber(20);
      QVERIFY_THROWS_EXCEPTION(EAlreadyOpen, port->SendText("AT\r\n"));
    }
    holder.reset();
    ::close(m);
    ::close(s);
  }

  // A block the system refuses (the other end has gone, not yet noticed) fails the send.
  void refusedWriteFailsTheSend() {
    int m = -1, s = -1;
    char name[256] = {};
    QCOMPARE(::openpty(&m, &s, name, nullptr, nullptr), 0);
    const QString device = QString::fromLocal8Bit(name);
    TComPort port(
        &factory, [] { return 0; }, [device](int) { return device; });
    port.SetComNumber(20);
    port.SendText("AT\r\n");
    QCOMPARE(readMaster(m, 4, 2000), QByteArray("AT\r\n"));
    ::close(m);
    ::close(s);
    try {
      port.SendText("AT\r\n");
      QFAIL("no error");
    } catch (const EPutBlockFail& e) {
      QCOMPARE(e.Message, QStringLiteral("Failed to put entire block"));
    }
  }
};

QTEST_GUILESS_MAIN(TestComPortPty)
#include "test_comport_pty.moc"
