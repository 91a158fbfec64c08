// SPDX-License-Identifier: GPL-3.0-or-later
// The link as the window lives it: the start-up chain, the parser's lines, the watchdog and
// the first steps of the SMS buttons.
#include <QAccessible>
#include <QLineEdit>
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

const QColor Yellow(0xFF, 0xFF, 0x00), Red(0xFF, 0x00, 0x00);

bool simButtonsEnabled(TForm1& f, bool enabled) {
  for (QPushButton* b : f.SimButtons)
    if (b->isEnabled() != enabled) return false;
  return true;
}

// Runs the start-up chain to its end: "ATE", the first report, operator and SIM size.
void startLinked(WindowHarness& h) {
  TForm1& f = h.form();
  QVERIFY(h.runUntil([&] { return f.Link.PhoneBookCapacity > 0 && f.Link.LinkIdle; }, 80000));
}

// Bytes from the unit, delivered at once.
void receive(WindowHarness& h, const QByteArray& bytes) {
  h.unit().injectBytes(bytes);
  h.clock().advance(1);
  h.settle();
}

QStringList monitorLines(TForm1& f) { return f.Monitor->toPlainText().split(QLatin1Char('\n')); }

}  // namespace

Q_DECLARE_METATYPE(SerialDevice::OpenResult)

class TestLinkStart : public QObject {
  Q_OBJECT

 private slots:
  void startUpChain() {
    WindowHarness h;
    TForm1& f = h.form();
    QCOMPARE(h.received(), QList<QByteArray>{"ATE"});

    // Until the first report every tick is silent and keeps the SIM buttons off; the other
    // controls are not the watchdog's.
    h.run(1000);
    QVERIFY(f.Link.LinkIdle);  // the "OK" to "ATE"
    QVERIFY(simButtonsEnabled(f, false));
    QVERIFY(f.LoadSIMPC->isEnabled());
    QVERIFY(!f.ButtonsLocked);
    QVERIFY(f.Cekani->isVisible() && f.Cekani->Active());
    QCOMPARE(f.Link.SilentTicks, 1);
    QCOMPARE(f.StatusBar1->PanelText(0), QStringLiteral(" Operator:"));

    startLinked(h);
    QCOMPARE(h.received(), (QList<QByteArray>{"ATE", "AT+COPS?", "AT+CPBR=?"}));
    QCOMPARE(f.StatusBar1->PanelText(0), QStringLiteral("Operator: \"ZUL NET\""));
    QCOMPARE(f.StatusBar1->PanelText(1), QStringLiteral(" SMS centrum:"));  // not asked yet
    QCOMPARE(f.StatusBar1->PanelText(2), QStringLiteral("SIM: 250"));
    QCOMPARE(f.Link.OperatorName, QByteArray("\"ZUL NET\""));
    QVERIFY(simButtonsEnabled(f, true));
    QVERIFY(f.Cekani->isHidden() && !f.Cekani->Active());
    QCOMPARE(f.Link.SignalLevel, 18);
    QCOMPARE(f.Smeter->Position(), 18);
    QCOMPARE(f.Smeter->ForeColor(), QColor(0x00, 0xFF, 0xFF));
    QCOMPARE(f.Link.SilentTicks, 0);
    QVERIFY(f.Gauge1->Position() <= -26);
    QVERIFY(monitorLines(f).contains(QStringLiteral("+COPS: 0,0,\"ZUL NET\"")));

    // Later reports with the operator known send nothing.
    h.clearReceived();
    h.run(25000);
    QVERIFY(h.received().isEmpty());
    QVERIFY(h.dialogs().errors.isEmpty());
  }

