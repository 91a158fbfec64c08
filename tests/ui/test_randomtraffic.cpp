// SPDX-License-Identifier: GPL-3.0-or-later
// Seeded random sessions through the real window and through the link core alone: the unit's
// traffic and misbehaviour, garbage on the line, and a user who clicks, edits and answers boxes
// at random. After every write the unit holds each row or SMS asked for once, or the message
// names it, and the grid and the edits hold what the unit holds or what the user had. Once the
// unit behaves again every session must come to rest, store no command as an SMS text and lose
// no call.
//
//   ZUL_RANDOM_SEED=n       seed of the first session (default 1); session i plays seed n + i
//   ZUL_RANDOM_SESSIONS=n   sessions (default 8; a long run asks for thousands)
//   ZUL_RANDOM_FACE=f       window, core or both (default: both, each seed on each)
//   ZUL_RANDOM_STRICT=0|1   the unit's profile for every seed (default: strict for every
//                           other pair of seeds, from 2)
// A failing session names its seed and face: ZUL_RANDOM_SEED=<seed> ZUL_RANDOM_SESSIONS=1
// ZUL_RANDOM_FACE=<face> replays it.
#include <time.h>
#include <unistd.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <cstdio>
#include <cstring>

#include "app/Form1.h"
#include "app/MonitorView.h"
#include "link/AtCommands.h"
#include "link/ComPort.h"
#include "link/LineRules.h"
#include "phonebook/NameValueGrid.h"
#include "support/CallTimes.h"
#include "support/CoreHarness.h"
#include "support/WindowHarness.h"
#include "unit/UnitEngine.h"

// gcc tells AddressSanitizer by __SANITIZE_ADDRESS__, clang by __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define ZUL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZUL_ASAN 1
#endif
#endif

#if defined(ZUL_ASAN)
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

constexpr int kCapacity = 20;
constexpr qint64 kInterval = 10000;
// The longest chain with a unit that behaves (Overwrite SIM of a full grid), and what the
// watchdog takes to ask for a port again when the user cancelled the choice.
constexpr qint64 kChainMs = 45000;
constexpr qint64 kAskMs = 130000;
constexpr int kSteps = 50;
constexpr qint64 kBatchBoundNs = 100 * 1000 * 1000;
#if defined(ZUL_ASAN)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

struct Figures {
  quint64 sessions = 0, bytes = 0, clicks = 0, boxes = 0, calls = 0, records = 0, fullSims = 0;
  quint64 echoReads = 0;  // sessions that ended with the unit's echo on
  QStringList findings;
  qint64 batchNs = 0;
  quint32 batchSeed = 0;
} total;

char deathNote[128] = "";

// The window thread's own time: a machine busy with other work does not count against it.
qint64 threadCpuNs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

#if defined(ZUL_ASAN)
// A sanitizer finding ends the process: say which session it was.
void sayDeath() {
  if (deathNote[0]) (void)!write(2, deathNote, strlen(deathNote));
}
#endif

const char* const kNames[] = {"ADMIN1",          "ADMIN2", "ALARM1", "ALARM8", "CRED",   "OPER",
                              "RTIME",           "OUT",    "NOVAK",  "KRAL",   "Petr N", "X",
                              "VERYLONGNAMEXYZ", "BAD\"Q", "Žena",   ""};
const char* const kNumbers[] = {"+420777111222",
                                "+420603123456",
                                "123",
                                "*101#",
                                "05",
                                "12 3",
                                "",
                                "+42077711122233344",
                                "abc"};
const char* const kTexts[] = {"Gate open",           "> look",    "OK", "ERROR",
                              "Power (mains) fail!", "AT+CMGD=1", "",   "x"};
const char* const kSmsLines[] = {"+CPBR: (1-%1),40,14", "+CMGW: %1", "+CSQ: %1,99", "OK", "ERROR",
                                 "+CME ERROR: 21",      "RING",      "> "};
const char* const kOddNumbers[] = {"1",     "5",          "20", "250", "10000",
                                   "10001", "2147483648", "-4", "",    "x7"};

