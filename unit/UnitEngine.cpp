// SPDX-License-Identifier: GPL-3.0-or-later
#include "unit/UnitEngine.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>

namespace {

constexpr char CtrlZ = 0x1A;
constexpr char Esc = 0x1B;
constexpr int MaxLine = 4096;

// Characters of the GSM default alphabet that travel in the extension table and take two places.
bool isExtension(char c) { return QByteArray("^{}\\[~]|").contains(c); }

// Length of a name on the SIM, or -1 when a character cannot be stored there.
int simTextLength(const QByteArray& text) {
  int length = 0;
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b > 0x7E || c == '`' || c == '"') return -1;
    length += isExtension(c) ? 2 : 1;
  }
  return length;
}

int defaultType(const QByteArray& number) { return number.startsWith('+') ? 145 : 129; }

QByteArray escapeField(const QByteArray& field) {
  QByteArray r;
  for (char c : field) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F || c == '%')
      r += '%' + QByteArray::number(b, 16).rightJustified(2, '0').toUpper();
    else
      r += c;
  }
  return r;
}

QByteArray unescapeField(const QByteArray& field) { return QByteArray::fromPercentEncoding(field); }

}  // namespace

// What a command answers: information lines, then a final result code (empty = none).
struct UnitEngine::Answer {
  QList<QByteArray> info;
  QByteArray final = "OK";
  QByteArray raw;  // sent as it stands after the frame (the SMS prompt)
};

UnitEngine::UnitEngine() : UnitEngine(Options()) {}

UnitEngine::UnitEngine(const Options& options) : opt(options) {
  nextReport = opt.reportIntervalMs > 0 ? opt.reportIntervalMs : 0;
  rng = opt.seed ? opt.seed : 1;
}

// ---------------------------------------------------------------- the line

void UnitEngine::feed(const QByteArray& bytes) {
  for (char c : bytes) {
    if (echoOn && !silent()) send(QByteArray(1, c), 0);
    if (prompt)
      handleBodyByte(c);
    else
      handleByte(c);
  }
  release();
}

void UnitEngine::handleByte(char c) {
  if (c == '\r') {
    const QByteArray line = lineBuf;
    lineBuf.clear();
    handleLine(line);
  } else if (c == '\n') {
    // line feeds after the carriage return belong to no command
  } else if (c == '\b') {
    lineBuf.chop(1);
  } else if (lineBuf.size() <= MaxLine) {
    lineBuf += c;
  }
}

void UnitEngine::handleLine(const QByteArray& line) {
  const QByteArray command = line.trimmed();
  if (command.isEmpty()) return;
  log.append(line);
  ++commandCount;
  if (onCommand) onCommand(line);
  const QList<Fault> struck = takeFaults();
  if (silent()) return;
  // A module waits for "AT" and lets anything else pass unanswered.
  if (command.left(2).toUpper() != "AT") return;
  auto startsAny = [&](const QList<QByteArray>& prefixes) {
    for (const QByteArray& p : prefixes)
      if (command.mid(2).startsWith(p)) return true;
    return false;
  };
  if (startsAny(swallowed)) return;
  Answer a;
  if (line.size() > MaxLine || refuseAll || startsAny(refused) ||
      (opt.strict && !listed(command.mid(2).toUpper()))) {
    a.final = "ERROR";
  } else if (commandsToRefuse > 0) {
    --commandsToRefuse;
    a.final = "ERROR";
  } else if (struck.contains(Fault::Refuse)) {
    a.final = "ERROR";
  } else {
    execute(command.mid(2), a);
  }
  answerCommand(a, struck);
}

QList<UnitEngine::Fault> UnitEngine::takeFaults() {
  const QList<Fault> struck = faults.values(commandCount);
  faults.remove(commandCount);
  return struck;
}

void UnitEngine::answerCommand(Answer& a, const QList<Fault>& struck) {
  if (struck.contains(Fault::ReportFirst) || struck.contains(Fault::ReportFirstNoOk))
    signalReportAt(clock, struck.contains(Fault::ReportFirst));
  if (struck.contains(Fault::Restart))
    restart();
  else if (!struck.contains(Fault::LoseAnswer))
    sendAnswer(a);
}