  void linesAndRecognition() {
    WindowHarness h;
    TForm1& f = h.form();
    startLinked(h);

    // A line split over events; the line feed is dropped.
    receive(h, "+CSQ: 2");
    QCOMPARE(f.Link.RxLine, QByteArray("+CSQ: 2"));
    receive(h, "5,99\r\n");
    QCOMPARE(f.Smeter->Position(), 25);
    QCOMPARE(f.Smeter->ForeColor(), QColor(0x00, 0xFF, 0x00));
    QVERIFY(f.LED->isVisible());
    QCOMPARE(f.LED->BrushColor(), Yellow);

    // Only "OK" itself ends the busy state.
    f.LockButtons();
    receive(h, "OK \r\nok\r\n\r\n");
    QVERIFY(f.ButtonsLocked);
    QCOMPARE(monitorLines(f).mid(monitorLines(f).size() - 3), (QStringList{"OK ", "ok", ""}));
    receive(h, "OK\r\n");
    QVERIFY(!f.ButtonsLocked);

    // The signal rule comes before the error rule.
    receive(h, "+CSQ: 9,99 ERROR\r\n");
    QCOMPARE(f.Smeter->Position(), 9);
    QCOMPARE(f.LED->BrushColor(), Yellow);

    // An error line turns the LED red and, outside a chain, changes nothing else.
    f.LockButtons();
    h.clock().clearPauses();
    receive(h, "+CME ERROR: 21\r\n");
    QCOMPARE(f.LED->BrushColor(), Red);
    QCOMPARE(h.clock().pauses(), QList<int>{200});
    QVERIFY(f.ButtonsLocked);
    h.tick();
    QVERIFY(f.LED->isHidden());
    f.UnlockButtons();

    // The centre line; an operator answer without quotes shows the line's first 20 bytes.
    receive(h, "+CSCA: \"+420111222333\",145\r\n");
    QCOMPARE(f.StatusBar1->PanelText(1), QStringLiteral("SMS centrum: +420111222333"));
    h.clearReceived();
    h.unit().setLatency(500);
    receive(h, "+COPS: 0,0,ABC and more text\r\n");
    QCOMPARE(f.StatusBar1->PanelText(0), QStringLiteral("Operator: +COPS: 0,0,ABC and m"));
    QCOMPARE(h.received(), QList<QByteArray>{"AT+CPBR=?"});
    QVERIFY(!f.Link.LinkIdle);  // the size query is outstanding
    h.run(600);
    QVERIFY(f.Link.LinkIdle);
    h.unit().setLatency(0);

    // Entry lines while the link is idle do not touch the grid.
    const QStringList book = f.PhoneBook1->Strings();
    receive(h, "+CPBR: 1,\"123\",129,\"INTRUDER\"\r\n");
    QCOMPARE(f.PhoneBook1->Strings(), book);

    // An endless line keeps its first 2048 bytes.
    receive(h, QByteArray(3000, 'a') + "\r\n");
    QCOMPARE(monitorLines(f).last(), QString(2048, QLatin1Char('a')));
    QVERIFY(f.Link.RxLine.isEmpty());

    // Bytes become text one to one.
    receive(h, "\xe8\xfd\r\n");
    QCOMPARE(monitorLines(f).last(), QString::fromLatin1("\xe8\xfd"));
    QVERIFY(h.dialogs().errors.isEmpty());
  }

  void unitWithLineFeedsOnly() {
    WindowHarness::Setup s;
    s.beforeStart = [](WindowHarness& h) { h.unit().setLineFeedOnly(true); };
    WindowHarness h(s);
    h.run(25000);
    // Only the echo of "ATE" carries a carriage return (the program's own).
    QVERIFY(!h.form().Link.LinkIdle);
    QCOMPARE(h.form().Monitor->toPlainText(), QStringLiteral("ATE"));
    QCOMPARE(h.received(), QList<QByteArray>{"ATE"});
  }

