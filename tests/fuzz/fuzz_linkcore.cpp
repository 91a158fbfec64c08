// SPDX-License-Identifier: GPL-3.0-or-later
// The link core fed a unit's bytes through the in-memory line, with the SIM buttons pressed
// at any point: no chain may hang, and once the unit behaves again every chain has ended and
// the link is at rest.
//
// The input is what the unit sends, injected between its own answers, with byte 0xFE and one
// more as a step of the script around it:
//   0xFE '1'..'6'  press Load SIM, Overwrite SIM, Add To SIM, Load SMSs, Save SMSs, Delete SMSs
//   0xFE 't' n     let n * 100 ms pass        0xFE 'T' n  n * 5 s
//   0xFE 's' n     the unit falls silent for n s (it hears nothing, and only the input speaks)
//   0xFE 'b'       the unit behaves again     0xFE 'r'    the unit restarts
//   0xFE 'l' 'e' 'f' 'n'  its next answer is lost, refused, follows a report, a report without OK
//   0xFE 'o' 'q'   its next "OK" is dropped, its next prompt lost
//   0xFE 'c' 'C'   a call from a known caller (relay A), an unknown one (relay B)
//   0xFE 'u' 'p'   the adapter pulled out, put back
//   0xFE 'g'       the grid and the SMS pairs edited (rows and pairs to write)
//   0xFE 'x'       "ERROR" to everything from now on; 0xFE 'w' 'W' every phone book write
//                  refused, never answered (until 'b')
//   0xFE 'S'       as the input's first step: the unit gives no more than its AT interface
//   0xFE 0xFE      the byte 0xFE itself
#include "fuzz/FuzzTarget.h"
#include "link/ComPort.h"
#include "support/CoreHarness.h"

namespace {

constexpr int kCapacity = 20;
constexpr qint64 kInterval = 10000;
// The longest a chain may take, once the unit behaves, to end: the watchdog's question and a
// whole phone book written at a row per report window fit in it many times over.
constexpr qint64 kEndMs = 30 * 60 * 1000;

bool atRest(LinkCore& f) {
  return f.Link.Running == Chain::None && !f.Link.anyTransfer() && !f.InFlight.Awaits() &&
         !f.ButtonsLocked && f.ComPort1->IsOpen();
}

QString state(LinkCore& f) {
  const LinkState& l = f.Link;
  return QStringLiteral("chain %1, awaited %2, transfer %3, locked %4, port %5")
      .arg(int(l.Running))
      .arg(int(f.InFlight.kind))
      .arg(l.anyTransfer())
      .arg(f.ButtonsLocked)
      .arg(f.ComPort1->IsOpen());
}

}  // namespace

ZUL_FUZZ_TARGET(linkcore) {
  RigSetup s;
  s.demo = true;
  s.unit.capacity = kCapacity;
  s.unit.reportIntervalMs = kInterval;
  s.unit.strict = data.startsWith("\xfeS");
  CoreHarness h(s);
  LinkCore& f = h.core();
  UnitEngine& u = h.unit();
  h.dialogs().answers = {true};  // the watchdog's question: choose the port again

  int started = 0;
  QByteArray bytes;
  auto flush = [&] {
    if (bytes.isEmpty()) return;
    u.injectBytes(std::exchange(bytes, QByteArray()));
    h.run(20);
  };
  auto press = [&](Chain chain) {
    const bool idle = f.Link.Running == Chain::None;
    h.press(chain);
    if (idle && f.Link.Running != Chain::None) ++started;
  };
  FuzzInput in(data);
  while (!in.empty()) {
    const quint8 c = in.byte();
    if (c != 0xFE) {
      bytes += char(c);
      continue;
    }
    const quint8 op = in.byte();
    if (op == 0xFE) {
      bytes += char(op);
      continue;
    }
    flush();
    switch (op) {
      case '1':
      case '2':
      case '3':
      case '4':
      case '5':
      case '6':
        press(Chain(op - '0'));
        break;
      case 't':
        h.run(qint64(in.byte()) * 100);
        break;
      case 'T':
        h.run(qint64(in.byte()) * 5000);
        break;
      case 's':
        u.silence(qint64(in.byte()) * 1000);
        break;
      case 'b':
        u.behave();
        break;
      case 'r':
        u.restart();
        break;
      case 'l':
        u.faultAt(1, UnitEngine::Fault::LoseAnswer);
        break;
      case 'e':
        u.faultAt(1, UnitEngine::Fault::Refuse);
        break;
      case 'f':
        u.faultAt(1, UnitEngine::Fault::ReportFirst);
        break;
      case 'n':
        u.faultAt(1, UnitEngine::Fault::ReportFirstNoOk);
        break;
      case 'o':
        u.dropNextOk();
        break;
      case 'q':
        u.losePrompt();
        break;
      case 'c':
        u.call("+420777111222");
        break;
      case 'C':
        u.call("+420999000111", true);
        break;
      case 'u':
        h.serial().unplug();
        break;
      case 'p':
        h.serial().plugBack();
        break;
      case 'x':
        u.refuseEverything(true);
        break;
      case 'w':
        u.refuseAlways("+CPBW=");
        break;
      case 'W':
        u.neverAnswer("+CPBW=");
        break;
      case 'g':
        if (h.gridEditable()) {
          h.setGrid({"ADMIN1=+420777111222", "Gate=+420600100200", "RTIME=05", "X=1"});
          for (int k = 0; k < 6; ++k)
            h.setPair(k, QStringLiteral("+42060000%1").arg(k), QStringLiteral("Text %1").arg(k));
        }
        break;
      default:
        break;
    }
  }
  flush();

  h.serial().plugBack();
  u.behave();
  const bool ended = h.runUntil([&] { return atRest(f); }, kEndMs);
  FUZZ_CHECK(ended, state(f));
  // Each chain tells its end once (the end of the start-up's queries tells no chain).
  int told = 0;
  for (const Notice& n : h.notices)
    told += n.kind == Notice::Kind::ChainEnded && n.chain != Chain::None;
  FUZZ_CHECK(told == started, QStringLiteral("%1 chains started, %2 ended").arg(started).arg(told));
  // At rest it stays so: the next report brings nothing that starts work again.
  h.run(kInterval + 1000);
  FUZZ_CHECK(atRest(f), state(f));
}