void UnitEngine::faultAt(int n, Fault fault) {
  faults.insert(commandCount + quint64(std::max(n, 0)), fault);
}

void UnitEngine::handleBodyByte(char c) {
  if (c == CtrlZ) {
    finishBody(true);
  } else if (c == Esc) {
    finishBody(false);
  } else if (c == '\r') {
    body += '\n';
    if (!silent()) send(QByteArray(lfOnly ? "\n> " : "\r\n> "), 0);
  } else if (c != '\n') {
    body += c;
  }
}

void UnitEngine::finishBody(bool store) {
  prompt = false;
  const QByteArray text = body;
  body.clear();
  const QByteArray entry = text + (store ? CtrlZ : Esc);
  log.append(entry);
  ++commandCount;
  if (onCommand) onCommand(entry);
  const QList<Fault> struck = takeFaults();
  if (!silent()) {
    Answer a;
    if (store && (struck.contains(Fault::Refuse) || refuseAll)) {
      a.final = "ERROR";
    } else if (store) {
      const int slot = firstFreeSlot();
      if (text.size() > opt.smsLength) {
        a.final = errorMode ? "+CMS ERROR: 304" : "ERROR";
      } else if (slot == 0) {
        a.final = errorMode ? "+CMS ERROR: 322" : "ERROR";
      } else {
        Sms m;
        m.number = promptNumber;
        m.text = text;
        sms.insert(slot, m);
        changed();
        a.info << "+CMGW: " + QByteArray::number(slot);
      }
    }
    answerCommand(a, struck);
  }
  if (reportDeferred) {
    reportDeferred = false;
    signalReportAt(clock);
  }
}

void UnitEngine::advanceTo(qint64 ms) {
  ms = std::max(ms, clock);
  while (opt.reportIntervalMs > 0 && nextReport <= ms) {
    clock = std::max(clock, nextReport);
    // The controller does not query while the module collects an SMS body.
    if (prompt)
      reportDeferred = true;
    else
      signalReportAt(nextReport);
    nextReport += opt.reportIntervalMs;
  }
  clock = ms;
  release();
}

QByteArray UnitEngine::takeOutput() {
  QByteArray r;
  r.swap(out);
  return r;
}

qint64 UnitEngine::nextEventTime() const {
  qint64 t = -1;
  if (!pending.empty()) t = pending.front().at;
  if (opt.reportIntervalMs > 0 && (t < 0 || nextReport < t)) t = nextReport;
  return t;
}

QByteArray UnitEngine::frame(const QList<QByteArray>& info, const QByteArray& final) {
  const QByteArray end = lfOnly ? "\n" : "\r\n";
  QByteArray r;
  if (!info.isEmpty()) {
    r += end;
    for (const QByteArray& line : info) {
      QByteArray l = line;
      l.replace("\n", end);
      r += l + end;
    }
  }
  if (!final.isEmpty()) r += end + final + end;
  return r;
}

void UnitEngine::send(const QByteArray& bytes, qint64 delay) {
  if (bytes.isEmpty()) return;
  const qint64 at = std::max(clock + delay, lastAt);
  lastAt = at;
  if (!pending.empty() && pending.back().at == at)
    pending.back().bytes += bytes;
  else
    pending.push_back({at, bytes});
}

void UnitEngine::sendAnswer(Answer& a) {
  if (a.final == "OK" && okToDrop > 0) {
    --okToDrop;
    a.final.clear();
  }
  if (!a.raw.isEmpty() && promptsToLose > 0) {
    --promptsToLose;
    a.raw.clear();
  }
  const qint64 delay = opt.latencyMs + extraDelay;
  extraDelay = 0;
  send(frame(a.info, a.final) + a.raw, delay);
}

void UnitEngine::release() {
  while (!pending.empty() && pending.front().at <= clock) {
    out += pending.front().bytes;
    pending.pop_front();
  }
}

void UnitEngine::signalReportAt(qint64 at, bool withOk) {
  if (at < silentUntil) return;
  Answer a;
  a.info << "+CSQ: " + QByteArray::number(opt.signalLevel) + ",99";
  if (!withOk) {
    a.final.clear();
  } else if (okToDrop > 0) {
    --okToDrop;
    a.final.clear();
  }
  send(frame(a.info, a.final), 0);
}