  // A bad number stops the batch with one error; the rest of its line is dropped, and the next
  // line is read as it came, at once. Numbers outside what they can mean are never used.
  void conversionErrorDropsTheLine() {
    WindowHarness h;
    TForm1& f = h.form();
    startLinked(h);
    receive(h, "+CSQ: x,99\r\n+CSQ: 20,99\r\n");
    QCOMPARE(h.dialogs().errors, QStringList{"'x' is not a valid integer value."});
    QVERIFY(f.Link.RxLine.isEmpty());
    // The rest of the batch does not wait for the unit's next bytes.
    QCOMPARE(monitorLines(f).mid(monitorLines(f).size() - 2),
             (QStringList{"+CSQ: x,99", "+CSQ: 20,99"}));
    QCOMPARE(f.Link.SignalLevel, 20);
    QCOMPARE(h.dialogs().errors.size(), 1);

    // A size nobody asked for is not taken, nor read: garbled, it is no error either.
    for (const char* size : {"abc", "2147483647", "0", "10001", "5"}) {
      receive(h, QByteArray("+CPBR: (1-") + size + "),40,16\r\n");
      QCOMPARE(f.Link.PhoneBookCapacity, 250);
      QVERIFY(f.Link.RxLine.isEmpty());
    }
    QCOMPARE(h.dialogs().errors.size(), 1);

    // A size that never came readable is asked for again with the next report.
    f.Link.PhoneBookCapacity = 0;
    h.clearReceived();
    h.run(10000);
    QCOMPARE(h.received(), QList<QByteArray>{"AT+CPBR=?"});
    QCOMPARE(f.Link.PhoneBookCapacity, 250);
  }

  // "> " is a prompt only while a save waits for one: an SMS text may begin with it.
  void smsPrompt() {
    WindowHarness h;
    TForm1& f = h.form();
    startLinked(h);
    f.SMSText2->setText(QStringLiteral("Gate open"));
    f.Link.StepIndex = 2;
    h.serial().clearWritten();
    receive(h, "\r\n> ");
    QVERIFY(h.serial().written().isEmpty());

    f.Core->InFlight.kind = Awaiting::Prompt;
    receive(h, "\r\n>");
    QVERIFY(h.serial().written().isEmpty());
    receive(h, " ");
    QCOMPARE(h.serial().written(), QByteArray("Gate open\x1A"));
    QCOMPARE(f.Link.RxLine, QByteArray("> "));
    QVERIFY(f.Core->InFlight.kind == Awaiting::Body);

    f.Core->InFlight.kind = Awaiting::Prompt;
    f.Link.StepIndex = 7;
    h.serial().clearWritten();
    receive(h, "\r> ");
    QVERIFY(h.serial().written().isEmpty());
  }

  void signalMeter() {
    WindowHarness h;
    TForm1& f = h.form();
    startLinked(h);
    const QList<std::tuple<int, QColor, int>> table = {{14, Red, 14},
                                                       {15, QColor(0x00, 0xFF, 0xFF), 15},
                                                       {21, QColor(0x00, 0xFF, 0xFF), 21},
                                                       {22, QColor(0x00, 0xFF, 0x00), 22},
                                                       {31, QColor(0x00, 0xFF, 0x00), 31},
                                                       {99, Red, 31}};
    for (const auto& [level, colour, position] : table) {
      receive(h, "+CSQ: " + QByteArray::number(level) + ",99\r\n");
      QCOMPARE(f.Link.SignalLevel, level);
      QCOMPARE(f.Smeter->ForeColor(), colour);
      QCOMPARE(f.Smeter->Position(), position);
    }
  }