class Session {
 public:
  Session(quint32 seed, FaceKind face) : seed(seed), face(face), rnd(seed) {
    RigSetup s;
    s.demo = true;
    s.unit.capacity = kCapacity;
    s.unit.reportIntervalMs = kInterval;
    s.unit.seed = seed;
    s.unit.latencyMs = pick(4) * 40;
    // Every other pair of seeds: a unit that gives no more than its AT interface promises
    // (ZUL_RANDOM_STRICT=0 or 1 plays every seed so).
    const QByteArray profile = qgetenv("ZUL_RANDOM_STRICT");
    s.unit.strict = profile.isEmpty() ? seed / 2 % 2 == 1 : profile == "1";
    s.beforeStart = [this](Rig& w) {
      hp = &w;
      w.dialogs().whileOpen = [this](const TestDialogs::Shown& box) { onBox(box); };
      // Calls also come right behind our commands: into the pauses of the chains.
      w.unit().onCommand = [this](const QByteArray&) {
        if (harness && chance(10)) call();
      };
      known << QByteArray();  // the edits start empty, and an empty pair is saved as it is
      for (const UnitEngine::Sms& m : w.unit().messages()) known << m.text;
      // Every other session without OUT: a full SIM then has only entry N free.
      if (this->seed % 2 == 0) w.unit().removeEntry(kCapacity);
    };
    harness = MakeRig(face, s);
    times = std::make_unique<CallTimes>(*harness);
    times->watch();
    LinkCore& f = core();
    // The batch in real time, without the boxes it showed: behind a box the window repaints.
    auto parse = f.ComPort1->OnTriggerAvail;
    f.ComPort1->OnTriggerAvail = [this, parse](TComPort* cp, int count) {
      const qint64 start = threadCpuNs();
      const qint64 boxed = boxNs;
      const LinkState& l = core().Link;
      const Exchange& x = core().InFlight;
      // A stray size line and a stray "OK" where the answer to our size question was lost are
      // an answer to the program as much as the unit's own: the size they give is excused.
      const bool asking = x.Is(At::SizeQuery) || x.Is(At::OperatorQuery);
      const int size = l.PhoneBookCapacity;
      const Chain running = l.Running;
      parse(cp, count);
      if (running != Chain::None && l.Running == Chain::None) chainEnded(running);
      if (asking && l.PhoneBookCapacity != size) answeredSizes << l.PhoneBookCapacity;
      batchNs = std::max(batchNs, threadCpuNs() - start - (boxNs - boxed));
    };
    auto lost = f.ComPort1->OnPortLost;
    f.ComPort1->OnPortLost = [this, lost](TComPort* cp, const QString& why) {
      excuseCalls();
      lost(cp, why);
    };
  }

  void play() {
    for (int i = 0; i < kSteps; ++i) {
      if (!h().serial().plugged() && h().clock().elapsed() >= plugBackAt) h().serial().plugBack();
      noteTexts();
      act();
      noteTexts();
      h().run(rnd.bounded(4000));
      checkFiles();
    }
  }

