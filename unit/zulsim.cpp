// SPDX-License-Identifier: GPL-3.0-or-later
// zulsim: the simulated unit on a pseudo-terminal, linked as ports/comN so that the program
// finds it as COM port N. Commands on standard input play calls and misbehaviour.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <limits>

#include "settings/SettingsLocation.h"
#include "unit/UnitEngine.h"

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
  const char c = 1;
  (void)!write(signalPipe[1], &c, 1);
}

void say(const QByteArray& text) {
  fprintf(stderr, "zulsim: %s\n", text.constData());
  fflush(stderr);
}

QByteArray printable(const QByteArray& bytes) {
  QByteArray r;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (c == 0x1A)
      r += "^Z";
    else if (c == 0x1B)
      r += "<ESC>";
    else if (b < 0x20 || b == 0x7F)
      r += "\\x" + QByteArray::number(b, 16).rightJustified(2, '0');
    else
      r += c;
  }
  return r;
}

const char* const Usage =
    "usage: zulsim [--com N] [--ports-dir DIR] [--interval SECONDS] [--capacity N]\n"
    "              [--vanish AFTER:SECONDS]\n"
    "              [--slots N] [--latency MS] [--state FILE] [--demo] [--strict] [--pace]\n"
    "Plays the GSM unit on a pseudo-terminal linked as DIR/comN (default: COM9, ports/ beside\n"
    "zulsim, or ~/.config/zulset/ports where that folder is read-only, as for an installed\n"
    "zulsim). --strict: no more than the unit's AT interface promises (ERROR to anything it\n"
    "does not list, OK alone to AT+CMGF?, nothing to AT^SPBD=SM, a bare +CPBR: (1-N)).\n"
    "--pace: what the unit sends and takes goes at the line's rate, 19200 baud (1,920 bytes\n"
    "a second). Type `help` on standard input for the commands.\n";

const char* const Help =
    "commands:\n"
    "  call NUMBER [b]   a caller rings (b: the call operates relay B)\n"
    "  level N           signal level of the next reports\n"
    "  report [nook]     a signal report now (nook: without its \"OK\")\n"
    "  interval SECONDS  time between signal reports (0 = none)\n"
    "  dropok            the next \"OK\" is lost\n"
    "  error [N]         the Nth command from now is answered with ERROR (default: next)\n"
    "  lose [N]          the answer to the Nth command from now is lost (default: next)\n"
    "  between [nook]    a signal report between the next command and its answer\n"
    "  noprompt          the next \"> \" prompt is lost; the unit waits for a body\n"
    "  errorname NAME    phone book writes of NAME are refused (no NAME: none are)\n"
    "  refuse TEXT       every command starting AT+TEXT... is answered ERROR, until behave\n"
    "  swallow TEXT      every command starting so is never answered, until behave\n"
    "  errors            ERROR to every command and SMS text from now on, until behave\n"
    "  behave            every fault above ends\n"
    "  silent SECONDS    no answers and no reports for a while\n"
    "  lfonly on|off     end lines with line feed only\n"
    "  noise N           N random bytes on the line\n"
    "  restart [N]       the unit restarts now, or on the Nth command from now (echo on again)\n"
    "  send TEXT         TEXT as a line of the unit's own (e.g. send +CSQ: 1x,99)\n"
    "  latency MS        delay of every answer\n"
    "  list              show the phone book and the SMS\n"
    "  quit              end zulsim\n";

struct Args {
  int com = 9;
  QString portsDir;
  double interval = 10;
  int capacity = 250;
  int smsSlots = 25;
  int latency = 0;
  QString state;
  bool demo = false;
  bool strict = false;
  bool pace = false;
  QByteArray vanish;          // AFTER:SECONDS, see Presence
  QList<QByteArray> atStart;  // console commands run before the line opens
};

const char* const UsageDo =
    "--do COMMAND runs one of those commands at start (e.g. --do \"lose 12\"); repeatable.\n";