  // What a screen reader finds of the status bar and the indicators once the unit has
  // reported. (The change notifications need an accessibility bridge, which the offscreen
  // platform lacks.)
  void readByAssistiveTechnology() {
    WindowHarness h;
    TForm1& f = h.form();
    startLinked(h);
    auto read = [](QObject* o) { return QAccessible::queryAccessibleInterface(o); };

    QAccessibleInterface* bar = read(f.StatusBar1);
    QCOMPARE(bar->role(), QAccessible::StatusBar);
    QCOMPARE(bar->childCount(), 4);
    QStringList panels;
    for (int i = 0; i < 4; ++i) {
      QCOMPARE(bar->child(i)->role(), QAccessible::StaticText);
      panels << bar->child(i)->text(QAccessible::Name);
      QCOMPARE(panels[i], f.StatusBar1->PanelText(i));
    }
    QCOMPARE(panels.mid(2), (QStringList{"SIM: 250", "Ver: 3.0  Eng"}));
    QCOMPARE(panels[0], "Operator: " + f.Link.OperatorName);
    QVERIFY(!f.Link.OperatorName.isEmpty());

    QAccessibleInterface* meter = read(f.Smeter);
    QCOMPARE(meter->role(), QAccessible::ProgressBar);
    QCOMPARE(meter->text(QAccessible::Name), QStringLiteral("Signal strength"));
    QCOMPARE(meter->text(QAccessible::Description), f.Smeter->toolTip());
    QCOMPARE(meter->valueInterface()->maximumValue().toInt(), 31);
    QCOMPARE(meter->valueInterface()->currentValue().toInt(), f.Link.SignalLevel);
    QAccessibleInterface* countdown = read(f.Gauge1);
    QCOMPARE(countdown->text(QAccessible::Name), QStringLiteral("Link countdown"));
    QCOMPARE(countdown->valueInterface()->minimumValue().toInt(), -27);
    QCOMPARE(countdown->text(QAccessible::Value), QString::number(f.Gauge1->Position()));

    receive(h, "+CSQ: 17,99\r\nERROR\r\n");
    QCOMPARE(meter->text(QAccessible::Value), QStringLiteral("17"));
    QCOMPARE(countdown->valueInterface()->currentValue().toInt(), -27);
    QAccessibleInterface* led = read(f.LED);
    QCOMPARE(led->text(QAccessible::Name), QStringLiteral("Traffic indicator: red"));
    h.tick();
    QCOMPARE(led->text(QAccessible::Name), QStringLiteral("Traffic indicator: off"));
    QVERIFY(led->state().invisible);

    QAccessibleInterface* waiting = read(f.Cekani);
    QCOMPARE(waiting->role(), QAccessible::Animation);
    QVERIFY(!waiting->state().animated);
    for (int t = 0; t < 23; ++t) h.tick();
    QVERIFY(waiting->state().animated && !waiting->state().invisible);
    QCOMPARE(read(f.Prenos)->text(QAccessible::Name), QStringLiteral("Transfer"));
  }

  void watchdog() {
    WindowHarness::Setup s;
    s.unit.reportIntervalMs = 0;
    WindowHarness h(s);
    TForm1& f = h.form();
    h.unit().reportSignal();
    startLinked(h);
    QCOMPARE(f.Gauge1->Minimum(), -27);
    QCOMPARE(f.Gauge1->Maximum(), 0);
    QCOMPARE(f.Gauge1->BackColor(), QColor(0x00, 0xFF, 0x00));

    h.unit().reportSignal();
    h.clock().advance(1);
    h.settle();
    QCOMPARE(f.Gauge1->Position(), -27);

    for (int t = 1; t <= 22; ++t) h.tick();
    QCOMPARE(f.Gauge1->Position(), -5);
    QVERIFY(simButtonsEnabled(f, true));
    QVERIFY(f.Cekani->isHidden());
    h.tick();  // the 23rd
    QVERIFY(simButtonsEnabled(f, false));
    QVERIFY(f.Cekani->isVisible() && f.Cekani->Active());
    QVERIFY(!f.ButtonsLocked);

    for (int t = 24; t <= 126; ++t) h.tick();
    QCOMPARE(f.Link.SilentTicks, 100);
    QVERIFY(h.dialogs().questions.isEmpty());
    h.dialogs().answers = {true};
    h.dialogs().port = 5;
    const int choices = h.dialogs().portChoices;
    h.tick();  // the 127th
    QCOMPARE(h.dialogs().questions,
             (QList<QPair<QString, QString>>{
                 {QStringLiteral("COM9"), QStringLiteral("No communication, change com?")}}));
    QCOMPARE(f.Link.SilentTicks, 0);
    QVERIFY(f.Link.OperatorName.isEmpty());
    QCOMPARE(h.dialogs().portChoices, choices + 1);
    QCOMPARE(f.ComPort1->ComNumber(), 5);
    QVERIFY(f.ComPort1->IsOpen());

    // The next report asks for the operator again and refreshes the panels.
    h.clearReceived();
    h.unit().reportSignal();
    h.run(500);
    QCOMPARE(h.received(), (QList<QByteArray>{"AT+COPS?", "AT+CPBR=?"}));
    QVERIFY(simButtonsEnabled(f, true));
    QVERIFY(f.Cekani->isHidden());

    // Answered No: the count starts again, the port stays.
    for (int t = 1; t <= 127; ++t) h.tick();
    QCOMPARE(h.dialogs().questions.size(), 2);
    QCOMPARE(h.dialogs().questions.last().first, QStringLiteral("COM5"));
    QCOMPARE(f.ComPort1->ComNumber(), 5);
    QVERIFY(h.dialogs().errors.isEmpty());
  }

