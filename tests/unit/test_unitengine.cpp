// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated unit: answers as a module in text mode gives them, refusals, the SMS prompt,
// its own reports, and misbehaviour on request.
#include <QTemporaryDir>
#include <QTest>

#include "unit/UnitEngine.h"

namespace {

// A unit with echo already off.
UnitEngine quietUnit(UnitEngine::Options o = UnitEngine::Options()) {
  UnitEngine u(o);
  u.feed("ATE\r\n");
  u.takeOutput();
  return u;
}

QByteArray ask(UnitEngine& u, const QByteArray& command) {
  u.feed(command + "\r\n");
  return u.takeOutput();
}

QByteArray ok(const QByteArray& line) { return "\r\n" + line + "\r\n\r\nOK\r\n"; }

}  // namespace

class TestUnitEngine : public QObject {
  Q_OBJECT

 private slots:
  void echoUntilTurnedOff() {
    UnitEngine u;
    u.feed("AT\r\n");
    QCOMPARE(u.takeOutput(), QByteArray("AT\r\r\nOK\r\n\n"));
    u.feed("ATE\r\n");
    QCOMPARE(u.takeOutput(), QByteArray("ATE\r\r\nOK\r\n"));
    QCOMPARE(ask(u, "AT"), QByteArray("\r\nOK\r\n"));
    // The line feed behind "ATE1" comes back already.
    QCOMPARE(ask(u, "ATE1"), QByteArray("\r\nOK\r\n\n"));
    QCOMPARE(ask(u, "AT"), QByteArray("AT\r\r\nOK\r\n\n"));
    QCOMPARE(u.received(), (QList<QByteArray>{"AT", "ATE", "AT", "ATE1", "AT"}));
  }