bool parseArgs(int argc, char** argv, Args* a) {
  for (int i = 1; i < argc; ++i) {
    const QByteArray arg = argv[i];
    auto value = [&](QByteArray* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    QByteArray v;
    bool ok = true;
    if (arg == "--demo") {
      a->demo = true;
    } else if (arg == "--strict") {
      a->strict = true;
    } else if (arg == "--pace") {
      a->pace = true;
    } else if (arg == "--vanish" && value(&v)) {
      a->vanish = v;
    } else if (arg == "--help" || arg == "-h") {
      fputs(Usage, stdout);
      fputs(UsageDo, stdout);
      exit(0);
    } else if (!value(&v)) {
      return false;
    } else if (arg == "--com") {
      a->com = v.toInt(&ok);
      ok = ok && a->com >= 1 && a->com <= 50;
    } else if (arg == "--ports-dir") {
      a->portsDir = QString::fromLocal8Bit(v);
    } else if (arg == "--interval") {
      a->interval = v.toDouble(&ok);
      ok = ok && a->interval >= 0;
    } else if (arg == "--capacity") {
      a->capacity = v.toInt(&ok);
      ok = ok && a->capacity >= 1;
    } else if (arg == "--slots") {
      a->smsSlots = v.toInt(&ok);
      ok = ok && a->smsSlots >= 1;
    } else if (arg == "--latency") {
      a->latency = v.toInt(&ok);
      ok = ok && a->latency >= 0;
    } else if (arg == "--state") {
      a->state = QString::fromLocal8Bit(v);
    } else if (arg == "--do") {
      a->atStart << v;
    } else {
      return false;
    }
    if (!ok) return false;
  }
  return true;
}

// Carries out one line typed on standard input; false for quit.
bool command(UnitEngine& unit, const QByteArray& line) {
  const QList<QByteArray> w = line.simplified().split(' ');
  const QByteArray verb = w.value(0).toLower();
  const QByteArray arg = w.value(1);
  bool ok = true;
  if (verb.isEmpty()) {
  } else if (verb == "help" || verb == "?") {
    fputs(Help, stderr);
  } else if (verb == "quit" || verb == "exit") {
    return false;
  } else if (verb == "call" && !arg.isEmpty()) {
    const bool relayB = w.value(2).toLower() == "b";
    unit.call(arg, relayB);
    say("call from " + arg + (relayB ? " (relay B)" : ""));
  } else if (verb == "level" && (arg.toInt(&ok), ok)) {
    unit.setSignalLevel(arg.toInt());
  } else if (verb == "report" && (arg.isEmpty() || arg == "nook")) {
    unit.reportSignal(arg.isEmpty());
  } else if (verb == "interval" && (arg.toDouble(&ok), ok)) {
    unit.setReportInterval(qint64(arg.toDouble() * 1000));
  } else if (verb == "dropok") {
    unit.dropNextOk();
  } else if ((verb == "error" || verb == "lose") && (arg.isEmpty() || (arg.toInt(&ok), ok))) {
    const int n = arg.isEmpty() ? 1 : std::max(arg.toInt(), 1);
    unit.faultAt(n, verb == "lose" ? UnitEngine::Fault::LoseAnswer : UnitEngine::Fault::Refuse);
  } else if (verb == "between" && (arg.isEmpty() || arg == "nook")) {
    unit.faultAt(
        1, arg.isEmpty() ? UnitEngine::Fault::ReportFirst : UnitEngine::Fault::ReportFirstNoOk);
  } else if (verb == "noprompt") {
    unit.losePrompt();
  } else if (verb == "refuse" && !arg.isEmpty()) {
    unit.refuseAlways(arg.startsWith("AT") ? arg.mid(2) : arg);
  } else if (verb == "swallow" && !arg.isEmpty()) {
    unit.neverAnswer(arg.startsWith("AT") ? arg.mid(2) : arg);
  } else if (verb == "errors") {
    unit.refuseEverything(true);
  } else if (verb == "behave") {
    unit.behave();
  } else if (verb == "errorname") {
    if (arg.isEmpty())
      unit.clearErrorNames();
    else
      unit.setErrorName(arg);
  } else if (verb == "silent" && (arg.toDouble(&ok), ok)) {
    unit.silence(qint64(arg.toDouble() * 1000));
  } else if (verb == "lfonly" && (arg == "on" || arg == "off")) {
    unit.setLineFeedOnly(arg == "on");
  } else if (verb == "send" && !arg.isEmpty()) {
    const QByteArray text = line.trimmed().mid(verb.size()).trimmed();
    unit.injectBytes("\r\n" + text + "\r\n");
  } else if (verb == "restart" && (arg.isEmpty() || (arg.toInt(&ok), ok))) {
    if (arg.isEmpty())
      unit.restart();
    else
      unit.faultAt(std::max(arg.toInt(), 1), UnitEngine::Fault::Restart);
  } else if (verb == "noise" && (arg.toInt(&ok), ok)) {
    unit.injectNoise(arg.toInt());
  } else if (verb == "latency" && (arg.toInt(&ok), ok)) {
    unit.setLatency(arg.toInt());
  } else if (verb == "list") {
    for (auto it = unit.phoneBook().begin(); it != unit.phoneBook().end(); ++it)
      fprintf(stderr, "  %3d %-14s %s\n", it.key(), it->name.constData(), it->number.constData());
    for (auto it = unit.messages().begin(); it != unit.messages().end(); ++it)
      fprintf(stderr, "  sms %2d %s %s \"%s\"\n", it.key(), it->status.constData(),
              it->number.constData(), printable(it->text).constData());
  } else {
    say("what is \"" + line.trimmed() + "\"? (type help)");
    return true;
  }
  return true;
}

class PortLink {
 public:
  ~PortLink() { remove(); }

  // Takes ports/comN for this process; false (with a reason) when something else holds it.
  bool take(const QString& dir, int com, const QByteArray& device, QByteArray* why) {
    if (!QDir().mkpath(dir)) {
      *why = "cannot create " + QFile::encodeName(dir);
      return false;
    }
    link = QFile::encodeName(QDir(dir).filePath(QStringLiteral("com%1").arg(com)));
    lockName = QFile::encodeName(QDir(dir).filePath(QStringLiteral(".com%1.lock").arg(com)));
    lockFd = open(lockName.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lockFd < 0 || flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
      *why = link + " is held by another zulsim";
      if (lockFd >= 0) close(lockFd);
      lockFd = -1;
      return false;
    }
    struct stat st;
    if (lstat(link.constData(), &st) == 0) {
      if (!S_ISLNK(st.st_mode)) {
        *why = link + " exists and is not a link";
        return false;
      }
      char target[4096];
      const ssize_t n = readlink(link.constData(), target, sizeof target - 1);
      const QByteArray to(target, n > 0 ? int(n) : 0);
      // A pseudo-terminal link nobody holds the lock of is a leftover of a killed zulsim; a
      // link to anything else (a real adapter) is the user's.
      if (!to.startsWith("/dev/pts/") && stat(link.constData(), &st) == 0) {
        *why = link + " points to " + to + "; leaving it alone";
        return false;
      }
      unlink(link.constData());
    }
    if (symlink(device.constData(), link.constData()) != 0) {
      *why = "cannot create " + link + ": " + strerror(errno);
      return false;
    }
    linked = device;
    return true;
  }

  void remove() {
    if (!linked.isEmpty()) {
      char target[4096];
      const ssize_t n = readlink(link.constData(), target, sizeof target - 1);
      if (n > 0 && QByteArray(target, int(n)) == linked) unlink(link.constData());
      linked.clear();
    }
    if (lockFd >= 0) {
      unlink(lockName.constData());
      close(lockFd);
      lockFd = -1;
    }
  }

 private:
  QByteArray link, lockName, linked;
  int lockFd = -1;

 public:
  // While the device is away the number stays ours (the lock is kept); only the link goes.
  void unlinkOnly() {
    if (linked.isEmpty()) return;
    char target[4096];
    const ssize_t n = readlink(link.constData(), target, sizeof target - 1);
    if (n > 0 && QByteArray(target, int(n)) == linked) unlink(link.constData());
    linked.clear();
  }
  bool relink(const QByteArray& device, QByteArray* why) {
    unlinkOnly();
    unlink(link.constData());
    if (symlink(device.constData(), link.constData()) != 0) {
      *why = "cannot create " + link + ": " + strerror(errno);
      return false;
    }
    linked = device;
    return true;
  }
};

// A new pseudo-terminal in raw mode at 19200 bits per second; the master end, non-blocking.
bool openUnitPty(int* master, QByteArray* device) {
  int slave = -1;
  if (openpty(master, &slave, nullptr, nullptr, nullptr) != 0) {
    say(QByteArray("openpty: ") + strerror(errno));
    return false;
  }
  termios tio;
  tcgetattr(slave, &tio);
  cfmakeraw(&tio);
  cfsetispeed(&tio, B19200);
  cfsetospeed(&tio, B19200);
  tcsetattr(slave, TCSANOW, &tio);
  *device = ptsname(*master);
  // Nobody listens until the program opens the device; the master then reports a hang-up.
  close(slave);
  fcntl(*master, F_SETFL, fcntl(*master, F_GETFL) | O_NONBLOCK);
  fcntl(*master, F_SETFD, FD_CLOEXEC);
  return true;
}

// The device vanishing and coming back, as an unplugged adapter does: while away, the
// pseudo-terminal is closed (the program's end hangs up) and ports/comN is gone; the unit
// runs on and what it sends is lost. Back, a new pseudo-terminal is linked as ports/comN.
const char* const PresenceHelp =
    "  vanish [SECONDS]  the device goes away (line closed, link removed), back after\n"
    "                    SECONDS (without: until `back`)\n"
    "  back              the device comes back now, a new one behind the link\n"
    "  (--vanish AFTER:SECONDS: the device goes away AFTER seconds from the start)\n";

class Presence {
 public:
  static constexpr qint64 Never = std::numeric_limits<qint64>::max();

  // --vanish AFTER:SECONDS: away AFTER seconds from the start, for SECONDS.
  bool plan(const QByteArray& option) {
    const QList<QByteArray> parts = option.split(':');
    bool ok1 = false, ok2 = false;
    const double after = parts.value(0).toDouble(&ok1);
    const double away = parts.value(1).toDouble(&ok2);
    if (parts.size() != 2 || !ok1 || !ok2 || after < 0 || away <= 0) return false;
    goAt = qint64(after * 1000);
    awayFor = qint64(away * 1000);
    return true;
  }

  // Console commands that are the device's; false for any other line. `help` lists the
  // unit's commands and these.
  bool command(const QByteArray& line, qint64 now) {
    const QList<QByteArray> w = line.simplified().split(' ');
    const QByteArray verb = w.value(0).toLower();
    bool ok = true;
    if (verb == "help" || verb == "?") {
      fputs(Help, stderr);
      fputs(PresenceHelp, stderr);
    } else if (verb == "vanish" && (w.size() == 1 || (w.value(1).toDouble(&ok) > 0 && ok))) {
      const qint64 span = w.size() == 1 ? Never : qint64(w.value(1).toDouble() * 1000);
      if (away()) {
        backAt = span == Never ? Never : now + span;
      } else {
        goAt = now;
        awayFor = span;
      }
    } else if (verb == "back") {
      if (away()) backAt = now;
    } else {
      return false;
    }
    return true;
  }

  bool away() const { return master < 0; }
  // The next time step() has something to do; Never when nothing is planned.
  qint64 nextChange() const { return away() ? backAt : goAt < 0 ? Never : goAt; }

  // Goes or comes back when due; true when it changed (a new device is hung up until the
  // program opens it).
  bool step(qint64 now, PortLink& link) {
    if (!away() && goAt >= 0 && now >= goAt) {
      close(master);
      master = -1;
      link.unlinkOnly();
      backAt = awayFor == Never ? Never : now + awayFor;
      goAt = -1;
      say("device gone" +
          (backAt == Never ? QByteArray() : " for " + QByteArray::number(awayFor / 1000.0) + " s"));
      return true;
    }
    if (away() && now >= backAt) {
      QByteArray device, why;
      backAt = Never;
      if (!openUnitPty(&master, &device)) return false;
      if (!link.relink(device, &why)) say(why);
      say("device back: " + device);
      return true;
    }
    return false;
  }

  int master = -1;

 private:
  qint64 goAt = -1;
  qint64 awayFor = 0;
  qint64 backAt = Never;
};

// The line's rate: bytes may go at 1,920 a second, with a few bytes of slack so that a pause
// in the traffic saves up no burst.
class Pacer {
 public:
  explicit Pacer(bool on) : on(on) {}
  qint64 room(qint64 now) {
    if (!on) return std::numeric_limits<qint64>::max();
    const qint64 allowed = now * kBytesPerSecond / 1000;
    used = std::max(used, allowed - kSlack);
    return allowed - used;
  }
  void take(qint64 n) { used += n; }
  // Milliseconds until another byte may go.
  int wait(qint64 now) { return !on || room(now) > 0 ? 0 : int(1000 / kBytesPerSecond + 1); }

 private:
  static constexpr qint64 kBytesPerSecond = 1920;
  static constexpr qint64 kSlack = 4;
  bool on;
  qint64 used = 0;
};

}  // namespace

