// SPDX-License-Identifier: GPL-3.0-or-later
// The SIM phone book between the unit and the grid: Load SIM, Overwrite SIM, Add To SIM.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "app/Form1.h"
#include "app/MonitorView.h"
#include "app/Widgets.h"
#include "link/ComPort.h"
#include "phonebook/NameValueGrid.h"
#include "support/WindowHarness.h"

namespace {

// The census of an empty SIM, asked twice: a stray "OK" in place of a lost answer lists nothing
// as well. Each read ends with the barrier, whose answer shows the read is all in.
const QList<QByteArray> kEmptyCensus{"AT+CPBR=1,250", "AT+CSCA?", "AT+CPBR=1,250", "AT+CSCA?"};
const QList<QByteArray> kReadBack{"AT+CMGF?", "AT+CPBR=1,249", "AT+CSCA?"};

void startLinked(WindowHarness& h) {
  TForm1& f = h.form();
  QVERIFY(h.runUntil([&] { return f.Link.PhoneBookCapacity > 0 && f.Link.LinkIdle; }, 80000));
}

void fillSim(UnitEngine& u, int count) {
  for (int i = 1; i <= count; ++i)
    u.setEntry(i, "600" + QByteArray::number(100000 + i), "E" + QByteArray::number(i));
}

// The grid lines the unit's entries first..last make, in index order.
QStringList simLines(const UnitEngine& u, int first, int last) {
  QStringList lines;
  for (auto it = u.phoneBook().begin(); it != u.phoneBook().end(); ++it)
    if (it.key() >= first && it.key() <= last)
      lines << QString::fromLatin1(it->name + '=' + it->number);
  return lines;
}

QList<QByteArray> deletes(int first, int last) {
  QList<QByteArray> r;
  for (int i = first; i <= last; ++i) r << "AT+CPBW=" + QByteArray::number(i);
  return r;
}

bool idleAgain(TForm1& f) { return !f.ButtonsLocked && f.Link.LinkIdle; }

}  // namespace

class TestLinkPhoneBook : public QObject {
  Q_OBJECT

 private slots:
  void loadSim() {
    WindowHarness::Setup s;
    s.demo = true;
    WindowHarness h(s);
    TForm1& f = h.form();
    startLinked(h);
    f.PhoneBook1->SetRow(4);
    h.clearReceived();
    h.clock().clearPauses();
    f.LoadPHONEClick();
    QCOMPARE(h.clock().pauses().mid(0, 3), (QList<int>{100, 1000, 1000}));
    QVERIFY(f.ButtonsLocked);
    QVERIFY(f.Prubeh->isVisible());
    QCOMPARE(f.Prubeh->maximum(), 250);
    QVERIFY(f.Prenos->isVisible() && f.Prenos->Active());
    QCOMPARE(f.PhoneBook1->Row(), 1);

    QVERIFY(h.runUntil([&] { return idleAgain(f); }, 10000));
    // The barrier's answer shows the read's last entry is in.
    QCOMPARE(h.received(),
             (QList<QByteArray>{"AT+CMGF?", "AT+CPBR=1,249", "AT+CSCA?", "AT+CSCA?"}));
    // Entry 250 ("OUT") is never read.
    QCOMPARE(f.PhoneBook1->Strings(), simLines(h.unit(), 1, 249));
    QCOMPARE(f.PhoneBook1->LineCount(), 11);
    QCOMPARE(f.Numbers->text(), QStringLiteral("11"));
    QCOMPARE(f.ADMIN1->text(), QStringLiteral("+420603123456"));
    QCOMPARE(f.ALARM8->text(), QStringLiteral("+420736444333"));
    QCOMPARE(f.CRED->text(), QStringLiteral("*101#"));
    QCOMPARE(f.RTIME->text(), QStringLiteral("05"));
    QVERIFY(f.Prubeh->isHidden());
    QVERIFY(f.Prenos->isHidden() && !f.Prenos->Active());
    // Every line is read: the probe's answer is shown, and passed over.
    QVERIFY(f.Monitor->toPlainText().contains(QStringLiteral("+CMGF: 1")));

    h.run(500);
    QCOMPARE(f.StatusBar1->PanelText(1), QStringLiteral("SMS centrum: +420603052000"));
    // The centre is asked once per load (and once as the read's barrier).
    h.run(25000);
    QCOMPARE(h.received().count("AT+CSCA?"), 2);
    QVERIFY(h.dialogs().errors.isEmpty());
  }