  // Whatever became of the choice after Yes, the next question's Yes brings up "Select Port"
  // again, and a port that works brings the link back; the looks for the failed port in
  // between say nothing.
  void watchdogAlwaysLeadsBack_data() {
    using R = SerialDevice::OpenResult;
    QTest::addColumn<int>("choice");  // 0 = Cancel
    QTest::addColumn<R>("failure");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("caption");  // of the next question
    QTest::newRow("cancelled") << 0 << R::Ok
                               << "The ComNumber property of the TComPort has not been set."
                               << "COM0";
    QTest::newRow("does not exist") << 5 << R::NotFound << "Specified comport doesn't exist."
                                    << "COM5";
    QTest::newRow("held") << 5 << R::InUse << "Device already open."
                          << "COM5";
    QTest::newRow("not permitted")
        << 5 << R::PermissionDenied
        << "Permission denied: /dev/ttyS4 (is your user in the dialout group?)"
        << "COM5";
  }
  void watchdogAlwaysLeadsBack() {
    QFETCH(int, choice);
    QFETCH(SerialDevice::OpenResult, failure);
    QFETCH(QString, error);
    QFETCH(QString, caption);
    WindowHarness::Setup s;
    s.unit.reportIntervalMs = 0;
    WindowHarness h(s);
    TForm1& f = h.form();
    h.unit().reportSignal();
    startLinked(h);
    TestDialogs& d = h.dialogs();
    d.clear();
    d.answers = {true, true};
    d.port = choice;
    h.serial().setOpenResult(failure);
    d.whileOpen = [&](const TestDialogs::Shown& shown) {
      if (shown.kind != TestDialogs::Kind::Question || d.questions.size() != 2) return;
      h.serial().setOpenResult(SerialDevice::OpenResult::Ok);
      d.port = 7;
    };
    for (int t = 0; t < 127; ++t) h.tick();
    QCOMPARE(d.questions.size(), 1);
    QCOMPARE(d.errors, QStringList{error});
    QVERIFY(!f.ComPort1->IsOpen());

    h.unit().feed("AT+CMGW=+4201\r");  // left waiting for an SMS text by the last port
    for (int t = 0; t < 127; ++t) h.tick();
    QVERIFY(!h.unit().waitingForBody());
    QCOMPARE(d.questions.size(), 2);
    QCOMPARE(d.questions[1].first, caption);
    QCOMPARE(d.portChoices, 2);
    QCOMPARE(d.errors.size(), 1);
    QCOMPARE(f.ComPort1->ComNumber(), 7);
    QVERIFY(f.ComPort1->IsOpen());

    h.clearReceived();
    h.unit().reportSignal();
    h.run(500);
    QCOMPARE(h.received(), (QList<QByteArray>{"AT+COPS?", "AT+CPBR=?"}));
    QVERIFY(simButtonsEnabled(f, true));
  }