// ---------------------------------------------------------------- commands

bool UnitEngine::listed(const QByteArray& upper) const {
  // What the program may send, and what it relies on in return; numbers and texts vary.
  static const char* const exact[] = {"",       "E",       "+CMGF?",   "+CSCA?",
                                      "+COPS?", "+CPBR=?", "^SPBD=SM", "+CMGL=ALL"};
  for (const char* c : exact)
    if (upper == c) return true;
  for (const char* prefix : {"+CPBR=1,", "+CPBW=", "+CMGD=", "+CMGW="})
    if (upper.startsWith(prefix)) return true;
  return false;
}

void UnitEngine::execute(const QByteArray& command, Answer& a) {
  auto cme = [&](int code) {
    a.final = errorMode ? "+CME ERROR: " + QByteArray::number(code) : "ERROR";
  };
  auto cms = [&](int code) {
    a.final = errorMode ? "+CMS ERROR: " + QByteArray::number(code) : "ERROR";
  };

  if (command.isEmpty()) return;
  const QByteArray upper = command.toUpper();
  if (upper == "E" || upper == "E0") {
    echoOn = false;
    return;
  }
  if (upper == "E1") {
    echoOn = true;
    return;
  }
  if (upper == "Z") {
    echoOn = true;
    errorMode = 1;
    return;
  }
  if (upper == "I") {
    a.info << "ZUL GSM unit";
    return;
  }
  if (!command.startsWith('+') && !command.startsWith('^')) {
    a.final = "ERROR";
    return;
  }

  int cut = 0;
  while (cut < command.size() && command[cut] != '=' && command[cut] != '?') ++cut;
  const QByteArray name = upper.left(cut);
  const QByteArray tail = command.mid(cut);
  const bool query = tail == "?";
  const bool test = tail == "=?";
  const bool set = tail.startsWith('=') && !test;
  const bool action = tail.isEmpty();
  const QByteArray params = set ? tail.mid(1) : QByteArray();
  QList<Arg> args;
  if (set && !splitArgs(params, &args)) {
    a.final = "ERROR";
    return;
  }

  if (name == "+CMGF") {
    if (query && !opt.strict)
      a.info << "+CMGF: 1";
    else if (query)
      ;
    else if (test)
      a.info << "+CMGF: (0,1)";
    else if (set && params.trimmed() == "1")
      ;
    else if (set && params.trimmed() == "0")
      cms(303);  // text mode only
    else
      a.final = "ERROR";
  } else if (name == "+CSCA") {
    if (query)
      a.info << "+CSCA: \"" + opt.centre + "\"," + QByteArray::number(defaultType(opt.centre));
    else if (set && !args.isEmpty())
      opt.centre = args[0].value;
    else if (!test)
      a.final = "ERROR";
  } else if (name == "+COPS") {
    if (query)
      a.info << "+COPS: 0,0,\"" + opt.operatorName + "\"";
    else if (!set && !test)
      a.final = "ERROR";
  } else if (name == "+CSQ") {
    if (action)
      a.info << "+CSQ: " + QByteArray::number(opt.signalLevel) + ",99";
    else if (test)
      a.info << "+CSQ: (0-31,99),(0-7,99)";
    else
      a.final = "ERROR";
  } else if (name == "+CMEE") {
    int mode = 0;
    if (query)
      a.info << "+CMEE: " + QByteArray::number(errorMode);
    else if (test)
      a.info << "+CMEE: (0-2)";
    else if (set && args.size() == 1 && toIndex(args[0].value, &mode) && mode <= 2)
      errorMode = mode;
    else
      a.final = "ERROR";
  } else if (name == "+CPBS") {
    if (query)
      a.info << "+CPBS: \"SM\"," + QByteArray::number(book.size()) + "," +
                    QByteArray::number(opt.capacity);
    else if (test)
      a.info << "+CPBS: (\"SM\")";
    else if (!(set && args.size() == 1 && args[0].value.toUpper() == "SM"))
      cme(3);
  } else if (name == "^SPBD") {
    // Asked for by the program before it rewrites the phone book; nothing to do here, and a
    // strict unit says nothing about it.
    if (!(set && args.size() == 1 && args[0].value.toUpper() == "SM") && !test)
      a.final = "ERROR";
    else if (opt.strict)
      a.final.clear();
  } else if (name == "+CPBR") {
    if (test && opt.strict)
      a.info << "+CPBR: (1-" + QByteArray::number(opt.capacity) + ")";
    else if (test)
      a.info << "+CPBR: (1-" + QByteArray::number(opt.capacity) + ")," +
                    QByteArray::number(opt.numberLength) + "," + QByteArray::number(opt.nameLength);
    else if (set)
      commandPhoneBookRead(params, a);
    else
      a.final = "ERROR";
  } else if (name == "+CPBW") {
    if (test)
      a.info << "+CPBW: (1-" + QByteArray::number(opt.capacity) + ")," +
                    QByteArray::number(opt.numberLength) + ",(129,145)," +
                    QByteArray::number(opt.nameLength);
    else if (set)
      commandPhoneBookWrite(args, a);
    else
      a.final = "ERROR";
  } else if (name == "+CMGL") {
    if (test)
      a.info << "+CMGL: (\"REC UNREAD\",\"REC READ\",\"STO UNSENT\",\"STO SENT\",\"ALL\")";
    else if (set || action)
      commandSmsList(args, a);
    else
      a.final = "ERROR";
  } else if (name == "+CMGD") {
    int slot = 0;
    if (test) {
      a.info << "+CMGD: (1-" + QByteArray::number(opt.smsSlots) + ")";
    } else if (!set || args.isEmpty() || !toIndex(args[0].value, &slot)) {
      a.final = "ERROR";
    } else if (slot < 1 || slot > opt.smsSlots) {
      cms(321);
    } else if (sms.remove(slot)) {
      changed();
    }
  } else if (name == "+CMGW") {
    if (test)
      ;
    else if (set || action)
      commandSmsWrite(args, a);
    else
      a.final = "ERROR";
  } else if (name == "+CLCC") {
    if (!action && !test) a.final = "ERROR";
  } else {
    a.final = "ERROR";
  }
}

