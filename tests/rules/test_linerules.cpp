// SPDX-License-Identifier: GPL-3.0-or-later
// Lines from the unit: cutting, recognition, fields; and the command texts.
#include <QtTest>

#include "link/Answers.h"
#include "link/AtCommands.h"
#include "link/Exchange.h"
#include "link/LineRules.h"
#include "link/SimRoom.h"
#include "platform/Errors.h"

namespace {

// Feeds chunks byte by byte as the parser does; returns the completed lines and prompts.
struct Feed {
  QByteArray rx;
  QList<QByteArray> lines;
  int prompts = 0;
  void chunk(const QByteArray& bytes) {
    for (char c : bytes) {
      switch (TakeByte(rx, static_cast<unsigned char>(c))) {
        case ByteEffect::LineEnd:
          lines << rx;
          rx.clear();
          break;
        case ByteEffect::Prompt:
          ++prompts;
          break;
        default:
          break;
      }
    }
  }
};

}  // namespace

class TestLineRules : public QObject {
  Q_OBJECT

 private slots:
  void cutting() {
    Feed f;
    f.chunk("+CSQ: 1");
    QVERIFY(f.lines.isEmpty());
    f.chunk("8,99\r\nO");
    f.chunk("K\r\n\r\n");
    QCOMPARE(f.lines, (QList<QByteArray>{"+CSQ: 18,99", "OK", ""}));

    Feed controls;
    controls.chunk(QByteArray("A\x00\x01\tB\x1f\x7f\xff\r", 9));
    QCOMPARE(controls.lines, QList<QByteArray>{QByteArray("AB\x7f\xff")});

    Feed lfOnly;
    lfOnly.chunk("OK\n+CSQ: 18,99\n");
    QVERIFY(lfOnly.lines.isEmpty());
  }

  void prompt() {
    Feed f;
    f.chunk(">");
    QCOMPARE(f.prompts, 0);
    f.chunk(" ");
    QCOMPARE(f.prompts, 1);
    QCOMPARE(f.rx, QByteArray("> "));  // kept; the carriage return ends it as a line
    f.chunk("\r");
    QCOMPARE(f.lines, QList<QByteArray>{"> "});

    Feed other;
    other.chunk("x> \r>> \r\n> ");
    QCOMPARE(other.prompts, 1);  // only a line that is exactly "> "
  }

  void lineLengthLimit() {
    Feed f;
    f.chunk(QByteArray(kMaxLineLength + 500, 'a') + "\rOK\r");
    QCOMPARE(f.lines.size(), 2);
    QCOMPARE(f.lines[0], QByteArray(kMaxLineLength, 'a'));
    QCOMPARE(f.lines[1], QByteArray("OK"));
  }

