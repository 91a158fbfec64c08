// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The GSM unit at the other end of the line, as the program sees it: a module in text mode
// whose line also carries the unit controller's own traffic (signal reports, call reports).
// Bytes in, bytes out, driven by a clock it is given; nothing here reads real time.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <deque>
#include <functional>

class UnitEngine {
 public:
  struct Options {
    int capacity = 250;               // phone book entries, N
    int numberLength = 40;            // digits of a phone book number
    int nameLength = 14;              // characters of a phone book name
    int smsSlots = 25;                // SMS slots
    int smsLength = 160;              // characters of an SMS body
    qint64 latencyMs = 0;             // from the command's carriage return to its answer
    qint64 reportIntervalMs = 10000;  // signal reports; 0 = none
    int signalLevel = 18;
    QByteArray operatorName = "ZUL NET";
    QByteArray centre = "+420603052000";
    quint32 seed = 1;  // noise bytes
    // No more than the unit's AT interface promises: "ERROR" to any command it does not list,
    // "OK" alone to AT+CMGF?, nothing at all to AT^SPBD=SM, "+CPBR: (1-N)" without the fields
    // after it.
    bool strict = false;
  };

  struct Entry {
    QByteArray number;
    int type = 129;
    QByteArray name;
  };

  struct Sms {
    QByteArray status = "STO UNSENT";
    QByteArray number;
    QByteArray text;
    QByteArray stamp;  // service centre time stamp of received messages ("yy/MM/dd,hh:mm:ss+zz")
  };

  UnitEngine();
  explicit UnitEngine(const Options& options);

  const Options& options() const { return opt; }

  // ---- the line ----
  // Bytes from the program, taken at the engine's current time.
  void feed(const QByteArray& bytes);
  // Lets time run up to ms (milliseconds since power-up); never goes back.
  void advanceTo(qint64 ms);
  void elapse(qint64 ms) { advanceTo(clock + ms); }
  qint64 now() const { return clock; }
  // What the unit has sent up to now; taken only once.
  QByteArray takeOutput();
  bool hasOutput() const { return !out.isEmpty(); }
  // The earliest time at which advanceTo() will produce output; -1 when nothing is due.
  qint64 nextEventTime() const;

  // Command lines received, in order, without line ends; an SMS body ends in 0x1A (or 0x1B).
  const QList<QByteArray>& received() const { return log; }
  void clearReceived() { log.clear(); }
  // Called for each entry that received() gains.
  std::function<void(const QByteArray& line)> onCommand;

  bool echo() const { return echoOn; }
  bool waitingForBody() const { return prompt; }

  // ---- the SIM ----
  const QMap<int, Entry>& phoneBook() const { return book; }
  // type 0 = from the number (145 with a leading "+", else 129). Out-of-range indices are ignored.
  void setEntry(int index, const QByteArray& number, const QByteArray& name, int type = 0);
  void removeEntry(int index);
  void clearPhoneBook();
  const QMap<int, Sms>& messages() const { return sms; }
  void setSms(int slot, const QByteArray& number, const QByteArray& text,
              const QByteArray& status = "STO UNSENT");
  void removeSms(int slot);
  void clearMessages();
  // A small phone book (reserved names and a few people) and six stored SMS.
  void fillDemo();
  // Grows with every change of the phone book or the SMS, by a command or by the calls above.
  quint64 changeCount() const { return changes; }

  // Phone book and SMS as text (a format of this simulator's own) and as a file.
  QByteArray stateText() const;
  bool setStateText(const QByteArray& text, QString* error = nullptr);
  bool saveState(const QString& fileName, QString* error = nullptr) const;
  bool loadState(const QString& fileName, QString* error = nullptr);

  // ---- the unit's own traffic ----
  // A caller rings: "+CLCC" with the name stored for the number, then the "OK" of the unit's
  // query; relayB puts "+CSSU: 0" first.
  void call(const QByteArray& number, bool relayB = false);
  void setSignalLevel(int level) { opt.signalLevel = level; }
  // Reports at every multiple of ms from now on; 0 stops them.
  void setReportInterval(qint64 ms);
  // A signal report right now, outside the interval; withOk false: without its "OK".
  void reportSignal(bool withOk = true);