void UnitEngine::commandPhoneBookRead(const QByteArray& params, Answer& a) {
  QList<Arg> args;
  int first = 0, last = 0;
  if (!splitArgs(params, &args) || args.isEmpty() || args.size() > 2 ||
      !toIndex(args[0].value, &first) || (args.size() == 2 && !toIndex(args[1].value, &last))) {
    a.final = "ERROR";
    return;
  }
  if (args.size() == 1) last = first;
  if (first < 1 || last < first || last > opt.capacity) {
    a.final = errorMode ? "+CME ERROR: 21" : "ERROR";
    return;
  }
  for (auto it = book.lowerBound(first); it != book.end() && it.key() <= last; ++it) {
    QByteArray number = it->number;
    if (it->type == 145 && !number.startsWith('+')) number.prepend('+');
    a.info << "+CPBR: " + QByteArray::number(it.key()) + ",\"" + number + "\"," +
                  QByteArray::number(it->type) + ",\"" + it->name + "\"";
  }
}

void UnitEngine::commandPhoneBookWrite(const QList<Arg>& args, Answer& a) {
  auto cme = [&](int code) {
    a.final = errorMode ? "+CME ERROR: " + QByteArray::number(code) : "ERROR";
  };
  if (args.isEmpty() || args.size() > 4) {
    a.final = "ERROR";
    return;
  }
  int index = 0;
  const bool indexGiven = !args[0].value.isEmpty();
  if ((indexGiven && !toIndex(args[0].value, &index)) || args[0].quoted) {
    a.final = "ERROR";
    return;
  }
  if (indexGiven && (index < 1 || index > opt.capacity)) {
    cme(21);
    return;
  }
  if (args.size() == 1) {
    if (!indexGiven) {
      a.final = "ERROR";
    } else if (book.remove(index)) {
      changed();
    }
    return;
  }

  const QByteArray number = args[1].value;
  const QByteArray typeText = args.size() > 2 ? args[2].value : QByteArray();
  const Arg text = args.size() > 3 ? args[3] : Arg();
  if (!text.quoted && !text.value.isEmpty()) {
    a.final = "ERROR";
    return;
  }
  if (errorNames.contains(text.value)) {
    cme(100);
    return;
  }
  int type = defaultType(number);
  if (!typeText.isEmpty() && (!toIndex(typeText, &type) || type < 128 || type > 255)) {
    cme(50);
    return;
  }
  for (int i = 0; i < number.size(); ++i) {
    const char c = number[i];
    if (!(QByteArray("0123456789*#").contains(c) || (c == '+' && i == 0))) {
      cme(27);
      return;
    }
  }
  if (number.size() - (number.startsWith('+') ? 1 : 0) > opt.numberLength) {
    cme(26);
    return;
  }
  const int length = simTextLength(text.value);
  if (length < 0) {
    cme(25);
    return;
  }
  if (length > opt.nameLength) {
    cme(24);
    return;
  }
  if (number.isEmpty() && text.value.isEmpty()) {
    // An empty write clears the entry.
    if (!indexGiven)
      cme(50);
    else if (book.remove(index))
      changed();
    return;
  }
  if (!indexGiven) {
    index = firstFreeEntry();
    if (index == 0) {
      cme(20);
      return;
    }
  }
  Entry e;
  e.number = number;
  e.type = type;
  e.name = text.value;
  book.insert(index, e);
  changed();
}