int main(int argc, char** argv) {
  Args args;
  if (!parseArgs(argc, argv, &args)) {
    fputs(Usage, stderr);
    fputs(UsageDo, stderr);
    return 2;
  }
  if (args.portsDir.isEmpty())
    args.portsDir = PortLinkFolder(
        QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath(),
        UserConfigFolder());

  UnitEngine::Options o;
  o.capacity = args.capacity;
  o.smsSlots = args.smsSlots;
  o.latencyMs = args.latency;
  o.reportIntervalMs = qint64(args.interval * 1000);
  o.strict = args.strict;
  UnitEngine unit(o);
  Pacer sending(args.pace), taking(args.pace);
  QString why;
  if (!args.state.isEmpty() && QFileInfo::exists(args.state) && !unit.loadState(args.state, &why)) {
    say("cannot load the state: " + why.toLocal8Bit());
    return 2;
  }
  if (args.demo && unit.phoneBook().isEmpty() && unit.messages().isEmpty()) unit.fillDemo();
  for (const QByteArray& line : args.atStart) command(unit, line);
  quint64 saved = unit.changeCount();
  auto saveState = [&] {
    if (args.state.isEmpty() || saved == unit.changeCount()) return;
    saved = unit.changeCount();
    if (!unit.saveState(args.state, &why)) say("cannot save the state: " + why.toLocal8Bit());
  };
  unit.onCommand = [](const QByteArray& line) {
    fprintf(stderr, "<- %s\n", printable(line).constData());
    fflush(stderr);
  };

  Presence presence;
  if (!args.vanish.isEmpty() && !presence.plan(args.vanish)) {
    fputs(Usage, stderr);
    return 2;
  }
  int& master = presence.master;
  QByteArray device;
  if (!openUnitPty(&master, &device)) return 1;

  PortLink link;
  QByteArray reason;
  if (!link.take(args.portsDir, args.com, device, &reason)) {
    say(reason);
    return 3;
  }

  if (pipe(signalPipe) != 0) return 1;
  struct sigaction sa;
  memset(&sa, 0, sizeof sa);
  sa.sa_handler = onSignal;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  printf("COM%d %s\n", args.com, device.constData());
  fflush(stdout);

  QElapsedTimer time;
  time.start();
  bool hungUp = true;
  bool stdinOpen = true;
  bool running = true;
  QByteArray toWrite, stdinLine;
  while (running) {
    unit.advanceTo(time.elapsed());
    if (presence.step(time.elapsed(), link)) hungUp = true;
    if (hungUp && !presence.away()) {
      // Is anybody there now?
      pollfd p{master, POLLIN, 0};
      if (poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP)) hungUp = false;
    }
    if (hungUp) {
      unit.takeOutput();  // nobody listens: it is lost on the line
      toWrite.clear();
    } else {
      toWrite += unit.takeOutput();
      while (!toWrite.isEmpty()) {
        const qint64 room = std::min<qint64>(sending.room(time.elapsed()), toWrite.size());
        if (room <= 0) break;
        const ssize_t n = write(master, toWrite.constData(), size_t(room));
        if (n <= 0) break;
        sending.take(n);
        toWrite.remove(0, int(n));
      }
    }
    saveState();

    const qint64 next = unit.nextEventTime();
    int timeout = next < 0 ? 1000 : int(std::clamp<qint64>(next - time.elapsed(), 0, 1000));
    if (hungUp) timeout = std::min(timeout, 200);
    // Paced, the line is looked at again as soon as another byte may go either way.
    if (!toWrite.isEmpty()) timeout = std::min(timeout, std::max(sending.wait(time.elapsed()), 1));
    const bool mayTake = taking.room(time.elapsed()) > 0;
    if (!mayTake) timeout = std::min(timeout, taking.wait(time.elapsed()));
    timeout = int(std::clamp<qint64>(presence.nextChange() - time.elapsed(), 0, timeout));
    pollfd fds[3];
    int n = 0;
    fds[n++] = {signalPipe[0], POLLIN, 0};
    const int stdinAt = stdinOpen ? n : -1;
    if (stdinOpen) fds[n++] = {STDIN_FILENO, POLLIN, 0};
    const int masterAt = hungUp ? -1 : n;
    if (!hungUp)
      fds[n++] = {master,
                  short((mayTake ? POLLIN : 0) |
                        (toWrite.isEmpty() || sending.wait(time.elapsed()) ? 0 : POLLOUT)),
                  0};
    if (poll(fds, nfds_t(n), timeout) < 0) {
      if (errno == EINTR) continue;
      say(QByteArray("poll: ") + strerror(errno));
      break;
    }
    if (fds[0].revents) running = false;
    if (masterAt >= 0 && fds[masterAt].revents) {
      char buf[4096];
      const qint64 room = std::min<qint64>(taking.room(time.elapsed()), sizeof buf);
      const ssize_t got = (fds[masterAt].revents & POLLIN) && room > 0
                              ? read(master, buf, size_t(room))
                          : (fds[masterAt].revents & (POLLHUP | POLLERR)) ? 0
                                                                          : -1;
      if (got > 0) {
        taking.take(got);
        unit.advanceTo(time.elapsed());
        unit.feed(QByteArray(buf, int(got)));
      } else if (fds[masterAt].revents & (POLLHUP | POLLERR)) {
        hungUp = true;  // the program closed the port; a later open works again
      }
    }
    if (stdinAt >= 0 && fds[stdinAt].revents) {
      char buf[1024];
      const ssize_t got = read(STDIN_FILENO, buf, sizeof buf);
      if (got <= 0) {
        stdinOpen = false;  // run on without a console
      } else {
        stdinLine += QByteArray(buf, int(got));
        int end;
        while (running && (end = stdinLine.indexOf('\n')) >= 0) {
          unit.advanceTo(time.elapsed());
          const QByteArray typed = stdinLine.left(end);
          running = presence.command(typed, time.elapsed()) || command(unit, typed);
          stdinLine.remove(0, end + 1);
        }
      }
    }
  }
  saveState();
  link.remove();
  if (master >= 0) close(master);
  return 0;
}