  // The unit behaves again and the user only answers: the checks. Returns what is wrong.
  QStringList rest() {
    calm = true;
    h().serial().plugBack();
    unit().behave();
    LinkCore& f = core();
    QStringList wrong;
    const bool portless = f.ComPort1->ComNumber() == 0;
    const qint64 budget = kChainMs + 2 * kInterval + (portless ? kAskMs : 0);
    if (!h().runUntil([&] { return finished(); }, budget)) {
      wrong << QStringLiteral("still busy %1 s after the unit behaved again: %2")
                   .arg(budget / 1000)
                   .arg(state());
    } else {
      // A question still on its way may bring one more (the port taken back twice asks the
      // operator twice, and each answer asks the size): after one report all must be quiet.
      h().run(kInterval + 1000);
      const int sent = h().received().size();
      h().run(kInterval + 1000);
      const bool usable = !f.ButtonsLocked && f.Link.LinkIdle && h().received().size() == sent &&
                          !unit().waitingForBody() && h().simButtonsUsable();
      if (!usable) wrong << QStringLiteral("not usable after the next report: ") + state();
      // A unit that restarted says our commands back: the next chain takes none of them for
      // data, and leaves the echo off.
      if (usable && unit().echo()) wrong << readAfterRestart();
    }
    if (f.Link.PhoneBookCapacity != kCapacity && !answeredSizes.contains(f.Link.PhoneBookCapacity))
      wrong << QStringLiteral("phone book size %1, the unit has %2")
                   .arg(f.Link.PhoneBookCapacity)
                   .arg(kCapacity);
    for (const UnitEngine::Sms& m : unit().messages())
      if (!known.contains(m.text))
        wrong << QStringLiteral("stored as an SMS text: \"%1\"")
                     .arg(QString::fromLatin1(m.text.left(80)).replace('\n', "\\n"));
    // Entry N is OUT's alone: a row there could never be read or erased.
    const QByteArray last = unit().phoneBook().value(kCapacity).name;
    if (!last.isEmpty() && last != "OUT")
      wrong
          << QStringLiteral("entry %1 holds \"%2\"").arg(kCapacity).arg(QString::fromLatin1(last));
    for (const TestDialogs::Shown& box : h().dialogs().shown)
      if (box.text.contains(QStringLiteral("is kept for OUT"))) ++total.fullSims;
    for (const Write& w : writes) checkWrite(w);
    wrong << fileFindings << writeFindings;
    scanMonitor();
    const int records = countRecords();
    const int lost = placedNamed - shownNamed;
    if (records != shownNamed || lost > excused)
      wrong << QStringLiteral(
                   "%1 named calls placed, %2 read (%3 may be lost with the port), "
                   "%4 admission records")
                   .arg(placedNamed)
                   .arg(shownNamed)
                   .arg(excused)
                   .arg(records);
    const QStringList late = times->findings();
    wrong << late.mid(0, 3);
    if (late.size() > 3) wrong << QStringLiteral("and %1 more such records").arg(late.size() - 3);
    // The sanitizers slow everything several times over: there the batch is only reported.
    if (!kSanitized && batchNs > kBatchBoundNs)
      wrong << QStringLiteral("a batch kept the window from repainting for %1 ms")
                   .arg(batchNs / 1e6, 0, 'f', 1);
    total.calls += quint64(placedNamed);
    total.records += quint64(records);
    total.bytes += h().serial().delivered();
    total.clicks += quint64(clicks);
    total.boxes += quint64(h().dialogs().shown.size());
    if (batchNs > total.batchNs) {
      total.batchNs = batchNs;
      total.batchSeed = seed;
    }
    std::fprintf(
        stderr,
        "seed %u (%s%s): %lld s, %llu bytes, %d clicks, %lld boxes (longest up %lld s), %d "
        "calls, batch %.2f ms%s\n",
        seed, unit().options().strict ? "strict " : "", FaceName(face),
        h().clock().elapsed() / 1000, h().serial().delivered(), clicks,
        qint64(h().dialogs().shown.size()), spells / 1000, placedNamed, batchNs / 1e6,
        wrong.isEmpty() ? "" : " FAILED");
    return wrong;
  }

 private:
  Rig& h() { return *hp; }
  LinkCore& core() { return hp->core(); }
  UnitEngine& unit() { return hp->unit(); }
  int pick(int n) { return int(rnd.bounded(n)); }
  bool chance(int percent) { return pick(100) < percent; }
  template <typename T, size_t N>
  const T& any(const T (&items)[N]) {
    return items[pick(int(N))];
  }

  // ---- what the unit, the line and the user do ----

  void act() {
    const int roll = pick(100);
    if (roll < 10) return unit().reportSignal(chance(70));
    if (roll < 22) return call();
    if (roll < 34) return inject(framedLine());
    if (roll < 44) return misbehave();
    if (roll < 52) return inject(garbage());
    if (roll < 78) return click();
    edit();
  }

  // The texts a save could take: what the pairs hold before and after the user acts (a list
  // fills them only while no save runs).
  void noteTexts() {
    for (int k = 0; k < 6; ++k) known << h().pair(k).text.toLatin1();
  }

  void call() {
    // The name the unit finds for the number, as it looks it up.
    QByteArray number = "+42099" + QByteArray::number(pick(1000));
    const auto& book = unit().phoneBook();
    if (!book.isEmpty() && chance(80))
      number = std::next(book.begin(), pick(int(book.size())))->number;
    QByteArray name;
    for (const UnitEngine::Entry& e : book)
      if (e.number == number) {
        name = e.name;
        break;
      }
    if (!name.isEmpty() && !unit().silent() && h().serial().openDevice()) ++placedNamed;
    unit().call(number, chance(30));
  }

  QByteArray framedLine() {
    switch (pick(4)) {
      case 0:
        // Indistinguishable from a real list line while a list may still be coming.
        ++strayEntries;
        return "\r\n+CMGL: " + QByteArray(any(kOddNumbers)) + ",\"REC READ\",\"+4207" +
               QByteArray::number(pick(100)) + "\",,\"24/02/01,08:05:09+04\"\r\n" +
               QByteArray(any(kTexts)) + "\r\n";
      case 1:
        ++strayEntries;
        return "\r\n+CPBR: " + QByteArray::number(1 + pick(kCapacity)) + ",\"" +
               QByteArray(any(kNumbers)) + "\",129,\"" + QByteArray(any(kNames)) + "\"\r\n";
      default: {
        QByteArray line = any(kSmsLines);
        line.replace("%1", any(kOddNumbers));
        return "\r\n" + line + (chance(50) ? "\r\n" : "");
      }
    }
  }