void UnitEngine::commandSmsList(const QList<Arg>& args, Answer& a) {
  QByteArray which = args.isEmpty() ? QByteArray("REC UNREAD") : args[0].value.toUpper();
  if (args.size() > 1 || (which != "ALL" && which != "REC UNREAD" && which != "REC READ" &&
                          which != "STO UNSENT" && which != "STO SENT")) {
    a.final = errorMode ? "+CMS ERROR: 302" : "ERROR";
    return;
  }
  bool read = false;
  for (auto it = sms.begin(); it != sms.end(); ++it) {
    if (which != "ALL" && it->status != which) continue;
    QByteArray header = "+CMGL: " + QByteArray::number(it.key()) + ",\"" + it->status + "\",\"" +
                        it->number + "\",,";
    if (it->status.startsWith("REC")) header += "\"" + it->stamp + "\"";
    a.info << header << it->text;
    if (it->status == "REC UNREAD") {
      it->status = "REC READ";
      read = true;
    }
  }
  if (read) changed();
}

void UnitEngine::commandSmsWrite(const QList<Arg>& args, Answer& a) {
  const QByteArray number = args.isEmpty() ? QByteArray() : args[0].value;
  for (char c : number) {
    if (!QByteArray("0123456789+*#").contains(c)) {
      a.final = errorMode ? "+CMS ERROR: 304" : "ERROR";
      return;
    }
  }
  if (firstFreeSlot() == 0) {
    a.final = errorMode ? "+CMS ERROR: 322" : "ERROR";
    return;
  }
  prompt = true;
  promptNumber = number;
  body.clear();
  a.final.clear();
  a.raw = lfOnly ? "\n> " : "\r\n> ";
}

bool UnitEngine::splitArgs(const QByteArray& params, QList<Arg>* args) {
  args->clear();
  Arg cur;
  QByteArray raw;
  bool inQuotes = false, closed = false;
  auto push = [&] {
    if (!cur.quoted) cur.value = raw.trimmed();
    args->append(cur);
    cur = Arg();
    raw.clear();
    closed = false;
  };
  for (char c : params) {
    if (inQuotes) {
      if (c == '"') {
        inQuotes = false;
        closed = true;
      } else {
        cur.value += c;
      }
    } else if (c == ',') {
      push();
    } else if (c == '"') {
      if (closed || !raw.trimmed().isEmpty()) return false;
      inQuotes = true;
      cur.quoted = true;
    } else if (closed) {
      if (c != ' ') return false;
    } else {
      raw += c;
    }
  }
  if (inQuotes) return false;
  push();
  return true;
}

bool UnitEngine::toIndex(const QByteArray& text, int* value) {
  const QByteArray t = text.trimmed();
  if (t.isEmpty() || t.size() > 9) return false;
  for (char c : t)
    if (c < '0' || c > '9') return false;
  *value = t.toInt();
  return true;
}