  // An unplugged adapter is reported once, looked for every second without a word and taken
  // back when it is plugged in again; only one that stays away brings the question, and No
  // does not stop the looking. Meanwhile the status bar says so instead of the unit's values,
  // and the port in use can be read on it and on the indicator.
  void vanishedPortComesBack() {
    WindowHarness h;
    TForm1& f = h.form();
    startLinked(h);
    const QString port = QStringLiteral("Serial port: COM9 (/dev/ttyS8)");
    QCOMPARE(f.StatusBar1->toolTip(), port);
    QCOMPARE(f.LED->accessibleDescription(), port);
    QVERIFY(f.LED->toolTip().startsWith("Indication of serial transmission") &&
            f.LED->toolTip().endsWith("\n" + port));
    const QStringList linked{f.StatusBar1->PanelText(0), f.StatusBar1->PanelText(2)};
    QVERIFY(linked[0].startsWith("Operator: ") && linked[1] == "SIM: 250");
    TestDialogs& d = h.dialogs();
    d.clear();
    h.serial().unplug();
    h.settle();
    const QString lost = QStringLiteral("COM9 is no longer available (Input/output error)");
    QCOMPARE(d.errors, QStringList{lost});
    QCOMPARE(f.StatusBar1->PanelText(0), QStringLiteral(" COM9: the port was lost"));
    QCOMPARE(f.StatusBar1->PanelText(2), QStringLiteral(" SIM:"));
    QCOMPARE(f.Smeter->Position(), 0);
    QCOMPARE(f.StatusBar1->toolTip(), port + ": the port was lost");
    h.run(5000);
    QVERIFY(!f.ComPort1->IsOpen());
    h.unit().feed("AT+CMGW=123\r");  // the line went away while the unit waited for a body
    h.clearReceived();
    h.serial().plugBack();
    h.run(1000);
    QVERIFY(f.ComPort1->IsOpen());
    QVERIFY(
        h.runUntil([&] { return f.Link.SilentTicks == 0 && simButtonsEnabled(f, true); }, 12000));
    // What came back may be another unit: no body left open, echo off again, its operator and
    // size asked anew.
    QVERIFY(h.runUntil([&] { return h.received().contains("AT+CPBR=?"); }, 12000));
    QCOMPARE(h.received().mid(0, 3), (QList<QByteArray>{"\x1b", "ATE", "AT+COPS?"}));
    h.run(1000);
    QCOMPARE((QStringList{f.StatusBar1->PanelText(0), f.StatusBar1->PanelText(2)}), linked);
    QCOMPARE(f.StatusBar1->toolTip(), port);
    QVERIFY(h.unit().messages().isEmpty());
    QCOMPARE(d.errors, QStringList{lost});
    QVERIFY(d.questions.isEmpty());
    QCOMPARE(d.portChoices, 0);

    h.serial().unplug();
    h.run(128000);
    QCOMPARE(d.questions.size(), 1);  // answered No
    QCOMPARE(d.questions[0].first, QStringLiteral("COM9"));
    QCOMPARE(d.errors, (QStringList{lost, lost}));
    h.serial().plugBack();
    h.run(1000);
    QVERIFY(f.ComPort1->IsOpen());
    QCOMPARE(f.ComPort1->ComNumber(), 9);
    QCOMPARE(d.portChoices, 0);

    // A click before the tick takes the port back as the tick would, and starts nothing.
    h.serial().unplug();
    h.run(3000);
    h.serial().plugBack();
    h.clearReceived();
    f.guarded([&] { f.ButtonLoadSMSClick(); });
    QVERIFY(f.ComPort1->IsOpen());
    QCOMPARE(h.received(), (QList<QByteArray>{"\x1b", "ATE"}));
  }