  QByteArray garbage() {
    switch (pick(8)) {
      case 0:
        return QByteArray(1 + pick(20), '\0');
      case 1:
        return QByteArray(1 + pick(20), '\xFF');
      case 2:
        return "+CSQ\rOK\r" + QByteArray(pick(5), '\r');  // carriage returns only
      case 3:
        return "+CLCC: 1,1,4,0,0\nOK\n" + QByteArray(pick(5), '\n');  // line feeds only
      case 4:
        return QByteArray(10240, 'A' + char(pick(26)));  // no line end
      case 5:
        if (chance(15)) return QByteArray(1 << 20, '7');
        [[fallthrough]];
      default: {
        QByteArray noise(1 + pick(200), '\0');
        for (char& c : noise) c = char(pick(256));
        return noise;
      }
    }
  }

  // Split anywhere: the pieces arrive in separate batches.
  void inject(const QByteArray& bytes) {
    for (qsizetype at = 0; at < bytes.size();) {
      const qsizetype piece = chance(50) ? bytes.size() - at : 1 + pick(int(bytes.size() - at));
      unit().injectBytes(bytes.mid(at, piece));
      at += piece;
      if (at < bytes.size()) h().run(pick(40));
    }
  }

  void misbehave() {
    switch (pick(8)) {
      case 0:
      case 1:
        return unit().faultAt(1 + pick(4), UnitEngine::Fault(pick(4)));
      case 7:
        excuseCalls();  // a report the unit had not sent yet is lost with the restart
        return unit().restart(pick(5000));
      case 2:
        // Now and then long enough for the watchdog to ask for another port.
        return unit().silence(chance(90) ? 1000 + pick(40000) : 100000 + pick(60000));
      case 3:
        return unit().losePrompt();
      case 4:
        return unit().delayNextAnswer(pick(15000));
      default:
        if (!h().serial().plugged()) return;
        excuseCalls();
        h().serial().unplug();
        plugBackAt = h().clock().elapsed() + 1000 + pick(20000);
    }
  }

  void click() {
    TForm1* const f = h().window();
    if (chance(60) || !f) {
      ++clicks;
      // The core's user: a script that presses a button only while the window's could be.
      const Chain chain = Chain(1 + pick(6));
      const Chain running = core().Link.Running;
      Write before;
      before.chain = chain;
      before.book = unit().phoneBook();
      before.sms = unit().messages();
      before.shown = h().dialogs().shown.size();
      if (!h().window()) before.notices = static_cast<CoreHarness&>(h()).notices.size();
      before.strays = strayEntries;
      for (int k = 0; k < 6; ++k)
        before.typed << h().pair(k).phone + QLatin1Char('=') + h().pair(k).text;
      h().press(chain);
      // Load SIM pressed during a write stops it: what that leaves is not this check's.
      if (chain == Chain::LoadSim && running != Chain::None) write.chain = Chain::None;
      const bool writes =
          chain == Chain::OverwriteSim || chain == Chain::AddToSim || chain == Chain::SaveSms;
      if (writes && running == Chain::None && core().Link.Running == chain) write = before;
      return;
    }
    QAbstractButton* const others[] = {f->Test,        f->Find,      f->FindNext,  f->Sort,
                                       f->LoadSIMPC,   f->SaveSIMPC, f->LoadSMSPC, f->SaveSMSPC,
                                       f->SaveMonitor, f->Sav,       f->Automat,   f->Autoverify};
    QAbstractButton* b = any(others);
    // The file the user picks, or Cancel.
    TestDialogs& d = h().dialogs();
    const int n = ++files;
    const QString kind = b == f->LoadSIMPC || b == f->SaveSIMPC   ? QStringLiteral("phb")
                         : b == f->LoadSMSPC || b == f->SaveSMSPC ? QStringLiteral("sms")
                         : b == f->Sav                            ? QStringLiteral("csv")
                                                                  : QStringLiteral("mon");
    const QStringList made = QDir(h().dir()).entryList({"*." + kind});
    d.openNames.clear();
    d.saveNames.clear();
    if (chance(80))
      d.openNames << (made.isEmpty() || chance(20) ? h().path("none." + kind)
                                                   : h().path(made[pick(made.size())]));
    if (chance(80)) d.saveNames << h().path(QStringLiteral("f%1.%2").arg(n).arg(kind));
    // A file loaded into the edits during a save is what the user typed, not the save's.
    if (b == f->LoadSMSPC && write.chain != Chain::None) write.editedPairs = 0x3f;
    ++clicks;
    static_cast<WindowHarness&>(h()).click(b);
    d.openNames.clear();
    d.saveNames.clear();
  }