int UnitEngine::firstFreeEntry() const {
  for (int i = 1; i <= opt.capacity; ++i)
    if (!book.contains(i)) return i;
  return 0;
}

int UnitEngine::firstFreeSlot() const {
  for (int i = 1; i <= opt.smsSlots; ++i)
    if (!sms.contains(i)) return i;
  return 0;
}

// ---------------------------------------------------------------- the SIM

void UnitEngine::setEntry(int index, const QByteArray& number, const QByteArray& name, int type) {
  if (index < 1 || index > opt.capacity) return;
  Entry e;
  e.number = number;
  e.name = name;
  e.type = type ? type : defaultType(number);
  book.insert(index, e);
  changed();
}

void UnitEngine::removeEntry(int index) {
  if (book.remove(index)) changed();
}

void UnitEngine::clearPhoneBook() {
  book.clear();
  changed();
}

void UnitEngine::setSms(int slot, const QByteArray& number, const QByteArray& text,
                        const QByteArray& status) {
  if (slot < 1 || slot > opt.smsSlots) return;
  Sms m;
  m.status = status;
  m.number = number;
  m.text = text;
  if (status.startsWith("REC")) m.stamp = "24/02/01,08:05:09+04";
  sms.insert(slot, m);
  changed();
}

void UnitEngine::removeSms(int slot) {
  if (sms.remove(slot)) changed();
}

void UnitEngine::clearMessages() {
  sms.clear();
  changed();
}

void UnitEngine::fillDemo() {
  book.clear();
  sms.clear();
  setEntry(1, "+420603123456", "ADMIN1");
  setEntry(2, "+420777111222", "ADMIN2");
  setEntry(3, "+420608555111", "ALARM1");
  setEntry(4, "+420736444333", "ALARM8");
  setEntry(5, "*101#", "CRED");
  setEntry(6, "+420800123456", "OPER");
  setEntry(7, "+420721333444", "NOVAK");
  setEntry(8, "+420602987654", "DVORAK");
  setEntry(9, "+420739000111", "SVOBODA");
  setEntry(10, "+420605246810", "KRAL");
  if (opt.capacity > 12) {
    setEntry(opt.capacity - 1, "05", "RTIME");
    setEntry(opt.capacity, "+420777999888", "OUT");
  }
  setSms(1, "+420603123456", "Unit is on");
  setSms(2, "+420603123456", "Input 1 alarm!");
  setSms(3, "+420603123456", "Input 2 alarm!");
  setSms(4, "+420777111222", "Gate open");
  setSms(5, "+420777111222", "Gate closed");
  setSms(6, "+420608555111", "Power failure (mains)");
}

QByteArray UnitEngine::stateText() const {
  QByteArray r =
      "# zulsim state: phonebook index type number name / sms slot status number "
      "stamp text (tab separated)\r\n";
  for (auto it = book.begin(); it != book.end(); ++it)
    r += "phonebook\t" + QByteArray::number(it.key()) + "\t" + QByteArray::number(it->type) + "\t" +
         escapeField(it->number) + "\t" + escapeField(it->name) + "\r\n";
  for (auto it = sms.begin(); it != sms.end(); ++it)
    r += "sms\t" + QByteArray::number(it.key()) + "\t" + escapeField(it->status) + "\t" +
         escapeField(it->number) + "\t" + escapeField(it->stamp) + "\t" + escapeField(it->text) +
         "\r\n";
  return r;
}