  // The unit's reports, wherever they fall, neither end nor cut the read: in the last pause
  // before it, between the read and its answer, and between its entries.
  void reportsAroundTheRead() {
    WindowHarness::Setup s;
    s.demo = true;
    WindowHarness h(s);
    TForm1& f = h.form();
    startLinked(h);
    const QByteArray report = "\r\n+CSQ: 18,99\r\n\r\nOK\r\n";
    QByteArray answer = report;
    for (auto it = h.unit().phoneBook().begin(); it != h.unit().phoneBook().end(); ++it) {
      if (it.key() > 249) continue;
      answer += "+CPBR: " + QByteArray::number(it.key()) + ",\"" + it->number + "\",145,\"" +
                it->name + "\"\r\n";
      if (it.key() == 5) answer += report + "\r\n+CSQ: 18,99\r\n";  // one without its OK
    }
    answer += "\r\nOK\r\n";
    h.unit().onCommand = [&](const QByteArray& line) {
      if (line == "AT+CMGF?") h.unit().setReportInterval(1500);
      if (!line.startsWith("AT+CPBR=1,")) return;
      h.unit().faultAt(0, UnitEngine::Fault::LoseAnswer);
      h.unit().injectBytes(answer);
    };
    h.click(f.LoadPHONE);
    QVERIFY(h.runUntil([&] { return idleAgain(f); }, 10000));
    QCOMPARE(f.PhoneBook1->Strings(), simLines(h.unit(), 1, 249));
  }

  void loadSimSmallCapacities() {
    {
      WindowHarness::Setup s;
      s.demo = true;
      s.unit.capacity = 2;
      WindowHarness h(s);
      startLinked(h);
      h.clearReceived();
      h.click(h.form().LoadPHONE);
      QVERIFY(h.runUntil([&] { return idleAgain(h.form()); }, 10000));
      QCOMPARE(h.received(),
               (QList<QByteArray>{"AT+CMGF?", "AT+CPBR=1,1", "AT+CSCA?", "AT+CSCA?"}));
      QCOMPARE(h.form().PhoneBook1->Strings(), QStringList{"ADMIN1=+420603123456"});
    }
    {
      // Size not known: only the probe, whose answer is flushed; the busy state lasts until
      // the next "OK", here the one after the unit's next report.
      WindowHarness h;
      TForm1& f = h.form();
      startLinked(h);
      f.Link.PhoneBookCapacity = 0;
      h.clearReceived();
      h.click(f.LoadPHONE);
      QCOMPARE(h.received(), QList<QByteArray>{"AT+CMGF?"});
      QCOMPARE(f.PhoneBook1->LineCount(), 0);
      QCOMPARE(f.Prubeh->maximum(), 0);
      h.run(5000);
      QVERIFY(f.ButtonsLocked);
      QVERIFY(h.runUntil([&] { return idleAgain(f); }, 11000));
      h.run(200);
      QCOMPARE(h.received(), (QList<QByteArray>{"AT+CMGF?", "AT+CSCA?"}));
    }
  }