  void statusQueries() {
    UnitEngine u = quietUnit();
    QCOMPARE(ask(u, "AT+CMGF?"), ok("+CMGF: 1"));
    QCOMPARE(ask(u, "AT+CSCA?"), ok("+CSCA: \"+420603052000\",145"));
    QCOMPARE(ask(u, "AT+COPS?"), ok("+COPS: 0,0,\"ZUL NET\""));
    QCOMPARE(ask(u, "AT+CPBR=?"), ok("+CPBR: (1-250),40,14"));
    QCOMPARE(ask(u, "AT^SPBD=SM"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(ask(u, "AT+XYZ"), QByteArray("\r\nERROR\r\n"));
    QCOMPARE(ask(u, "AT+CPBR"), QByteArray("\r\nERROR\r\n"));
    // Text without "AT" is not for the module.
    QCOMPARE(ask(u, "hello"), QByteArray());

    UnitEngine::Options o;
    o.capacity = 100;
    o.nameLength = 16;
    UnitEngine small = quietUnit(o);
    QCOMPARE(ask(small, "AT+CPBR=?"), ok("+CPBR: (1-100),40,16"));
  }

  void phoneBookWritesAndReads() {
    UnitEngine u = quietUnit();
    u.setEntry(2, "+420111", "TAKEN");
    // The program's form: index empty, number unquoted, type empty.
    QCOMPARE(ask(u, "AT+CPBW=,+420603123456,,\"ADMIN1\""), QByteArray("\r\nOK\r\n"));
    QCOMPARE(ask(u, "AT+CPBW=,\"603123457\",129,\"NOVAK\""), QByteArray("\r\nOK\r\n"));
    QCOMPARE(ask(u, "AT+CPBW=249,05,,\"RTIME\""), QByteArray("\r\nOK\r\n"));
    QCOMPARE(ask(u, "AT+CPBW=250,+420777999888,,\"OUT\""), QByteArray("\r\nOK\r\n"));
    QCOMPARE(u.phoneBook().value(1).name, QByteArray("ADMIN1"));
    QCOMPARE(u.phoneBook().value(1).type, 145);
    QCOMPARE(u.phoneBook().value(3).name, QByteArray("NOVAK"));  // 2 was taken
    QCOMPARE(u.phoneBook().value(249).number, QByteArray("05"));

    QCOMPARE(ask(u, "AT+CPBR=1,249"), QByteArray("\r\n+CPBR: 1,\"+420603123456\",145,\"ADMIN1\"\r\n"
                                                 "+CPBR: 2,\"+420111\",145,\"TAKEN\"\r\n"
                                                 "+CPBR: 3,\"603123457\",129,\"NOVAK\"\r\n"
                                                 "+CPBR: 249,\"05\",129,\"RTIME\"\r\n\r\nOK\r\n"));
    QCOMPARE(ask(u, "AT+CPBR=250"), ok("+CPBR: 250,\"+420777999888\",145,\"OUT\""));
    QCOMPARE(ask(u, "AT+CPBR=4,248"), QByteArray("\r\nOK\r\n"));

    // Deleting: stored or empty entries alike; a rewrite of an index replaces it.
    QCOMPARE(ask(u, "AT+CPBW=1"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(ask(u, "AT+CPBW=5"), QByteArray("\r\nOK\r\n"));
    QVERIFY(!u.phoneBook().contains(1));
    QCOMPARE(ask(u, "AT+CPBW=,123,,\"NEXT\""), QByteArray("\r\nOK\r\n"));
    QCOMPARE(u.phoneBook().value(1).name, QByteArray("NEXT"));
    QCOMPARE(ask(u, "AT+CPBW=3,456,,\"OTHER\""), QByteArray("\r\nOK\r\n"));
    QCOMPARE(u.phoneBook().value(3).number, QByteArray("456"));
    QCOMPARE(u.phoneBook().size(), 5);
  }

  void phoneBookRefusals_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("name of 14 fits")
        << QByteArray("AT+CPBW=,1,,\"ABCDEFGHIJKLMN\"") << QByteArray("OK");
    QTest::newRow("name of 15") << QByteArray("AT+CPBW=,1,,\"ABCDEFGHIJKLMNO\"")
                                << QByteArray("+CME ERROR: 24");
    QTest::newRow("two-place signs count twice")
        << QByteArray("AT+CPBW=,1,,\"ABCDEFGHIJKLM[\"") << QByteArray("+CME ERROR: 24");
    QTest::newRow("letter outside the SIM's alphabet")
        << QByteArray("AT+CPBW=,1,,\"ZELEN\xc1\"") << QByteArray("+CME ERROR: 25");
    QTest::newRow("control character")
        << QByteArray("AT+CPBW=,1,,\"A\tB\"") << QByteArray("+CME ERROR: 25");
    QTest::newRow("index 0") << QByteArray("AT+CPBW=0,1,,\"A\"") << QByteArray("+CME ERROR: 21");
    QTest::newRow("index N+1") << QByteArray("AT+CPBW=251,1,,\"A\"")
                               << QByteArray("+CME ERROR: 21");
    QTest::newRow("delete N+1") << QByteArray("AT+CPBW=251") << QByteArray("+CME ERROR: 21");
    QTest::newRow("number of 41 digits")
        << QByteArray("AT+CPBW=,+" + QByteArray(41, '1') + ",,\"A\"")
        << QByteArray("+CME ERROR: 26");
    QTest::newRow("plus inside the number")
        << QByteArray("AT+CPBW=,42+0,,\"A\"") << QByteArray("+CME ERROR: 27");
    QTest::newRow("letter in the number")
        << QByteArray("AT+CPBW=,12a,,\"A\"") << QByteArray("+CME ERROR: 27");
    QTest::newRow("bad type") << QByteArray("AT+CPBW=,12,7,\"A\"") << QByteArray("+CME ERROR: 50");
    QTest::newRow("unclosed quote") << QByteArray("AT+CPBW=,12,,\"A") << QByteArray("ERROR");
    QTest::newRow("read range upside down")
        << QByteArray("AT+CPBR=5,4") << QByteArray("+CME ERROR: 21");
    QTest::newRow("read past N") << QByteArray("AT+CPBR=1,251") << QByteArray("+CME ERROR: 21");
  }

  void phoneBookRefusals() {
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, answer);
    UnitEngine u = quietUnit();
    QCOMPARE(ask(u, command), "\r\n" + answer + "\r\n");
    QCOMPARE(u.phoneBook().size(), answer == "OK" ? 1 : 0);
  }

  void phoneBookFull() {
    UnitEngine::Options o;
    o.capacity = 2;
    UnitEngine u = quietUnit(o);
    QCOMPARE(ask(u, "AT+CPBW=,1,,\"A\""), QByteArray("\r\nOK\r\n"));
    QCOMPARE(ask(u, "AT+CPBW=,2,,\"B\""), QByteArray("\r\nOK\r\n"));
    QCOMPARE(ask(u, "AT+CPBW=,3,,\"C\""), QByteArray("\r\n+CME ERROR: 20\r\n"));
    // Without extended error reports a module only says ERROR.
    QCOMPARE(ask(u, "AT+CMEE=0"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(ask(u, "AT+CPBW=3"), QByteArray("\r\nERROR\r\n"));
  }

  // Strict: no more than the unit's AT interface; and the faults that last until behave().
  void strictAndPersistent() {
    UnitEngine::Options o;
    o.strict = true;
    o.capacity = 20;
    UnitEngine u = quietUnit(o);
    QCOMPARE(ask(u, "AT+CMGF?"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(ask(u, "AT+CMGF=?"), QByteArray("\r\nERROR\r\n"));
    QCOMPARE(ask(u, "AT+CPBR=?"), QByteArray("\r\n+CPBR: (1-20)\r\n\r\nOK\r\n"));
    QCOMPARE(ask(u, "AT^SPBD=SM"), QByteArray());
    QCOMPARE(ask(u, "AT+CMEE=0"), QByteArray("\r\nERROR\r\n"));
    u.refuseAlways("+CPBW=3");
    u.neverAnswer("+CMGD=");
    QCOMPARE(ask(u, "AT+CPBW=3"), QByteArray("\r\nERROR\r\n"));
    QCOMPARE(ask(u, "AT+CPBW=3"), QByteArray("\r\nERROR\r\n"));
    QCOMPARE(ask(u, "AT+CMGD=1"), QByteArray());
    u.refuseEverything(true);
    QCOMPARE(ask(u, "AT"), QByteArray("\r\nERROR\r\n"));
    u.behave();
    QCOMPARE(ask(u, "AT+CPBW=3"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(ask(u, "AT+CMGD=1"), QByteArray("\r\nOK\r\n"));
  }

  void smsWriteListDelete() {
    UnitEngine u = quietUnit();
    u.setSms(2, "+420777111222", "Taken");
    u.feed("AT+CMGW=+420603123456\r\n");
    QCOMPARE(u.takeOutput(), QByteArray("\r\n> "));
    QVERIFY(u.waitingForBody());
    u.feed("Gate open");
    QCOMPARE(u.takeOutput(), QByteArray());
    u.feed("\x1a");
    QCOMPARE(u.takeOutput(), ok("+CMGW: 1"));
    QCOMPARE(u.received().last(), QByteArray("Gate open\x1a"));

    // The next goes to the first free slot, past the one taken; ESC stores nothing.
    u.feed("AT+CMGW=\"603\"\r\nSecond\x1a");
    QCOMPARE(u.takeOutput(), "\r\n> " + ok("+CMGW: 3"));
    u.feed("AT+CMGW=1\r\nnever\x1b");
    QCOMPARE(u.takeOutput(), QByteArray("\r\n> \r\nOK\r\n"));
    QCOMPARE(u.messages().size(), 3);

    QCOMPARE(ask(u, "AT+CMGL=ALL"), QByteArray("\r\n+CMGL: 1,\"STO UNSENT\",\"+420603123456\",,\r\n"
                                               "Gate open\r\n"
                                               "+CMGL: 2,\"STO UNSENT\",\"+420777111222\",,\r\n"
                                               "Taken\r\n"
                                               "+CMGL: 3,\"STO UNSENT\",\"603\",,\r\n"
                                               "Second\r\n\r\nOK\r\n"));
    QCOMPARE(ask(u, "AT+CMGD=2"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(ask(u, "AT+CMGD=2"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(ask(u, "AT+CMGD=25"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(ask(u, "AT+CMGD=26"), QByteArray("\r\n+CMS ERROR: 321\r\n"));
    QCOMPARE(u.messages().keys(), (QList<int>{1, 3}));
    // The program's empty number still gets a prompt.
    u.feed("AT+CMGW=\r\n");
    QCOMPARE(u.takeOutput(), QByteArray("\r\n> "));
  }

  void smsSlotsFull() {
    UnitEngine::Options o;
    o.smsSlots = 1;
    UnitEngine u = quietUnit(o);
    u.setSms(1, "1", "x");
    QCOMPARE(ask(u, "AT+CMGW=2"), QByteArray("\r\n+CMS ERROR: 322\r\n"));
    QVERIFY(!u.waitingForBody());
  }

  void signalReportsAtTheInterval() {
    UnitEngine u = quietUnit();
    u.advanceTo(9999);
    QCOMPARE(u.takeOutput(), QByteArray());
    QCOMPARE(u.nextEventTime(), 10000);
    u.advanceTo(10000);
    QCOMPARE(u.takeOutput(), ok("+CSQ: 18,99"));
    u.setSignalLevel(25);
    u.advanceTo(30000);
    QCOMPARE(u.takeOutput(), ok("+CSQ: 25,99") + ok("+CSQ: 25,99"));

    // Not while the module collects an SMS body: the report follows the stored SMS.
    u.feed("AT+CMGW=1\r\n");
    u.takeOutput();
    u.advanceTo(45000);
    u.feed("x\x1a");
    QCOMPARE(u.takeOutput(), ok("+CMGW: 1") + ok("+CSQ: 25,99"));

    u.setReportInterval(0);
    u.advanceTo(100000);
    QCOMPARE(u.takeOutput(), QByteArray());
    QCOMPARE(u.nextEventTime(), -1);
  }

  void latencyDelaysAnswersNotEcho() {
    UnitEngine::Options o;
    o.latencyMs = 300;
    UnitEngine u(o);
    u.feed("AT\r\n");
    QCOMPARE(u.takeOutput(), QByteArray("AT\r"));
    QCOMPARE(u.nextEventTime(), 300);
    u.advanceTo(299);
    QCOMPARE(u.takeOutput(), QByteArray());
    u.advanceTo(300);
    QCOMPARE(u.takeOutput(), QByteArray("\r\nOK\r\n\n"));
    u.feed("ATE\r\n");
    u.advanceTo(1000);
    u.takeOutput();
    u.delayNextAnswer(1000);
    u.feed("AT\r\n");
    u.advanceTo(2299);
    QCOMPARE(u.takeOutput(), QByteArray());
    u.advanceTo(2300);
    QCOMPARE(u.takeOutput(), QByteArray("\r\nOK\r\n"));
    // Answers keep their order when the latency shrinks meanwhile.
    u.feed("AT+CMGF?\r\n");
    u.setLatency(0);
    u.feed("AT\r\n");
    u.advanceTo(2600);
    QCOMPARE(u.takeOutput(), ok("+CMGF: 1") + "\r\nOK\r\n");
  }

  void misbehaviour() {
    UnitEngine u = quietUnit();
    u.dropNextOk();
    QCOMPARE(ask(u, "AT+CMGF?"), QByteArray("\r\n+CMGF: 1\r\n"));
    QCOMPARE(ask(u, "AT"), QByteArray("\r\nOK\r\n"));
    u.dropNextOk();
    u.advanceTo(10000);
    QCOMPARE(u.takeOutput(), QByteArray("\r\n+CSQ: 18,99\r\n"));

    u.errorNextCommand();
    QCOMPARE(ask(u, "AT+CPBW=,1,,\"A\""), QByteArray("\r\nERROR\r\n"));
    QVERIFY(u.phoneBook().isEmpty());
    u.setErrorName("BAD");
    QCOMPARE(ask(u, "AT+CPBW=,1,,\"BAD\""), QByteArray("\r\n+CME ERROR: 100\r\n"));
    QCOMPARE(ask(u, "AT+CPBW=,1,,\"GOOD\""), QByteArray("\r\nOK\r\n"));

    u.setLineFeedOnly(true);
    QCOMPARE(ask(u, "AT+CMGF?"), QByteArray("\n+CMGF: 1\n\nOK\n"));
    u.setLineFeedOnly(false);

    // Silent: commands are lost, reports skipped; afterwards all is as before.
    u.silence(15000);
    QCOMPARE(ask(u, "AT+CPBW=,2,,\"LOST\""), QByteArray());
    u.call("+420777111222");
    u.advanceTo(24999);
    QCOMPARE(u.takeOutput(), QByteArray());
    QCOMPARE(u.received().last(), QByteArray("AT+CPBW=,2,,\"LOST\""));
    u.advanceTo(30000);
    QCOMPARE(u.takeOutput(), ok("+CSQ: 18,99"));
    QCOMPARE(u.phoneBook().size(), 1);

    // Faults on cue, counted in commands from now (0: the one onCommand is told of).
    u.faultAt(2, UnitEngine::Fault::LoseAnswer);
    QCOMPARE(ask(u, "AT"), QByteArray("\r\nOK\r\n"));
    QCOMPARE(ask(u, "AT+CPBW=,9,,\"KEPT\""), QByteArray());  // carried out, answer lost
    QCOMPARE(u.phoneBook().value(2).name, QByteArray("KEPT"));
    u.faultAt(1, UnitEngine::Fault::ReportFirst);
    u.faultAt(2, UnitEngine::Fault::ReportFirstNoOk);
    QCOMPARE(ask(u, "AT"), ok("+CSQ: 18,99") + "\r\nOK\r\n");
    QCOMPARE(ask(u, "AT+CMGF?"), "\r\n+CSQ: 18,99\r\n" + ok("+CMGF: 1"));
    u.reportSignal(false);
    QCOMPARE(u.takeOutput(), QByteArray("\r\n+CSQ: 18,99\r\n"));
    u.onCommand = [&](const QByteArray& line) {
      if (line.endsWith('\x1a')) u.faultAt(0, UnitEngine::Fault::Refuse);
    };
    QCOMPARE(ask(u, "AT+CMGW=1"), QByteArray("\r\n> "));
    u.feed("refused\x1a");
    QCOMPARE(u.takeOutput(), QByteArray("\r\nERROR\r\n"));
    u.onCommand = nullptr;
    QVERIFY(u.messages().isEmpty());
    // A lost prompt leaves the unit waiting for the body; ESC ends the wait.
    u.losePrompt();
    QCOMPARE(ask(u, "AT+CMGW=1"), QByteArray());
    QVERIFY(u.waitingForBody());
    u.feed("\x1b\r\n");
    QCOMPARE(u.takeOutput(), QByteArray("\r\nOK\r\n"));
    QVERIFY(!u.waitingForBody() && u.messages().isEmpty());

    // A restart on cue: carried out, its answer and the body being read are lost; for the boot
    // the unit hears nothing, then it says every command back. The SIM keeps what it holds.
    u.setLatency(500);
    QCOMPARE(ask(u, "AT+CMGW=1"), QByteArray());
    u.feed("half a body");
    u.restart();
    QVERIFY(!u.waitingForBody() && u.echo());
    u.elapse(UnitEngine::kBootMs);
    u.feed("ATE\r\n");
    u.elapse(500);
    u.takeOutput();
    u.faultAt(1, UnitEngine::Fault::Restart);
    QCOMPARE(ask(u, "AT+CPBW=3,5,,\"R\""), QByteArray());
    QCOMPARE(ask(u, "AT"), QByteArray());  // booting
    u.elapse(UnitEngine::kBootMs + 1000);
    QCOMPARE(u.takeOutput(), QByteArray());
    QCOMPARE(ask(u, "AT"), QByteArray("AT\r"));
    u.elapse(500);
    QCOMPARE(u.takeOutput(), QByteArray("\r\nOK\r\n\n"));
    QCOMPARE(u.phoneBook().value(3).name, QByteArray("R"));
    QVERIFY(u.messages().isEmpty());
    u.setLatency(0);

    // Noise: as many bytes as asked for, the same ones for the same seed.
    UnitEngine a, b;
    a.injectNoise(64);
    b.injectNoise(64);
    const QByteArray noise = a.takeOutput();
    QCOMPARE(noise.size(), 64);
    QCOMPARE(b.takeOutput(), noise);
  }

  void callReports() {
    UnitEngine u = quietUnit();
    u.setEntry(7, "+420777111222", "ADMIN2");
    u.call("+420777111222");
    QCOMPARE(u.takeOutput(), ok("+CLCC: 1,1,4,0,0,\"+420777111222\",145,\"ADMIN2\""));
    u.call("+420999", true);
    QCOMPARE(u.takeOutput(), "\r\n+CSSU: 0\r\n" + ok("+CLCC: 1,1,4,0,0,\"+420999\",145,\"\""));
  }

  void stateRoundTrip() {
    UnitEngine u;
    u.fillDemo();
    u.setEntry(20, "123", "A%B");
    u.setSms(9, "+4201", "tab\there\nline two 100%");
    QTemporaryDir dir;
    const QString file = dir.filePath("unit.state");
    QVERIFY(u.saveState(file));

    UnitEngine v;
    QVERIFY(v.loadState(file));
    QCOMPARE(v.stateText(), u.stateText());
    QCOMPARE(v.messages().value(9).text, QByteArray("tab\there\nline two 100%"));
    QCOMPARE(v.phoneBook().value(249).name, QByteArray("RTIME"));
    QCOMPARE(v.phoneBook().value(250).name, QByteArray("OUT"));
    QCOMPARE(v.messages().size(), 7);

    // An entry the smaller phone book cannot hold refuses the file rather than losing it.
    UnitEngine::Options o;
    o.capacity = 100;
    UnitEngine w(o);
    QString why;
    QVERIFY(!w.loadState(file, &why));
    QVERIFY(why.contains("249"));
    QVERIFY(!w.setStateText("phonebook\t1\n", &why));
  }
};

QTEST_GUILESS_MAIN(TestUnitEngine)
#include "test_unitengine.moc"