bool UnitEngine::setStateText(const QByteArray& text, QString* error) {
  QMap<int, Entry> newBook;
  QMap<int, Sms> newSms;
  int lineNo = 0;
  for (QByteArray line : text.split('\n')) {
    ++lineNo;
    if (line.endsWith('\r')) line.chop(1);
    if (line.trimmed().isEmpty() || line.startsWith('#')) continue;
    const QList<QByteArray> f = line.split('\t');
    auto fail = [&](const QString& why) {
      if (error) *error = QStringLiteral("line %1: %2").arg(lineNo).arg(why);
      return false;
    };
    int index = 0, type = 0;
    if (f[0] == "phonebook" && f.size() == 5) {
      if (!toIndex(f[1], &index) || !toIndex(f[2], &type)) return fail("bad number");
      if (index < 1 || index > opt.capacity)
        return fail(QStringLiteral("entry %1 is outside the phone book (1-%2)")
                        .arg(index)
                        .arg(opt.capacity));
      Entry e;
      e.type = type;
      e.number = unescapeField(f[3]);
      e.name = unescapeField(f[4]);
      newBook.insert(index, e);
    } else if (f[0] == "sms" && f.size() == 6) {
      if (!toIndex(f[1], &index)) return fail("bad slot");
      if (index < 1 || index > opt.smsSlots)
        return fail(
            QStringLiteral("slot %1 is outside the SMS slots (1-%2)").arg(index).arg(opt.smsSlots));
      Sms m;
      m.status = unescapeField(f[2]);
      m.number = unescapeField(f[3]);
      m.stamp = unescapeField(f[4]);
      m.text = unescapeField(f[5]);
      newSms.insert(index, m);
    } else {
      return fail("not a phonebook or sms line");
    }
  }
  book = newBook;
  sms = newSms;
  changed();
  return true;
}

bool UnitEngine::saveState(const QString& fileName, QString* error) const {
  QSaveFile f(fileName);
  if (!f.open(QIODevice::WriteOnly) || f.write(stateText()) < 0 || !f.commit()) {
    if (error) *error = f.errorString();
    return false;
  }
  return true;
}

bool UnitEngine::loadState(const QString& fileName, QString* error) {
  QFile f(fileName);
  if (!f.open(QIODevice::ReadOnly)) {
    if (error) *error = f.errorString();
    return false;
  }
  QString why;
  if (!setStateText(f.readAll(), &why)) {
    if (error) *error = fileName + ": " + why;
    return false;
  }
  return true;
}

// ---------------------------------------------------------------- own traffic, misbehaviour

void UnitEngine::call(const QByteArray& number, bool relayB) {
  if (silent()) return;
  QByteArray name;
  auto bare = [](QByteArray n) { return n.startsWith('+') ? n.mid(1) : n; };
  for (const Entry& e : book) {
    if (e.number == number || bare(e.number) == bare(number)) {
      name = e.name;
      break;
    }
  }
  if (relayB) send(frame({"+CSSU: 0"}, QByteArray()), 0);
  Answer a;
  a.info << "+CLCC: 1,1,4,0,0,\"" + number + "\"," + QByteArray::number(defaultType(number)) +
                ",\"" + name + "\"";
  if (okToDrop > 0) {
    --okToDrop;
    a.final.clear();
  }
  send(frame(a.info, a.final), 0);
  release();
}

void UnitEngine::setReportInterval(qint64 ms) {
  opt.reportIntervalMs = std::max<qint64>(ms, 0);
  nextReport = clock + opt.reportIntervalMs;
}

void UnitEngine::reportSignal(bool withOk) {
  signalReportAt(clock, withOk);
  release();
}

void UnitEngine::setErrorName(const QByteArray& name, bool on) {
  if (on)
    errorNames.insert(name);
  else
    errorNames.remove(name);
}

void UnitEngine::silence(qint64 ms) { silentUntil = std::max(silentUntil, clock + ms); }

void UnitEngine::restart(qint64 bootMs) {
  pending.clear();
  lastAt = clock;
  lineBuf.clear();
  prompt = false;
  body.clear();
  reportDeferred = false;
  echoOn = true;
  errorMode = 1;
  silence(bootMs);
}

void UnitEngine::behave() {
  faults.clear();
  refused.clear();
  swallowed.clear();
  refuseAll = false;
  promptsToLose = okToDrop = commandsToRefuse = 0;
  errorNames.clear();
  silentUntil = std::min(silentUntil, clock);
  lfOnly = false;
  extraDelay = 0;
}

quint32 UnitEngine::nextRandom() {
  rng ^= rng << 13;
  rng ^= rng >> 17;
  rng ^= rng << 5;
  return rng;
}

void UnitEngine::injectNoise(int count) {
  QByteArray bytes;
  for (int i = 0; i < count; ++i) bytes += static_cast<char>(nextRandom() & 0xFF);
  injectBytes(bytes);
}

void UnitEngine::injectBytes(const QByteArray& bytes) {
  send(bytes, 0);
  release();
}