  QString row() { return QString::fromUtf8(any(kNames)) + '=' + any(kNumbers); }

  void edit() {
    TForm1* const f = h().window();
    const int k = pick(6);
    switch (pick(6)) {
      case 0: {
        if (!h().gridEditable()) return;
        QStringList rows;
        for (int i = pick(26); i > 0; --i) rows << row();
        return h().setGrid(rows);
      }
      case 1: {
        if (!h().gridEditable()) return;
        const int col = pick(2);
        QStringList rows = h().grid();
        const int r = pick(int(std::max<qsizetype>(rows.size(), 1)));
        const QString cell = row().section('=', col, col);
        if (f) return f->PhoneBook1->SetCell(col, 1 + r, cell);
        if (rows.isEmpty()) rows << "=";
        QStringList parts = rows[r].split('=');
        parts[col] = cell;
        rows[r] = parts.join('=');
        return h().setGrid(rows);
      }
      case 2:
        // The edits stay open during a save: what the user types then is not the save's.
        if (write.chain != Chain::None) write.editedPairs |= 1u << k;
        return h().setPair(k, QStringLiteral("+4206%1").arg(pick(100000)),
                           QString::fromLatin1(any(kTexts)) + QString::number(k));
      case 3:
        if (!f) return;
        f->FindName->setText(QString::fromUtf8(any(kNames)).left(pick(4)));
        return f->FindPhone->setText(QString::fromLatin1(any(kNumbers)).left(pick(5)));
      case 4:
        if (f) return (chance(50) ? f->RelA : f->RelB)->setText(QStringLiteral("Relay %1").arg(k));
        if (chance(50)) return core().SetRelayA(QStringLiteral("Relay %1").arg(k));
        return core().SetRelayB(QStringLiteral("Relay %1").arg(k));
      default:
        moveClock();
        if (!f && chance(30)) core().Automat = !core().Automat;
    }
  }

  // The days go by, and now and then the PC's clock is set back a day or to just before
  // midnight: the automatic log starts a file per day, and must never replace one.
  void moveClock() {
    TestClock& c = h().clock();
    const QDateTime now = c.now();
    switch (pick(4)) {
      case 0:
        return c.setNow(now.addDays(-1));
      case 1:
        return c.setNow(QDateTime(now.date(), QTime(23, 59, 50 + pick(10))));
      default:
        c.setNow(now.addDays(1 + pick(3)));
    }
  }

  // A box is up: the user reads it a while, from a moment to a night, while its own event
  // loop runs the program behind it and callers go on ringing; then answers. A box over it is
  // answered at once.
  void onBox(const TestDialogs::Shown& box) {
    TestDialogs& d = h().dialogs();
    if (!harness) return;  // start-up: a cancelled choice ends the program
    if (box.kind == TestDialogs::Kind::Question) d.answers = {calm || chance(50)};
    if (box.kind == TestDialogs::Kind::Choice) d.choices = {pick(int(box.answers.size()))};
    if (box.kind == TestDialogs::Kind::ChoosePort) {
      excuseCalls();  // the port was closed to choose anew
      d.port = calm || chance(90) ? 9 : 0;
    }
    if (reading) return;
    reading = true;
    const qint64 start = threadCpuNs();
    const int roll = pick(100);
    // Once the unit behaves again the user answers within moments: the session must come to rest.
    qint64 left = roll < 70 || calm ? pick(3000)
                  : roll < 90       ? 3000 + pick(300000)
                  : roll < 98       ? 300000 + pick(3300000)
                                    : 3600000 + qint64(pick(32400)) * 1000;
    spells = std::max(spells, left);
    while (left > 0 && !d.closedByProgram()) {
      const qint64 part = std::min<qint64>(left, 1 + pick(300000));
      h().runUntil([&d] { return d.closedByProgram(); }, part);
      left -= part;
      if (left > 0 && chance(30)) call();
    }
    boxNs += threadCpuNs() - start;
    reading = false;
  }

  // ---- what is checked ----