  // Taking a run of bytes at once ends where taking them one by one would act, and leaves the
  // same line behind, however the bytes are cut into runs.
  void runs_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("lines") << QByteArray("\r\n+CREG: 0,1\r\n\r\nOK\r\n+CSQ: 1");
    QTest::newRow("prompts") << QByteArray(">\x01 x\r> \r\n>> \r\n> ");
    QTest::newRow("controls") << QByteArray("A\x00\x01\tB\x1f\x7f\xff\rC\n", 11);
    QTest::newRow("too long") << QByteArray(kMaxLineLength - 3, 'a') +
                                     "\x02"
                                     "bcdef\rgh\r" +
                                     QByteArray(kMaxLineLength + 9, 'i');
  }
  void runs() {
    QFETCH(QByteArray, bytes);
    // Byte by byte: after each byte that ends a line or makes the prompt, where it was and
    // what the line held.
    using Act = std::tuple<qsizetype, int, QByteArray>;
    QByteArray oneByOne;
    QList<Act> acts;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
      const ByteEffect e = TakeByte(oneByOne, static_cast<unsigned char>(bytes[i]));
      if (e == ByteEffect::LineEnd || e == ByteEffect::Prompt)
        acts.append({i + 1, int(e), oneByOne});
      if (e == ByteEffect::LineEnd) oneByOne.clear();
    }
    for (const qsizetype cut : {1, 2, 5, 64, 100000}) {
      QByteArray rx;
      QList<Act> got;
      for (qsizetype at = 0; at < bytes.size();) {
        const QByteArrayView run =
            QByteArrayView(bytes).sliced(at).first(std::min(cut - at % cut, bytes.size() - at));
        ByteEffect e;
        at += TakeBytes(rx, run, &e);
        if (e == ByteEffect::LineEnd || e == ByteEffect::Prompt) got.append({at, int(e), rx});
        if (e == ByteEffect::LineEnd) rx.clear();
      }
      QCOMPARE(got, acts);
      QCOMPARE(rx, oneByOne);
    }
  }

  void recognition_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("idle");
    QTest::addColumn<bool>("textExpected");
    QTest::addColumn<int>("rule");
    auto row = [](const char* name, const char* line, bool idle, bool text, LineRule r) {
      QTest::newRow(name) << QByteArray(line) << idle << text << int(r);
    };
    row("ok", "OK", true, false, LineRule::Ok);
    row("ok over text", "OK", false, true, LineRule::Ok);
    row("ok blank", "OK ", true, false, LineRule::Other);
    row("small ok", "ok", true, false, LineRule::Other);
    row("centre", "+CSCA: \"+420603052000\",145", true, false, LineRule::Centre);
    row("centre before written", "+CSCA +CMGW", true, false, LineRule::Centre);
    row("written before signal", "+CMGW: 3 +CSQ", true, false, LineRule::SmsWritten);
    row("signal with error", "+CSQ: 18,99 ERROR", true, false, LineRule::Signal);
    row("signal before operator", "+CSQ +COPS", true, false, LineRule::Signal);
    row("operator", "+COPS: 0,0,\"T-Mobile CZ\"", false, false, LineRule::Operator);
    row("size", "+CPBR: (1-250),40,16", true, false, LineRule::PhoneBookSize);
    row("size before list", "+CPBR: (1-250) +CMGL", true, false, LineRule::PhoneBookSize);
    row("list header", "+CMGL: 1,\"REC READ\",\"123\"", true, true, LineRule::SmsListHeader);
    row("relay b", "+CSSU: 0", true, false, LineRule::RelayB);
    row("relay b before call", "+CSSU +CLCC", true, false, LineRule::RelayB);
    row("call", "+CLCC: 1,1,4,0,0,\"123\",129,\"A\"", true, false, LineRule::CallReport);
    row("entry busy", "+CPBR: 1,\"123\",129,\"A\"", false, false, LineRule::PhoneBookEntry);
    row("entry idle", "+CPBR: 1,\"123\",129,\"A\"", true, false, LineRule::Other);
    row("entry idle error", "+CPBR: ERROR", true, false, LineRule::Error);
    row("entry before text", "+CPBR: 1", false, true, LineRule::PhoneBookEntry);
    row("text before error", "ERROR in text", true, true, LineRule::SmsText);
    row("empty text", "", true, true, LineRule::SmsText);
    row("error", "ERROR", true, false, LineRule::Error);
    row("cme error", "+CME ERROR: 21", false, false, LineRule::Error);
    row("small error", "error", true, false, LineRule::Other);
    row("empty", "", false, false, LineRule::Other);
    row("echo", "AT+CMGF?", false, false, LineRule::Other);
    row("marker after other signs", "a+b++CSQ: 5", true, false, LineRule::Signal);
    row("marker cut short", "x +CSC", true, false, LineRule::Other);
    row("error after signs", "+C+ ERROR+", true, false, LineRule::Error);
  }
  void recognition() {
    QFETCH(QByteArray, line);
    QFETCH(bool, idle);
    QFETCH(bool, textExpected);
    QFETCH(int, rule);
    QCOMPARE(int(RecogniseLine(line, idle, textExpected)), rule);
  }

  void integers() {
    qint32 v = 0;
    QVERIFY(TryStrToInt("250", &v) && v == 250);
    QVERIFY(TryStrToInt("-7", &v) && v == -7);
    QVERIFY(TryStrToInt("+7", &v) && v == 7);
    QVERIFY(TryStrToInt("2147483647", &v) && v == 2147483647);
    QVERIFY(TryStrToInt("-2147483648", &v) && v == -2147483647 - 1);
    for (const char* bad : {"", "-", "2147483648", "1 2", "x", "12a", "0x10", " 5"})
      QVERIFY2(!TryStrToInt(bad, &v), bad);
    try {
      StrToInt("1a");
      QFAIL("no error");
    } catch (const EConvertError& e) {
      QCOMPARE(e.Message, QStringLiteral("'1a' is not a valid integer value"));
    }
  }

  void noSuchSlot() {
    for (const char* yes : {"+CMS ERROR: 321", "+CMS ERROR:321 "}) QVERIFY2(NoSuchSlot(yes), yes);
    for (const char* no : {"ERROR", "+CMS ERROR: 3210", "+CME ERROR: 321", "+CMS ERROR: 500"})
      QVERIFY2(!NoSuchSlot(no), no);
  }

  void integerFields() {
    QByteArray rx;
    QCOMPARE(ReadIntField(SignalLevelField("+CSQ:  18 ,99"), rx), 18);
    QCOMPARE(ReadIntField(PhoneBookSizeField("+CPBR: (1-250),40,16"), rx), 250);
    QCOMPARE(ReadIntField(PhoneBookSizeField("+CPBR: (1- 99 )"), rx), 99);
    QCOMPARE(ReadIntField(SmsSlotField("+CMGL: 3,\"REC READ\",\"123\""), rx), 3);
    QCOMPARE(ReadIntField(SmsWrittenSlotField("+CMGW: 4 "), rx), 4);
    QCOMPARE(ReadIntField(PhoneBookIndexField("+CPBR: 7,\"123\",129,\"A\""), rx), 7);
    QVERIFY(rx.isEmpty());

    // A field that is no number, or a number outside what it can mean: the rest of the line
    // is dropped, so that the next line starts clean.
    rx = "+CSQ: x,99";
    try {
      ReadIntField(SignalLevelField(rx), rx);
      QFAIL("no error");
    } catch (const EConvertError& e) {
      QCOMPARE(e.Message, QStringLiteral("'x' is not a valid integer value"));
    }
    QVERIFY(rx.isEmpty());
    rx = "rest";
    QVERIFY_THROWS_EXCEPTION(EConvertError, ReadIntField(SignalLevelField("+CSQ: 18"), rx));
    QVERIFY(rx.isEmpty());
    for (const char* size : {"0", "10001", "2147483647", "-1"}) {
      rx = "rest";
      const QByteArray line = QByteArray("+CPBR: (1-") + size + ")";
      QVERIFY_THROWS_EXCEPTION(EConvertError,
                               ReadIntField(PhoneBookSizeField(line), rx, 1, kMaxPhoneBookSize));
      QVERIFY2(rx.isEmpty(), size);
    }
    QCOMPARE(ReadIntField(PhoneBookSizeField("+CPBR: (1-10000)"), rx, 1, kMaxPhoneBookSize), 10000);
  }

  // Lines in the order they arrive, and who each final result belongs to: - not final,
  // E the exchange the line before opened, P a command nobody waits for (a pacing probe, an
  // echo-off), S the barrier, A maybe the awaited answer, U nobody.
  void owners_data() {
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QByteArray>("context");  // p awaiting the probe, a awaiting, s SMS text,
                                              // b barrier out, c awaiting the centre, o owed
    QTest::addColumn<QByteArray>("owners");
    const QByteArray csq = "+CSQ: 18,99", entry = "+CPBR: 1,\"1\",129,\"A\"",
                     centre = "+CSCA: \"+420603\",145";
    auto row = [](const char* name, QList<QByteArray> lines, const char* context,
                  const char* owners) {
      QTest::newRow(name) << lines << QByteArray(context) << QByteArray(owners);
    };
    row("report before the answer", {csq, "OK", "OK"}, "a", "-EA");
    row("report without OK, answer with lines", {csq, entry, "OK"}, "a", "--A");
    row("report without OK, bare answer", {csq, "OK"}, "a", "-E");
    row("empty lines keep the mark", {csq, "", "OK", "OK"}, "a", "--EA");
    row("call", {"+CSSU: 0", "+CLCC: 1,1,4,0,0,\"1\",129,\"A\"", "OK", "OK"}, "a", "--EA");
    row("error after a report", {csq, "ERROR"}, "a", "-A");
    row("pacing probe's answer", {"+CMGF: 1", "OK", entry, "OK"}, "a", "-P-A");
    row("probe refused: the error may be anyone's", {"+CMS ERROR: 500", "OK"}, "a", "AA");
    row("the probe awaited", {"+CMGF: 1", "", "OK"}, "pa", "--A");
    row("in step behind strays", {"OK", entry, "ERROR", centre, "OK", "OK"}, "ab", "A-A-SA");
    row("a pacing answer is not the barrier's", {"+CMGF: 1", "OK", centre, "ERROR"}, "ab", "-P-S");
    row("barrier refused: an error like any", {"ERROR", "ERROR"}, "ab", "AA");
    row("a late barrier's answer", {centre, "OK", "OK"}, "a", "-EA");
    row("the centre awaited", {centre, "OK"}, "ac", "-A");
    row("owed first, reports aside", {csq, "OK", "OK", "ERROR"}, "ao", "-EPP");
    row("nothing awaited", {"OK", csq, "OK", "ERROR"}, "", "U-EU");
    row("chain moved on at the line", {"+CMGW: 3", "OK", "+COPS: 0,0,\"X\"", "OK", "OK"}, "a",
        "-E-EA");
    row("an SMS text is no report", {csq, "OK"}, "as", "-A");
  }
  void owners() {
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QByteArray, context);
    QFETCH(QByteArray, owners);
    AnswerMarks marks;
    QByteArray got;
    for (const QByteArray& line : lines) {
      AnswerContext at;
      at.lineEmpty = line.isEmpty();
      at.smsTextExpected = context.contains('s');
      at.awaiting = context.contains('a');
      at.awaitingProbe = context.contains('p');
      at.awaitingCentre = context.contains('c');
      at.owed = context.contains('o');
      const LineRule rule = RecogniseLine(line, false, at.smsTextExpected);
      const Owner o = LineOwner(marks, rule, ProbeAnswer(line, rule, context.contains('b')), at);
      got += "-EPSAU"[int(o)];
    }
    QCOMPARE(got, owners);
    // The final results a command heard, once back in step.
    QCOMPARE(Judge({}), Verdict::Unknown);
    QCOMPARE(Judge({true, true}), Verdict::Answered);
    QCOMPARE(Judge({false}), Verdict::Refused);
    QCOMPARE(Judge({false, true}), Verdict::Unknown);
  }

  // The command in flight, event by event: o an "OK" noted, e an error noted, b the barrier
  // sent, B back in step (its outcome: A answered, R refused, L lost), r sent again, c closed
  // unanswered then sent anew, C closed answered then sent anew. Then its sends and whether it
  // may go out again.
  void exchange_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("events");
    QTest::addColumn<QByteArray>("outcomes");
    QTest::addColumn<int>("sends");
    QTest::addColumn<bool>("left");
    auto row = [](const char* name, Awaiting kind, const char* events, const char* outcomes,
                  int sends, bool left) {
      QTest::newRow(name) << int(kind) << QByteArray(events) << QByteArray(outcomes) << sends
                          << left;
    };
    row("answered", Awaiting::Query, "obB", "A", 2, true);
    row("refused", Awaiting::Erase, "ebB", "R", 2, true);
    row("lost", Awaiting::Read, "bB", "L", 2, true);
    row("late", Awaiting::Step, "boB", "A", 2, true);
    row("stray with the answer", Awaiting::Row, "oebB", "L", 2, true);
    row("barrier refused, then answered", Awaiting::Census, "ebebB", "L", 3, true);
    row("barrier lost twice", Awaiting::SmsList, "bbbB", "L", 4, true);
    row("anything closes with its barrier", Awaiting::Anything, "ebB", "A", 2, true);
    row("refused every time", Awaiting::RowAt, "ebBrebBrebB", "RRR", 6, false);
    row("a prompt: three tries", Awaiting::Prompt, "rr", "", 3, false);
    row("refused, the same again counts on", Awaiting::SmsDelete, "ebBc", "R", 3, true);
    row("answered, the same again starts afresh", Awaiting::Query, "obBC", "A", 1, true);
  }
  void exchange() {
    QFETCH(int, kind);
    QFETCH(QByteArray, events);
    QFETCH(QByteArray, outcomes);
    QFETCH(int, sends);
    QFETCH(bool, left);
    Exchange x;
    x.NewChain();
    const QByteArray command = "AT+CPBW=3\r\n";
    qint64 now = 0;
    x.Send(command, Awaiting(kind), 3, now);
    QByteArray got;
    for (const char e : events) {
      now += 1000;
      switch (e) {
        case 'o':
        case 'e':
          x.Note(e == 'o', e == 'o' ? QByteArray() : QByteArray("+CME ERROR: 21"));
          break;
        case 'b':
          x.SendBarrier(now);
          break;
        case 'B':
          got += "ARL"[int(x.BackInStep())];
          break;
        case 'r':
          x.SendAgain(now);
          break;
        default:
          x.Close(e == 'C', now);
          x.Send(command, Awaiting(kind), 3, now);
      }
    }
    QCOMPARE(got, outcomes);
    QCOMPARE(x.Sends(), sends);
    QCOMPARE(x.SendsLeft(), left);
    QVERIFY(!x.Overdue(now) && x.Overdue(now + PolicyFor(Awaiting(kind)).answerMs));
  }

  void undone() {
    QCOMPARE(MissingLines({"A=1", "B=2", "A=1", "PLACE=", "=", "=7", "C=3"}, {"A=1", "C=3", "X=9"}),
             (QStringList{"B=2", "A=1", "=7"}));
    QCOMPARE(RowText("NOVAK=+420721"), QStringLiteral("NOVAK (+420721)"));
    QStringList many;
    for (int i = 1; i <= 23; ++i) many << QString::number(i);
    // The title and the rest counted, each for its own number.
    MessageTexts cs;
    cs.Language = "cs";
    cs.AndMore = "a {%1 dal\u0161\u00ED|%1 dal\u0161\u00ED|%1 dal\u0161\u00EDch}.";
    const QString title = "{\u0158\u00E1dek|\u0158\u00E1dky|\u0158\u00E1dk\u016F} (%1):";
    const QStringList shown = FirstItems(title, many, cs).split('\n');
    QCOMPARE(shown.size(), 22);
    QCOMPARE(shown[0], QStringLiteral("\u0158\u00E1dk\u016F (23):"));
    QCOMPARE(shown[20], QStringLiteral("20"));
    QCOMPARE(shown[21], QStringLiteral("a 3 dal\u0161\u00ED."));
    QCOMPARE(FirstItems(title, {"a"}, cs), QStringLiteral("\u0158\u00E1dek (1):\na"));
  }

  void textFields() {
    QCOMPARE(CentreNumber("+CSCA: \"+420603052000\",145"), QByteArray("+420603052000"));
    QCOMPARE(CentreNumber("+CSCA: \"+4206"), QByteArray());
    QCOMPARE(CentreNumber("+CSCA: 145"), QByteArray());

    QCOMPARE(OperatorText("+COPS: 0,0,\"ABC\""), QByteArray("\"ABC\""));
    QCOMPARE(OperatorText("+COPS: 0,0,\"A very long operator name\""),
             QByteArray("\"A very long operato"));
    QCOMPARE(OperatorText("+COPS: 0,0,ABC and more text"), QByteArray("+COPS: 0,0,ABC and m"));

    NameAndNumber e = PhoneBookEntryFields("+CPBR: 12,\"+420777\",145,\"ADMIN1\"");
    QCOMPARE(e.name, QByteArray("ADMIN1"));
    QCOMPARE(e.number, QByteArray("+420777"));
    e = PhoneBookEntryFields("+CPBR: 12,\"\",129,\"\"");
    QVERIFY(e.name.isEmpty() && e.number.isEmpty());
    e = PhoneBookEntryFields("+CPBR: 12");
    QVERIFY(e.name.isEmpty() && e.number.isEmpty());

    NameAndNumber c = CallReportFields("+CLCC: 1,1,4,0,0,\"123\",129,\"ADMIN1\"");
    QCOMPARE(c.number, QByteArray("123"));
    QCOMPARE(c.name, QByteArray("ADMIN1"));
    c = CallReportFields("+CLCC: 1,1,4,0,0,\"123\",129");
    QCOMPARE(c.number, QByteArray("123"));
    QVERIFY(c.name.isEmpty());

    QCOMPARE(SmsListNumber("+CMGL: 2,\"REC READ\",\"+420123\",,\"24/01/01\""),
             QByteArray("+420123"));
  }

  void signalColours() {
    const QList<QPair<int, quint32>> table = {{14, 0xFF0000}, {15, 0x00FFFF}, {21, 0x00FFFF},
                                              {22, 0x00FF00}, {31, 0x00FF00}, {32, 0xFF0000},
                                              {99, 0xFF0000}, {-1, 0xFF0000}};
    for (const auto& [level, colour] : table) QCOMPARE(SignalColour(level), colour);
  }

  void rows() {
    QCOMPARE(ReservedNameIndex("ADMIN1"), 0);
    QCOMPARE(ReservedNameIndex("CRED"), kReservedNameCount - 1);
    QCOMPARE(ReservedNameIndex("Cred"), -1);
    QCOMPARE(ReservedNameIndex("OUT"), -1);

    QVERIFY(RowSendable("ADMIN1", "+420*123#"));
    QVERIFY(RowSendable("Jan Novak", "1"));
    QVERIFY(!RowSendable("", "123"));
    QVERIFY(!RowSendable("A", ""));
    QVERIFY(!RowSendable("A", "12 3"));
    QVERIFY(!RowSendable("A", "12,3"));
    QVERIFY(!RowSendable("A\"B", "123"));
    QVERIFY(!RowSendable(QByteArray("A\x01", 2), "123"));
  }

  // The census before a write and the rows it takes: free entries below N never counted too
  // many, and what entry N holds when that is not OUT.
  void room_data() {
    QTest::addColumn<int>("capacity");
    QTest::addColumn<QList<QByteArray>>("census");
    QTest::addColumn<QList<QByteArray>>("taken");
    QTest::addColumn<int>("free");
    QTest::addColumn<QString>("hidden");
    QList<QByteArray> nine;
    for (int i = 1; i <= 9; ++i) nine << "+CPBR: " + QByteArray::number(i) + ",\"7\",129,\"P\"";
    const QByteArray caller = "+CPBR: 10,\"709\",129,\"P9\"";
    QTest::newRow("empty") << 10 << QList<QByteArray>{} << QList<QByteArray>{} << 9 << "";
    QTest::newRow("full but N") << 10 << nine << QList<QByteArray>{} << 0 << "";
    QTest::newRow("caller in N") << 10 << QList<QByteArray>{caller} << QList<QByteArray>{} << 9
                                 << "P9=709";
    QTest::newRow("OUT in N") << 10 << QList<QByteArray>{"+CPBR: 10,\"777\",129,\"OUT\""}
                              << QList<QByteArray>{} << 9 << "";
    QTest::newRow("OUT written over a caller")
        << 10 << QList<QByteArray>{caller} << QList<QByteArray>{"OUT"} << 9 << "";
    // An index that cannot be read, or lies past N, may be any entry below N.
    QTest::newRow("garbled indices")
        << 10 << QList<QByteArray>{"+CPBR: x,\"1\",129,\"A\"", "+CPBR: 11,\"1\",129,\"A\"", "+CPBR"}
        << QList<QByteArray>{} << 6 << "";
    QTest::newRow("listed twice") << 10 << QList<QByteArray>{nine[0], nine[1], nine[0]}
                                  << QList<QByteArray>{} << 7 << "";
    // RTIME may take the last free entry below N; a row whose answer was lost, another.
    QTest::newRow("rows taken") << 4 << QList<QByteArray>{} << QList<QByteArray>{"A", "RTIME", ""}
                                << 0 << "";
    QTest::newRow("size 1: only N") << 1 << QList<QByteArray>{} << QList<QByteArray>{} << 0 << "";
    QTest::newRow("size unknown") << 0 << QList<QByteArray>{} << QList<QByteArray>{} << 0 << "";
  }

  void room() {
    QFETCH(int, capacity);
    QFETCH(QList<QByteArray>, census);
    QFETCH(QList<QByteArray>, taken);
    QFETCH(int, free);
    QFETCH(QString, hidden);
    SimRoom room;
    room.Start(capacity);
    for (const QByteArray& line : census) room.Found(line);
    for (const QByteArray& name : taken) room.Taken(name);
    QCOMPARE(room.Free(), free);
    QCOMPARE(room.Hidden(), hidden);
    QCOMPARE(room.Fits("ADMIN1"), free > 0);
    QVERIFY(room.Fits("RTIME") && room.Fits("OUT"));
    room.Unknown();
    QVERIFY(!room.Fits("ADMIN1"));
  }

  void commands() {
    QCOMPARE(At::ReadPhoneBook(249), QByteArray("AT+CPBR=1,249\r\n"));
    QCOMPARE(At::DeleteEntry(7), QByteArray("AT+CPBW=7\r\n"));
    QCOMPARE(At::WriteRow("ADMIN1", "123", 250), QByteArray("AT+CPBW=,123,,\"ADMIN1\"\r\n"));
    QCOMPARE(At::WriteRow("RTIME", "05", 250), QByteArray("AT+CPBW=249,05,,\"RTIME\"\r\n"));
    QCOMPARE(At::WriteRow("OUT", "777", 250), QByteArray("AT+CPBW=250,777,,\"OUT\"\r\n"));
    QCOMPARE(At::WriteRow("Out", "777", 250), QByteArray("AT+CPBW=,777,,\"Out\"\r\n"));
    QCOMPARE(At::DeleteSms(12), QByteArray("AT+CMGD=12\r\n"));
    QCOMPARE(At::WriteSms(""), QByteArray("AT+CMGW=\r\n"));
    QCOMPARE(At::SmsBody("Hi"), QByteArray("Hi\x1A"));
    QCOMPARE(At::Probe, QByteArray("AT+CMGF?\r\n"));
    QCOMPARE(At::ErasePhoneBook, QByteArray("AT^SPBD=SM\r\n"));
  }
};

QTEST_GUILESS_MAIN(TestLineRules)
#include "test_linerules.moc"