  // ---- misbehaviour ----
  enum class Fault {
    LoseAnswer,       // carried out, but its whole answer (the prompt included) is lost
    Refuse,           // not carried out, answered "ERROR"
    ReportFirst,      // a signal report with its "OK" goes out before the answer
    ReportFirstNoOk,  // the same report without its "OK"
    Restart,          // carried out, then the unit restarts before answering (see restart())
  };
  // Strikes the nth command from now (1 = the next; 0, from onCommand: the one just received).
  // Commands are the entries of received(): command lines and SMS bodies.
  void faultAt(int n, Fault fault);
  // The next "> " prompt is not sent; the unit still waits for the body.
  void losePrompt() { ++promptsToLose; }
  void dropNextOk() { ++okToDrop; }
  void errorNextCommand() { ++commandsToRefuse; }
  // Persistent faults, until behave(): every command line that starts with prefix (without
  // its "AT", letter case as sent) is answered "ERROR", or is never answered (nor carried
  // out); or every command and body is answered "ERROR".
  void refuseAlways(const QByteArray& prefix) { refused << prefix; }
  void neverAnswer(const QByteArray& prefix) { swallowed << prefix; }
  void refuseEverything(bool on) { refuseAll = on; }
  // Writes of this phone book name are refused while it is in the set.
  void setErrorName(const QByteArray& name, bool on = true);
  void clearErrorNames() { errorNames.clear(); }
  // From now on for ms: no reports, no answers, no echo; commands are lost.
  void silence(qint64 ms);
  bool silent() const { return clock < silentUntil; }
  void setLineFeedOnly(bool on) { lfOnly = on; }
  void injectNoise(int count);
  void injectBytes(const QByteArray& bytes);
  void setLatency(qint64 ms) { opt.latencyMs = ms; }
  // Only the next answer comes ms later than the latency.
  void delayNextAnswer(qint64 ms) { extraDelay = ms; }
  // The unit restarts, as after a power cut: what it was about to send and what it was reading
  // (an SMS body too) are lost, echo and error codes are as after power-up, and for bootMs it
  // hears nothing and reports nothing. The SIM keeps its phone book and SMS.
  void restart(qint64 bootMs = kBootMs);
  static constexpr qint64 kBootMs = 3000;
  // Every cue above not yet struck is dropped and a silence ends: the unit behaves again
  // (what it has already sent still arrives).
  void behave();

 private:
  struct Arg {
    QByteArray value;
    bool quoted = false;
  };
  struct Answer;

  void handleByte(char c);
  void handleLine(const QByteArray& line);
  void handleBodyByte(char c);
  void execute(const QByteArray& command, Answer& a);
  // Strict: false for a command the unit's AT interface does not list (answered "ERROR").
  bool listed(const QByteArray& upper) const;
  void commandPhoneBookRead(const QByteArray& params, Answer& a);
  void commandPhoneBookWrite(const QList<Arg>& args, Answer& a);
  void commandSmsList(const QList<Arg>& args, Answer& a);
  void commandSmsWrite(const QList<Arg>& args, Answer& a);
  void finishBody(bool store);

  static bool splitArgs(const QByteArray& params, QList<Arg>* args);
  static bool toIndex(const QByteArray& text, int* value);
  int firstFreeEntry() const;
  int firstFreeSlot() const;

  QByteArray frame(const QList<QByteArray>& info, const QByteArray& final);
  void send(const QByteArray& bytes, qint64 delay);
  void sendAnswer(Answer& a);
  // Sends a command's answer, struck by the faults set for it.
  void answerCommand(Answer& a, const QList<Fault>& faults);
  QList<Fault> takeFaults();
  void release();
  void signalReportAt(qint64 at, bool withOk = true);
  void changed() { ++changes; }
  quint32 nextRandom();

  Options opt;
  qint64 clock = 0;
  qint64 nextReport = 0;

  // output waiting for its time, in line order
  struct Pending {
    qint64 at;
    QByteArray bytes;
  };
  std::deque<Pending> pending;
  qint64 lastAt = 0;
  QByteArray out;

  QByteArray lineBuf;
  bool echoOn = true;
  int errorMode = 1;  // +CMEE
  bool prompt = false;
  QByteArray promptNumber;
  QByteArray body;
  bool reportDeferred = false;

  QMap<int, Entry> book;
  QMap<int, Sms> sms;
  quint64 changes = 0;
  QList<QByteArray> log;

  quint64 commandCount = 0;  // entries ever added to received()
  QMultiMap<quint64, Fault> faults;
  int promptsToLose = 0;
  int okToDrop = 0;
  int commandsToRefuse = 0;
  QSet<QByteArray> errorNames;
  QList<QByteArray> refused, swallowed;
  bool refuseAll = false;
  qint64 silentUntil = 0;
  bool lfOnly = false;
  qint64 extraDelay = 0;
  quint32 rng;
};