  // A write that ended: the unit must hold each row or SMS asked for once, or the message
  // name it; the grid and the edits hold what was read back or what the user had. A chain
  // that could not finish, or a stray entry or list line during its read-back or list, is not
  // judged here.
  struct Write {
    Chain chain = Chain::None;
    QMap<int, UnitEngine::Entry> book;
    QMap<int, UnitEngine::Sms> sms;
    qsizetype shown = 0, notices = 0;
    int strays = 0;
    bool ended = false;
    unsigned editedPairs = 0;
    QStringList asked, grid, typed;
    QList<SmsPair> pairs;
    // At its end: the unit, the port, the stray entry and list lines sent so far.
    QMap<int, UnitEngine::Entry> bookAfter;
    QMap<int, UnitEngine::Sms> smsAfter;
    bool portOpen = false;
    int straysAfter = 0;
  } write;
  // Judged once the session is at rest: a message may wait behind another box until then.
  QList<Write> writes;

  void chainEnded(Chain chain) {
    if (write.chain != chain || write.ended) return;
    write.ended = true;
    write.asked = chain == Chain::SaveSms ? core().Link.SmsAsked : core().Link.GridBefore;
    write.grid = h().grid();
    for (int k = 0; k < 6; ++k) write.pairs << h().pair(k);
    write.bookAfter = unit().phoneBook();
    write.smsAfter = unit().messages();
    write.portOpen = core().ComPort1->IsOpen();
    write.straysAfter = strayEntries;
    writes << write;
    write = Write();
  }

  // The window's entry check (Autoverify) may rewrite the RTIME row the read-back brought.
  static QStringList withoutRtime(QStringList lines) {
    lines.removeIf([](const QString& l) { return l.startsWith(QLatin1String("RTIME=")); });
    return lines;
  }

  static int count(const QStringList& lines, const QString& line) {
    return int(std::count(lines.begin(), lines.end(), line));
  }

  void checkWrite(const Write& w) {
    if (w.strays != w.straysAfter) return;
    QString told;
    for (qsizetype i = w.shown; i < h().dialogs().shown.size(); ++i)
      told += h().dialogs().shown[i].text + '\n';
    // The core's own words, shown or still waiting behind another box.
    if (!h().window())
      for (const Notice& n : static_cast<CoreHarness&>(h()).notices.mid(w.notices))
        told += n.text + '\n';
    if (told.contains(QStringLiteral("was not finished")) || !w.portOpen) return;
    const bool sms = w.chain == Chain::SaveSms;
    QStringList before, now, shownNow;
    if (sms) {
      // The save frees slots 1 to 7 first: only the SMS above stay.
      for (auto it = w.sms.begin(); it != w.sms.end(); ++it)
        if (it.key() > 7) before << QString::fromLatin1(it->number + '=' + it->text);
      for (const UnitEngine::Sms& m : w.smsAfter)
        now << QString::fromLatin1(m.number + '=' + m.text);
    } else {
      for (const UnitEngine::Entry& e : w.book)
        before << QString::fromLatin1(e.name + '=' + e.number);
      for (auto it = w.bookAfter.begin(); it != w.bookAfter.end(); ++it) {
        now << QString::fromLatin1(it->name + '=' + it->number);
        if (it.key() < kCapacity) shownNow << now.last();
      }
    }
    const QString what = sms ? QStringLiteral("SMS") : QStringLiteral("row");
    // A long list names its first 20 and counts the rest.
    const bool more = told.contains(QRegularExpression("\\band \\d+ more\\."));
    for (int k = 0; k < w.asked.size(); ++k) {
      const QString& line = w.asked[k];
      if (line.endsWith('=')) continue;  // nothing to store, or a placeholder
      int asked = count(w.asked, line), was = count(before, line);
      const int held = count(now, line);
      // RTIME and OUT each have one entry: the last such row takes it.
      const QString name = line.section('=', 0, 0);
      const bool fixed = !sms && (name == QLatin1String("RTIME") || name == QLatin1String("OUT"));
      if (fixed) {
        const QStringList same = w.asked.filter(QRegularExpression('^' + name + '='));
        if (same.last() != line) continue;
        asked = 1;
      }
      if (w.chain == Chain::OverwriteSim || fixed) was = 0;
      const QString named = sms ? QStringLiteral("%1: %2 \"%3\"")
                                      .arg(k + 1)
                                      .arg(line.section('=', 0, 0), line.section('=', 1))
                                : RowText(line);
      if (held > asked + count(before, line) && !fixed)
        writeFindings << QStringLiteral("%1 %2 on the unit %3 times, asked %4")
                             .arg(what, line)
                             .arg(held)
                             .arg(asked);
      else if (held < asked + was && !told.contains(named) && !more)
        writeFindings << QStringLiteral("%1 %2 not on the unit, and not named").arg(what, line);
    }
    if (sms) {
      for (int k = 0; k < 6 && k < w.asked.size(); ++k) {
        const QString pair = w.pairs[k].phone + '=' + w.pairs[k].text;
        const UnitEngine::Sms m = w.smsAfter.value(k + 1);
        if (!(w.editedPairs & (1u << k)) && pair != w.asked[k] && pair != w.typed.value(k) &&
            pair != QString::fromLatin1(m.number + '=' + m.text))
          writeFindings << QStringLiteral(
                               "SMS pair %1 holds \"%2\": neither what the user had "
                               "nor slot %1")
                               .arg(k + 1)
                               .arg(pair);
      }
    } else if (w.grid != w.asked && w.grid != shownNow &&
               withoutRtime(w.grid) != withoutRtime(shownNow)) {
      writeFindings << QStringLiteral(
                           "the grid holds %1 rows: neither the %2 the user had nor "
                           "the %3 on the unit")
                           .arg(w.grid.size())
                           .arg(w.asked.size())
                           .arg(shownNow.size());
    }
  }