  void overwriteSim() {
    WindowHarness h;
    TForm1& f = h.form();
    fillSim(h.unit(), 250);
    startLinked(h);
    f.PhoneBook1->SetStrings({"ADMIN1=123", "RTIME=05", "OUT=777", "="});
    QCOMPARE(f.PhoneBook1->RowCount(), 5);
    h.clearReceived();
    h.click(f.SavePhone);
    QVERIFY(f.ButtonsLocked);
    QCOMPARE(f.Prubeh->value(), 250);
    // Nothing more until the unit's next report.
    h.run(5000);
    QCOMPARE(h.received(), (QList<QByteArray>{"AT^SPBD=SM", "AT+CSCA?"}));
    QVERIFY(f.Link.ErasePending && !f.Link.ErasingPhoneBook);

    // The erase counts down; a report in the middle leaves the meter and the buttons alone.
    QVERIFY(h.runUntil([&] { return f.Link.StepIndex >= 100; }));
    QCOMPARE(f.Prubeh->value(), 250 - f.Link.StepIndex);
    h.unit().setSignalLevel(27);
    QVERIFY(h.runUntil([&] { return f.Link.StepIndex > 250; }, 25000));
    QVERIFY(f.Link.ErasingPhoneBook);
    QCOMPARE(f.Smeter->Position(), 18);
    QVERIFY(!f.LoadPHONE->isEnabled());
    QCOMPARE(f.Link.SilentTicks, 0);

    QVERIFY(h.runUntil([&] { return idleAgain(f); }, 30000));
    QList<QByteArray> expected{"AT^SPBD=SM", "AT+CSCA?"};
    // The write asks first which entries are taken, entry 250 too.
    expected << deletes(1, 249) << "AT+CPBR=1,250"
             << "AT+CSCA?"
             << "AT+CPBW=,123,,\"ADMIN1\""
             << "AT+CPBW=249,05,,\"RTIME\""
             << "AT+CPBW=250,777,,\"OUT\""
             << "AT"
             << "AT+CMGF?"
             << "AT+CPBR=1,249"
             << "AT+CSCA?";
    QCOMPARE(h.received(), expected);
    // The grid shows what the SIM holds, without entry 250.
    QCOMPARE(f.PhoneBook1->Strings(), (QStringList{"ADMIN1=123", "RTIME=05"}));
    QCOMPARE(h.unit().phoneBook().size(), 3);
    QCOMPARE(h.unit().phoneBook().value(250).name, QByteArray("OUT"));
    h.run(10000);
    QCOMPARE(f.Smeter->Position(), 27);  // reports count again once the erase is over
    QVERIFY(f.Prubeh->isHidden());
    QVERIFY(h.dialogs().errors.isEmpty());
  }