  void smsButtonsFirstSteps() {
    WindowHarness h;
    TForm1& f = h.form();
    startLinked(h);
    for (int k = 0; k < 6; ++k) {
      f.SmsPhones[k]->setText(QStringLiteral("12%1").arg(k));
      f.SmsTexts[k]->setText(QStringLiteral("text %1").arg(k));
    }
    f.SMSs->setPlainText(QStringLiteral("old"));

    h.clearReceived();
    h.clock().clearPauses();
    f.ButtonSaveSMSClick();
    QCOMPARE(h.received(), (QList<QByteArray>{"AT+CMGF?", "AT+CMGD=1"}));
    QCOMPARE(h.clock().pauses(), (QList<int>{1000, 1000}));
    QCOMPARE(f.SMSs->toPlainText(), QString());
    QCOMPARE(f.SmsTexts[5]->text(), QStringLiteral("text 5"));
    QCOMPARE(f.SmsPhones[0]->text(), QStringLiteral("120"));
    QVERIFY(f.ButtonsLocked);
    QCOMPARE(f.Prubeh->maximum(), 6);
    QVERIFY(f.Prenos->isVisible() && f.Prenos->Active());

    // Load SMSs clears the memo, all twelve edits and the SMS flags; no busy state.
    f.UnlockButtons();
    f.Link.LinkIdle = true;
    f.SMSs->setPlainText(QStringLiteral("old"));
    h.clearReceived();
    f.ButtonLoadSMSClick();
    QCOMPARE(h.received(), QList<QByteArray>{"AT+CMGL=ALL"});
    QCOMPARE(f.SMSs->toPlainText(), QString());
    for (int k = 0; k < 6; ++k)
      QVERIFY(f.SmsPhones[k]->text().isEmpty() && f.SmsTexts[k]->text().isEmpty());
    QVERIFY(!f.ButtonsLocked);
    QVERIFY(!f.Link.LinkIdle);
    QVERIFY(!f.Link.WritingSms && !f.Link.DeletingSms);
  }

  void buttonsBeforeTheFirstAnswer() {
    WindowHarness::Setup s;
    s.unit.latencyMs = 500;
    WindowHarness h(s);
    TForm1& f = h.form();
    QVERIFY(!f.Link.LinkIdle);
    for (QPushButton* b : f.SimButtons) h.click(b);
    QCOMPARE(h.received(), QList<QByteArray>{"ATE"});
    QVERIFY(!f.ButtonsLocked);
    QVERIFY(!f.Link.ErasePending && !f.Link.WritingPhoneBook);
    h.run(600);
    QVERIFY(f.Link.LinkIdle);
  }

  void deleteSmsShowsNoAnimation() {
    WindowHarness h;
    TForm1& f = h.form();
    startLinked(h);
    h.clearReceived();
    f.ButtonDeleteSMSClick();
    QCOMPARE(h.received(), (QList<QByteArray>{"AT+CMGF?", "AT+CMGD=1"}));
    QVERIFY(f.Prubeh->isVisible());
    QCOMPARE(f.Prubeh->maximum(), 25);
    QCOMPARE(f.Prubeh->value(), 1);
    QVERIFY(f.Prenos->isHidden() && !f.Prenos->Active());
    QVERIFY(f.ButtonsLocked);
    QVERIFY(!f.Link.LinkIdle);
    QVERIFY(f.Link.DeletingSms && !f.Link.WritingSms);
  }

  void noPortNoAction() {
    WindowHarness h;
    TForm1& f = h.form();
    startLinked(h);
    h.dialogs().port = 0;
    f.guarded([&] { f.ComPort1->SetComNumber(0); });
    QCOMPARE(f.ComPort1->ComNumber(), 0);
    QCOMPARE(h.dialogs().errors.size(), 1);
    f.PhoneBook1->SetRow(3);
    f.Link.WritingPhoneBook = true;
    h.clearReceived();
    const int choices = h.dialogs().portChoices;
    f.LoadPHONEClick();
    f.SavePhoneClick();
    f.AddToSIMClick();
    f.ButtonLoadSMSClick();
    f.ButtonSaveSMSClick();
    f.ButtonDeleteSMSClick();
    QCOMPARE(f.PhoneBook1->Row(), 3);
    QVERIFY(f.Link.WritingPhoneBook);
    QVERIFY(!f.ButtonsLocked);
    QCOMPARE(h.dialogs().portChoices, choices);
    QVERIFY(h.serial().openDevice() == nullptr);
  }
};

QTEST_MAIN(TestLinkStart)
#include "test_link_start.moc"