  // Load SIM asks for the SMS centre at the next "OK" after its read, whoever sends that "OK":
  // the question belongs to the chain's work.
  bool finished() {
    LinkCore& f = core();
    return !f.InFlight.Awaits() && !f.Link.anyTransfer() && !f.ButtonsLocked &&
           f.Link.CentreAsked && f.Link.Running == Chain::None && f.Link.LinkIdle &&
           f.Link.PhoneBookCapacity > 0 && !f.Link.OperatorName.isEmpty() && f.ComPort1->IsOpen();
  }

  QString state() {
    const LinkState& l = core().Link;
    const TComPort& port = *core().ComPort1;
    const bool flags[] = {l.ErasePending, l.ErasingPhoneBook, l.WritingPhoneBook,
                          l.DeletingSms,  l.WritingSms,       l.ProbePending};
    QByteArray set;
    for (int i = 0; i < 6; ++i) set += flags[i] ? "EewdsP"[i] : '-';
    return QString::asprintf(
        "chain %d, awaiting %d (%s), step %d, flags %s, idle %d, locked %d, port %d%s, "
        "operator %s, size %d%s",
        int(l.Running), int(core().InFlight.kind), core().InFlight.bytes.trimmed().constData(),
        l.StepIndex, set.constData(), l.LinkIdle, core().ButtonsLocked, port.ComNumber(),
        port.IsOpen() ? "" : " closed", l.OperatorName.constData(), l.PhoneBookCapacity,
        unit().waitingForBody() ? ", the unit waits for an SMS body" : "");
  }

  QStringList readAfterRestart() {
    ++total.echoReads;
    h().press(Chain::LoadSim);
    if (!h().runUntil([&] { return finished(); }, kChainMs + 2 * kInterval))
      return {QStringLiteral("Load SIM after a restart still busy: ") + state()};
    QStringList wrong, sim, grid = h().grid();
    if (unit().echo()) wrong << QStringLiteral("the echo is still on after Load SIM");
    for (auto it = unit().phoneBook().begin(); it != unit().phoneBook().end(); ++it)
      if (it.key() < kCapacity) sim << QString::fromLatin1(it->name + '=' + it->number);
    // The window's entry check may mend a row it shows (Autoverify): there the count tells.
    if (!h().window()) {
      sim.sort();
      grid.sort();
    }
    if (h().window() ? grid.size() != sim.size() : grid != sim)
      wrong << QStringLiteral("Load SIM after a restart shows %1 rows, the SIM holds %2: %3")
                   .arg(grid.size())
                   .arg(sim.size())
                   .arg(grid.join(QLatin1Char('|')).left(200));
    return wrong;
  }

  // Call reports the program has read, by the monitor that shows every line it read.
  void scanMonitor() {
    const QList<QByteArray> lines = h().monitor();
    for (; scanned < lines.size(); ++scanned) {
      const QByteArray& line = lines[scanned];
      // As the program reads it: noise may glue a report into a line an earlier rule takes.
      if (RecogniseLine(line, true, false) == LineRule::CallReport &&
          !CallReportFields(line).name.isEmpty())
        ++shownNamed;
    }
  }