  // Rows the unit would not take as they stand are named before anything is erased; the
  // erase starts only on Yes, and a clean book is not asked about.
  void overwriteAsksAboutFaultyRows_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("asked");  // empty: no question
    const QString erase = QStringLiteral("\n\nErase the SIM phone book all the same?");
    QTest::newRow("clean") << QStringList{"ADMIN1=+420111", "ALARM2=", "RTIME=05"} << false
                           << QString();
    QTest::newRow("faults, No")
        << QStringList{"ADMIN1=12ab", "NOVAK=+420111", "RTIME=999", "ALARM9="} << false
        << "These rows would not be written as they stand (3):\n"
           "row 1: ADMIN1=12ab: Incorrect number\nrow 3: RTIME=999: Relay time is two digits\n"
           "row 4: ALARM9=: No such reserved name (1 to 8)" +
               erase;
    QTest::newRow("fault, Yes") << QStringList{"=+420111", "NOVAK=+420222"} << true
                                << "This row would not be written as it stands (1):\n"
                                   "row 1: =+420111: Number without name" +
                                       erase;
  }

  void overwriteAsksAboutFaultyRows() {
    QFETCH(QStringList, rows);
    QFETCH(bool, yes);
    QFETCH(QString, asked);
    WindowHarness h;
    TForm1& f = h.form();
    startLinked(h);
    f.PhoneBook1->SetStrings(rows);
    h.dialogs().answers = {yes};
    h.clearReceived();
    h.click(f.SavePhone);
    QCOMPARE(h.dialogs().questions.size(), asked.isEmpty() ? 0 : 1);
    if (!asked.isEmpty())
      QCOMPARE(h.dialogs().questions[0], qMakePair(QStringLiteral("Overwrite SIM"), asked));
    const bool erases = asked.isEmpty() || yes;
    QCOMPARE(f.ButtonsLocked, erases);
    h.run(500);
    QCOMPARE(h.received().value(0), erases ? QByteArray("AT^SPBD=SM") : QByteArray());
    QCOMPARE(f.PhoneBook1->Strings(), rows);
  }

  void overwriteSimWithReportsFarApart() {
    WindowHarness::Setup s;
    s.unit.reportIntervalMs = 60000;
    WindowHarness h(s);
    TForm1& f = h.form();
    fillSim(h.unit(), 250);
    startLinked(h);
    f.PhoneBook1->SetStrings({"ADMIN1=123", "RTIME=05", "OUT=777", "="});
    h.click(f.SavePhone);
    QVERIFY(h.runUntil([&] { return f.Link.StepIndex > 250; }, 200000));
    // A slow unit from here on: the rows outlast the free window of the last report.
    h.unit().setLatency(9000);
    h.clearReceived();
    int gaugeAtHoldBack = 1;
    QVERIFY(h.runUntil(
        [&] {
          if (f.Link.ProbePending && f.Link.WritingPhoneBook && gaugeAtHoldBack == 1)
            gaugeAtHoldBack = f.Gauge1->Position();
          return idleAgain(f);
        },
        200000));
    // The hold-back opened a new window of its own.
    QVERIFY(gaugeAtHoldBack >= -26 && gaugeAtHoldBack <= -24);
    QCOMPARE(h.received(),
             (QList<QByteArray>{"AT+CPBR=1,250", "AT+CSCA?", "AT+CPBW=,123,,\"ADMIN1\"", "AT+CMGF?",
                                "AT+CPBW=249,05,,\"RTIME\"", "AT+CPBW=250,777,,\"OUT\"", "AT+CMGF?",
                                "AT", "AT+CMGF?", "AT+CPBR=1,249", "AT+CSCA?"}));
    QCOMPARE(f.PhoneBook1->Strings(), (QStringList{"ADMIN1=123", "RTIME=05"}));
    QVERIFY(h.dialogs().errors.isEmpty());
  }

  void addToSimKeepsGridWithoutReadBack() {
    WindowHarness h;
    TForm1& f = h.form();
    startLinked(h);
    const QStringList book{"ADMIN1=123", "ALARM1=456"};
    for (int n : {1, 0}) {
      f.PhoneBook1->SetStrings(book);
      f.Link.PhoneBookCapacity = n;
      h.clearReceived();
      h.click(f.AddToSIM);
      QVERIFY(h.runUntil([&] { return idleAgain(f); }, 15000));
      // A single entry is OUT's: the one row the write goes to is not sent.
      QList<QByteArray> expected{"AT"};
      if (n == 1) expected << "AT";
      expected << "AT+CMGF?";
      QCOMPARE(h.received(), expected);
      QCOMPARE(f.PhoneBook1->Strings(), book);
      QVERIFY(!f.Link.PhoneBookFresh);
      h.settle();
      // Without a read-back, what the unit did not answer is named.
      QString told = QStringLiteral("Not written to the SIM (2):\nADMIN1 (123)\nALARM1 (456)");
      if (n == 1)
        told += QStringLiteral(
            "\nNo entry known to be free was left for them: entry 1 is kept "
            "for OUT.");
      QCOMPARE(h.dialogs().messages.value(0), told);
      h.dialogs().clear();
    }
  }

  void rowsThatCannotBeSentAreSkipped() {
    WindowHarness::Setup s;
    s.settings = "[Messages]\r\nRows not written=Nezapsano na SIM (%1):\r\n";  // translated
    WindowHarness h(s);
    TForm1& f = h.form();
    startLinked(h);
    f.PhoneBook1->SetStrings({"ADMIN1=12 3", "NA\"ME=5", QString::fromLatin1("X\x01=6"),
                              "ADMIN2=1,2", "=77", "ALARM1=", QStringLiteral("JIŘI=8"),
                              "ALARM2=+420*1#"});
    h.clearReceived();
    h.click(f.AddToSIM);
    QVERIFY(h.runUntil([&] { return idleAgain(f); }, 15000));
    QCOMPARE(h.received(), (kEmptyCensus +
                            QList<QByteArray>{"AT", "AT", "AT", "AT", "AT", "AT", "AT",
                                              "AT+CPBW=,+420*1#,,\"ALARM2\""} +
                            kReadBack));
    QCOMPARE(f.PhoneBook1->Strings(), QStringList{"ALARM2=+420*1#"});
    // Named once at the end; a row without a number is a place left empty, not a row.
    h.settle();
    QCOMPARE(h.dialogs().messages,
             QStringList{QStringLiteral("Nezapsano na SIM (6):\nADMIN1 (12 3)\nNA\"ME (5)\n"
                                        "X\x01 (6)\nADMIN2 (1,2)\n (77)\nJIŘI (8)")});
  }

  // Entry N is OUT's: the unit puts a row in its first free entry, so with only N free no
  // row is sent, and the message names it. A caller already in N (an older version put it
  // there) is named when a write leaves it, until an OUT row takes its place.
  void lastEntryKeptForOut() {
    WindowHarness::Setup s;
    s.unit.capacity = 10;
    WindowHarness h(s);
    TForm1& f = h.form();
    startLinked(h);
    QStringList book;
    for (int i = 1; i <= 10; ++i) book << QStringLiteral("P%1=70%1").arg(i);
    auto write = [&](QPushButton* button, const QStringList& rows) {
      h.dialogs().clear();
      f.PhoneBook1->SetStrings(rows);
      h.click(button);
      QVERIFY(h.runUntil([&] { return idleAgain(f); }, 120000));
      h.settle();
    };
    const QString noRoom =
        QStringLiteral("No entry known to be free was left for them: entry 10 is kept for OUT.");

    write(f.SavePhone, book);
    QCOMPARE(simLines(h.unit(), 1, 10), book.mid(0, 9));
    QCOMPARE(f.PhoneBook1->Strings(), book.mid(0, 9));
    QCOMPARE(h.dialogs().messages,
             QStringList{"Not written to the SIM (1):\nP10 (7010)\n" + noRoom});

    h.unit().setEntry(10, "709", "P9");
    write(f.SavePhone, book.mid(0, 8));
    QCOMPARE(simLines(h.unit(), 1, 9), book.mid(0, 8));
    QCOMPARE(h.dialogs().messages,
             QStringList{"Entry 10 of the SIM, kept for OUT, holds P9 (709): Load SIM does not "
                         "show it and Overwrite SIM does not erase it; an OUT row written to the "
                         "SIM takes its place."});

    // One entry left below N: X takes it, Y waits; OUT takes P9's place.
    write(f.AddToSIM, {"X=1", "Y=2", "OUT=777"});
    QCOMPARE(simLines(h.unit(), 9, 10), (QStringList{"X=1", "OUT=777"}));
    QCOMPARE(h.dialogs().messages, QStringList{"Not written to the SIM (1):\nY (2)\n" + noRoom});
    QVERIFY(h.dialogs().errors.isEmpty());

    // One entry left below N and N empty: S is stored, its "OK" lost and a stray "ERROR" comes
    // in its place. S may be stored, so its second try finds no room and goes nowhere near N.
    h.unit().removeEntry(9);
    h.unit().removeEntry(10);
    bool strayed = false;
    h.unit().onCommand = [&](const QByteArray& line) {
      if (strayed || !line.endsWith(",,\"S\"")) return;
      strayed = true;
      h.unit().faultAt(0, UnitEngine::Fault::LoseAnswer);
      h.unit().injectBytes("\r\nERROR\r\n");
    };
    write(f.AddToSIM, {"S=5", "T=6"});
    QCOMPARE(simLines(h.unit(), 9, 10), QStringList{"S=5"});
    QCOMPARE(h.dialogs().messages, QStringList{"Not written to the SIM (1):\nT (6)\n" + noRoom});
  }

  void refusedRows() {
    WindowHarness h;
    TForm1& f = h.form();
    startLinked(h);
    // "A" is refused once, "B" twice (both then stored), "C" always (given up after three).
    QMap<QByteArray, int> refusals{{"A", 1}, {"B", 2}, {"C", 100}};
    h.unit().onCommand = [&](const QByteArray& line) {
      for (auto it = refusals.begin(); it != refusals.end(); ++it)
        if (line.endsWith(",,\"" + it.key() + "\"") && it.value()-- > 0)
          h.unit().errorNextCommand();
    };
    f.PhoneBook1->SetStrings({"A=1", "B=2", "C=3", "D=4"});
    h.clearReceived();
    h.click(f.AddToSIM);
    QVERIFY(h.runUntil([&] { return idleAgain(f); }, 15000));
    // An error alone may stand for a lost "OK": the row is written again only once the
    // read-back shows it missing, in a pass of its own (three passes at most).
    const QByteArray a = "AT+CPBW=,1,,\"A\"", b = "AT+CPBW=,2,,\"B\"", c = "AT+CPBW=,3,,\"C\"";
    QCOMPARE(h.received().count(a), 2);
    QCOMPARE(h.received().count(b), 3);
    QCOMPARE(h.received().count(c), 3);
    QCOMPARE(h.received().count("AT+CPBW=,4,,\"D\""), 1);
    QCOMPARE(simLines(h.unit(), 1, 250), (QStringList{"D=4", "A=1", "B=2"}));
    QCOMPARE(f.PhoneBook1->Strings(), (QStringList{"D=4", "A=1", "B=2"}));
    h.settle();
    QCOMPARE(h.dialogs().messages, QStringList{"Not written to the SIM (1):\nC (3)"});
    QVERIFY(h.dialogs().errors.isEmpty());
  }

  // A unit that falls silent for good: one resend per time-out, no more; after a minute
  // without an answer the write ends with a message naming what was not written, and the
  // grid and the buttons are the user's again.
  void silentUnitEndsTheWrite() {
    WindowHarness h;
    TForm1& f = h.form();
    startLinked(h);
    const QStringList book{"A=1", "B=2", "C=3"};
    f.PhoneBook1->SetStrings(book);
    h.unit().onCommand = [&](const QByteArray& line) {
      if (line.endsWith("\"B\"")) h.unit().silence(1000000);
    };
    h.clearReceived();
    h.click(f.AddToSIM);
    QVERIFY(h.runUntil([&] { return !f.ButtonsLocked; }, 90000));
    h.settle();
    QCOMPARE(h.dialogs().messages,
             QStringList{"Add To SIM was not finished: the unit did not answer for 60 s.\n"
                         "These rows may not be on the SIM (2):\nB (2)\nC (3)"});
    // B's write is not sent again blindly: the barrier asks whether the unit is there.
    QCOMPARE(
        h.received().mid(0, 7),
        (kEmptyCensus + QList<QByteArray>{"AT+CPBW=,1,,\"A\"", "AT+CPBW=,2,,\"B\"", "AT+CSCA?"}));
    QVERIFY(h.received().size() <= 12);
    QCOMPARE(h.received().mid(7).count("AT+CSCA?"), h.received().size() - 7);
    QCOMPARE(f.PhoneBook1->Strings(), book);
    QVERIFY(f.Link.LinkIdle && f.Link.Running == Chain::None && !f.Link.WritingPhoneBook);
    h.run(60000);
    QVERIFY(h.received().size() <= 12);  // nothing more once given up
  }

  // A call's report ends with the "OK" of the unit's own query; the writer must not take it
  // as the answer to its row and run ahead.
  void callDuringTheWrite() {
    WindowHarness h;
    TForm1& f = h.form();
    startLinked(h);
    f.PhoneBook1->SetStrings({"A=1", "B=2", "C=3", "D=4"});
    h.unit().setLatency(300);
    h.clearReceived();
    h.click(f.AddToSIM);
    QVERIFY(h.runUntil([&] { return f.Link.StepIndex == 2; }));
    h.unit().call("+420777111222", false);
    QVERIFY(h.runUntil([&] { return idleAgain(f); }, 15000));
    QCOMPARE(h.received(), (kEmptyCensus +
                            QList<QByteArray>{"AT+CPBW=,1,,\"A\"", "AT+CPBW=,2,,\"B\"",
                                              "AT+CPBW=,3,,\"C\"", "AT+CPBW=,4,,\"D\""} +
                            kReadBack));
    QCOMPARE(f.PhoneBook1->Strings(), (QStringList{"A=1", "B=2", "C=3", "D=4"}));
  }

  // Autoverify's box about an entry the read brings comes after the line's handler: the read
  // goes on behind it, and a call meanwhile is recorded while the box stands.
  void entryCheckBoxDuringTheRead() {
    WindowHarness h;
    TForm1& f = h.form();
    startLinked(h);
    fillSim(h.unit(), 6);
    h.unit().setEntry(1, "+42077711122233344", "LONG");  // row 1 is checked as it comes
    f.Autoverify->setChecked(true);
    int recordsBehind = -1;  // while the first box stands
    h.dialogs().whileOpen = [&](const TestDialogs::Shown& box) {
      if (box.text != f.Messages.NumberTooLong || recordsBehind >= 0) return;
      h.unit().call("600100003", false);
      h.run(500);
      recordsBehind = f.AdmisRec->LineCount();
    };
    h.dialogs().keepOpen = [](const TestDialogs::Shown&) { return 20000; };
    h.click(f.LoadPHONE);
    QVERIFY(h.runUntil([&] { return idleAgain(f); }, 30000));
    QCOMPARE(recordsBehind, 1);
    QVERIFY(f.AdmisRec->Strings().value(0).contains("E3  (phone: 600100003)"));
    QCOMPARE(f.PhoneBook1->Strings(), simLines(h.unit(), 1, 249));
    QVERIFY(!h.dialogs().messages.join("").contains("was not finished"));
  }

  void loadSimStopsTheWrite() {
    WindowHarness h;
    TForm1& f = h.form();
    startLinked(h);
    f.PhoneBook1->SetStrings({"A=1", "B=2", "C=3", "D=4", "E=5"});
    h.unit().setLatency(1500);
    h.clearReceived();
    h.click(f.AddToSIM);
    QVERIFY(h.runUntil([&] { return f.Link.StepIndex == 2; }));
    f.guarded([&] { f.LoadPHONEClick(); });
    QVERIFY(!f.Link.WritingPhoneBook);
    QCOMPARE(f.PhoneBook1->Row(), 1);
    QVERIFY(f.ButtonsLocked);
    // The answer to row 2 finds no chain running and ends the busy state.
    QVERIFY(h.runUntil([&] { return idleAgain(f); }, 5000));
    h.run(3000);
    QCOMPARE(h.received(),
             (kEmptyCensus + QList<QByteArray>{"AT+CPBW=,1,,\"A\"", "AT+CPBW=,2,,\"B\""}));
    QCOMPARE(h.unit().phoneBook().size(), 2);
    QVERIFY(f.Prubeh->isHidden());
  }

  // Not a check: how long a full SIM takes against the simulated unit.
  void fullSimTimings() {
    WindowHarness h;
    TForm1& f = h.form();
    fillSim(h.unit(), 250);
    startLinked(h);

    QElapsedTimer real;
    qint64 start = h.clock().elapsed();
    real.start();
    h.click(f.LoadPHONE);
    QVERIFY(h.runUntil([&] { return idleAgain(f); }, 60000));
    qInfo("Load SIM, 249 entries: %lld ms virtual, %lld ms real", h.clock().elapsed() - start,
          real.elapsed());
    QCOMPARE(f.PhoneBook1->LineCount(), 249);

    QStringList book;
    for (int i = 1; i <= 248; ++i) book << QStringLiteral("P%1=%2").arg(i).arg(700000 + i);
    book << "RTIME=05"
         << "OUT=777";
    f.PhoneBook1->SetStrings(book);
    start = h.clock().elapsed();
    real.restart();
    h.click(f.SavePhone);
    qint64 erasing = -1, writing = -1;
    QVERIFY(h.runUntil(
        [&] {
          if (erasing < 0 && f.Link.ErasingPhoneBook) erasing = h.clock().elapsed() - start;
          if (writing < 0 && f.Link.WritingPhoneBook) writing = h.clock().elapsed() - start;
          return idleAgain(f);
        },
        600000));
    qInfo(
        "Overwrite SIM, 250 rows: %lld ms virtual (erase from %lld, write from %lld), %lld ms "
        "real",
        h.clock().elapsed() - start, erasing, writing, real.elapsed());
    QCOMPARE(f.PhoneBook1->LineCount(), 249);
    QCOMPARE(h.unit().phoneBook().size(), 250);
    int writes = 0;
    for (const QByteArray& c : h.received()) writes += c.endsWith('"') ? 1 : 0;
    QCOMPARE(writes, 250);  // every row once, though reports fell into the write
    QVERIFY(h.dialogs().errors.isEmpty());
  }
};

QTEST_MAIN(TestLinkPhoneBook)
#include "test_link_phonebook.moc"