  // Closing the port drops what it held unread: calls not read by now may be lost with it.
  void excuseCalls() {
    if (!harness) return;  // the window is being made
    times->forgetUnread();
    scanMonitor();
    excused += std::max(0, placedNamed - std::max(shownNamed, excusedUpTo));
    excusedUpTo = placedNamed;
  }

  // Every admissions file still starts with every row it held: rows are only ever added.
  void checkFiles() {
    for (const QString& name : QDir(h().dir()).entryList({"*.csv"})) {
      QFile file(h().path(name));
      const QByteArray now = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
      QByteArray& before = csvSeen[name];
      if (!now.startsWith(before)) fileFindings << QStringLiteral("%1 lost rows").arg(name);
      before = now;
    }
  }

  int countRecords() {
    QStringList lines = h().admissions();
    for (const QString& name : QDir(h().dir()).entryList({"*.csv"})) {
      QFile file(h().path(name));
      if (file.open(QIODevice::ReadOnly))
        lines << QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
    }
    return int(lines.filter(QStringLiteral("  (phone: ")).size());
  }

  quint32 seed;
  FaceKind face;
  QRandomGenerator rnd;
  std::unique_ptr<Rig> harness;
  std::unique_ptr<CallTimes> times;
  Rig* hp = nullptr;
  QSet<int> answeredSizes;
  QMap<QString, QByteArray> csvSeen;
  QStringList fileFindings, writeFindings;
  int strayEntries = 0;    // stray "+CPBR" and "+CMGL" lines injected
  QSet<QByteArray> known;  // every text an SMS edit held, and the unit's own
  bool calm = false;
  bool reading = false;
  qint64 plugBackAt = 0;
  qint64 boxNs = 0, batchNs = 0, spells = 0;
  int clicks = 0, files = 0;
  int placedNamed = 0, shownNamed = 0, excused = 0, excusedUpTo = 0;
  qsizetype scanned = 0;
};

quint32 fromEnv(const char* name, quint32 fallback) {
  bool ok = false;
  const quint32 v = qEnvironmentVariable(name).toUInt(&ok);
  return ok ? v : fallback;
}

// Qt Test gives a test function five minutes; a long run takes as long as its sessions do.
const bool kTimeLimit =
    qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT") ||
    qputenv("QTEST_FUNCTION_TIMEOUT",
            QByteArray::number(300000 + 5000ull * fromEnv("ZUL_RANDOM_SESSIONS", 0)));

}  // namespace

class TestRandomTraffic : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
#if defined(ZUL_ASAN)
    __sanitizer_set_death_callback(sayDeath);
#endif
  }

  void sessions() {
    const quint32 first = fromEnv("ZUL_RANDOM_SEED", 1);
    const quint32 count = fromEnv("ZUL_RANDOM_SESSIONS", 8);
    const QByteArray only = qgetenv("ZUL_RANDOM_FACE");
    for (quint32 seed = first; seed < first + count; ++seed) {
      for (FaceKind face : {FaceKind::Window, FaceKind::Core}) {
        if (!only.isEmpty() && only != FaceName(face)) continue;
        qsnprintf(deathNote, sizeof deathNote,
                  "random traffic: died in the session of seed %u (%s); replay: ZUL_RANDOM_SEED=%u "
                  "ZUL_RANDOM_SESSIONS=1 ZUL_RANDOM_FACE=%s\n",
                  seed, FaceName(face), seed, FaceName(face));
        Session s(seed, face);
        s.play();
        for (const QString& w : s.rest()) {
          total.findings << QStringLiteral("seed %1 (%2): %3").arg(seed).arg(FaceName(face), w);
          qWarning("%s", qPrintable(total.findings.last()));
        }
        ++total.sessions;
      }
    }
    deathNote[0] = '\0';
    QVERIFY2(total.findings.isEmpty(),
             "replay one: ZUL_RANDOM_SEED=<seed> ZUL_RANDOM_SESSIONS=1 ZUL_RANDOM_FACE=<face>");
  }

  void cleanupTestCase() {
    qInfo(
        "%llu sessions, %.1f MB of unit traffic, %llu clicks, %llu boxes, %llu named calls, "
        "%llu admission records, %llu boxes naming rows a full SIM had no room for, %llu reads "
        "after a restart left the echo on, %lld findings; longest batch %.2f ms (seed %u)",
        total.sessions, total.bytes / 1e6, total.clicks, total.boxes, total.calls, total.records,
        total.fullSims, total.echoReads, qint64(total.findings.size()), total.batchNs / 1e6,
        total.batchSeed);
  }
};

QTEST_MAIN(TestRandomTraffic)
#include "test_randomtraffic.moc"
