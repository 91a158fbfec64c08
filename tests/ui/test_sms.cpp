// SPDX-License-Identifier: GPL-3.0-or-later
// The SMS page: the filtered edits, and Load, Save and Delete SMSs against the simulated unit.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include "app/Form1.h"
#include "app/Widgets.h"
#include "support/WindowHarness.h"

namespace {

void startLinked(WindowHarness& h) {
  TForm1& f = h.form();
  QVERIFY(h.runUntil([&] { return f.Link.PhoneBookCapacity > 0 && f.Link.LinkIdle; }, 80000));
}

bool idleAgain(TForm1& f) { return !f.ButtonsLocked && f.Link.LinkIdle; }

QStringList texts(QLineEdit* const (&edits)[6]) {
  QStringList r;
  for (QLineEdit* e : edits) r << e->text();
  return r;
}

// Slots 1 to 9 hold "Old <slot>" from <prefix><slot>: what a save must free.
void oldSmsInSlots(UnitEngine& u, const QByteArray& prefix) {
  for (int slot = 1; slot <= 9; ++slot)
    u.setSms(slot, prefix + QByteArray::number(slot), "Old " + QByteArray::number(slot));
}

void setPairs(TForm1& f, const QStringList& phones, const QStringList& smsTexts) {
  for (int k = 0; k < 6; ++k) {
    f.SmsPhones[k]->setText(phones[k]);
    f.SmsTexts[k]->setText(smsTexts[k]);
  }
}

QList<QByteArray> deletes(int first, int last) {
  QList<QByteArray> r;
  for (int i = first; i <= last; ++i) r << "AT+CMGD=" + QByteArray::number(i);
  return r;
}

// Counts the commands that reach the unit while it still owes an earlier answer.
struct Overlaps {
  int count = 0;
  explicit Overlaps(UnitEngine& u) {
    u.onCommand = [this, &u](const QByteArray&) {
      if (u.nextEventTime() >= 0) ++count;
    };
  }
};

}  // namespace

class TestSms : public QObject {
  Q_OBJECT

 private slots:
  void editsHoldWhatTheFiltersAllow() {
    WindowHarness h;
    TForm1& f = h.form();
    f.PageControl1->setCurrentWidget(f.SMS);
    QLineEdit* phone = f.SMSPhone1;
    QLineEdit* text = f.SMSText1;

    QTest::keyClicks(phone, QStringLiteral("0"));
    QCOMPARE(phone->text(), QStringLiteral("+"));
    QTest::keyClicks(phone, QStringLiteral("4"));
    QCOMPARE(phone->text(), QStringLiteral("+4"));
    // Deleting the "+" leaves 4, which becomes "+".
    phone->setCursorPosition(1);
    QTest::keyClick(phone, Qt::Key_Backspace);
    QCOMPARE(phone->text(), QStringLiteral("+"));

    // A paste of 5 and a letter: 5 is written back, then "+"; then it settles.
    phone->clear();
    QSignalSpy changes(phone, &QLineEdit::textChanged);
    phone->insert(QStringLiteral("5a"));
    QCOMPARE(phone->text(), QStringLiteral("+"));
    QCOMPARE(changes.count(), 3);
    QCOMPARE(phone->cursorPosition(), 1);

    phone->setText(QStringLiteral("  12345 678  "));
    QCOMPARE(phone->text(), QStringLiteral("12345"));
    phone->setText(QStringLiteral("+420603123456"));
    QTest::keyClicks(phone, QStringLiteral("7"));
    QCOMPARE(phone->text(), QStringLiteral("+420603123456"));
    f.MaxLengthNumber = 5;
    QTest::keyClicks(phone, QStringLiteral("8"));
    QCOMPARE(phone->text(), QStringLiteral("+4206"));

    // A character typed in the middle is inserted; the caret then stands at the end.
    text->setText(QStringLiteral("Door open"));
    text->setCursorPosition(4);
    QTest::keyClicks(text, QStringLiteral("X"));
    QCOMPARE(text->text(), QStringLiteral("DoorX open"));
    QCOMPARE(text->cursorPosition(), 10);
    QTest::keyClicks(text, QStringLiteral(":"));
    QCOMPARE(text->text(), QStringLiteral("DoorX open"));
    QTest::keyClicks(text, QStringLiteral(" "));
    QCOMPARE(text->text(), QStringLiteral("DoorX open "));

    // A row that cannot be typed in is still filled, filtered.
    QVERIFY(!f.SMStext4->isEnabled());
    f.SMStext4->setText(QStringLiteral("Gate\x1a") + QString(200, QLatin1Char('x')));
    QCOMPARE(f.SMStext4->text(), QStringLiteral("Gate"));
    f.SMSPhone4->setText(QStringLiteral("7"));
    QCOMPARE(f.SMSPhone4->text(), QStringLiteral("+"));
  }

  void loadSms() {
    WindowHarness h;
    TForm1& f = h.form();
    UnitEngine& u = h.unit();
    u.setSms(1, "+4201", "\n\nHello");  // two empty lines before the text
    u.setSms(2, "+420602000002", "Gate open: now");
    u.setSms(3, "+4203", "OK");
    u.setSms(4, "+4204", "Level +CSQ: 9,99");
    u.setSms(5, "+4205", "ERROR at door");
    u.setSms(9, "+4209", "Nine");
    startLinked(h);
    setPairs(f, QStringList(6, QStringLiteral("+111")), QStringList(6, QStringLiteral("old")));
    f.SMSs->setPlainText(QStringLiteral("old"));
    h.clearReceived();
    h.click(f.ButtonLoadSMS);
    QCOMPARE(h.received().value(0), QByteArray("AT+CMGL=ALL"));
    QVERIFY(!f.ButtonsLocked);
    QVERIFY(f.Prubeh->isHidden());
    QVERIFY(h.runUntil([&] { return f.Link.LinkIdle; }, 5000));
    h.run(1000);

    // Slot 9 goes only to the memo; the colon cuts the edit, not the memo; "OK" as a text
    // ends the list early; the text with "+CSQ" is a signal report, the one with "ERROR" a
    // text.
    QCOMPARE(texts(f.SmsPhones),
             (QStringList{"+4201", "+420602000002", "+4203", "+4204", "+4205", ""}));
    QCOMPARE(texts(f.SmsTexts), (QStringList{"Hello", "Gate open", "", "", "ERROR at door", ""}));
    QCOMPARE(f.SMSs->toPlainText(),
             QStringLiteral(" 1,\"STO UNSENT\",\"+4201\",,\n\n\"Hello\"\n"
                            " 2,\"STO UNSENT\",\"+420602000002\",,\"Gate open: now\"\n"
                            " 3,\"STO UNSENT\",\"+4203\",,"
                            " 4,\"STO UNSENT\",\"+4204\",,"
                            " 5,\"STO UNSENT\",\"+4205\",,\"ERROR at door\"\n"
                            " 9,\"STO UNSENT\",\"+4209\",,\"Nine\"\n"));
    QCOMPARE(f.Smeter->Position(), 9);
    QVERIFY(h.dialogs().errors.isEmpty());
  }

  // The save frees slots 1 to 7, writes the six pairs on the unit's prompts, then lists.
  // A signal report in the middle must not make it run ahead of the unit's answers.
  void saveSms() {
    WindowHarness h;
    TForm1& f = h.form();
    UnitEngine& u = h.unit();
    oldSmsInSlots(u, "+42000");
    startLinked(h);
    const QStringList phones{"+4201", "+4202", "", "+4204", "+4205", "+4206"};
    const QStringList smsTexts{"Unit is on", "Input 1 alarm!", "Input 2 alarm!",
                               "Gate open",  "Gate closed",    "Power failure (mains)"};
    setPairs(f, phones, smsTexts);
    u.setReportInterval(0);
    u.setLatency(300);
    const Overlaps overlaps(u);
    h.clearReceived();
    h.serial().clearWritten();
    h.click(f.ButtonSaveSMS);
    QVERIFY(f.ButtonsLocked);
    QVERIFY(f.Prenos->isVisible());
    QCOMPARE(f.Prubeh->maximum(), 6);
    QVERIFY(h.runUntil([&] { return f.Link.StepIndex == 3; }, 10000));
    u.reportSignal();
    u.injectBytes("\r\n+CMGL: 9,\"REC READ\",\"+4209\",,\"x\"\r\nstray\r\n");  // steers nothing
    // The last write's "OK" already ends the busy state; the list comes after it.
    QVERIFY(h.runUntil([&] { return idleAgain(f) && !f.Link.WritingSms; }, 20000));
    h.run(1000);

    QList<QByteArray> expected{"AT+CMGF?"};
    expected << deletes(1, 7);
    for (int k = 0; k < 6; ++k)
      expected << "AT+CMGW=" + phones[k].toLatin1() << smsTexts[k].toLatin1() + '\x1a';
    expected << "AT+CMGL=ALL"
             << "AT+CSCA?";  // the barrier: the list is all in
    QCOMPARE(h.received(), expected);
    QVERIFY(h.serial().written().contains("AT+CMGW=\r\nInput 2 alarm!\x1a"));
    QCOMPARE(overlaps.count, 0);

    QCOMPARE(u.messages().size(), 8);
    QCOMPARE(u.messages().value(3).text, QByteArray("Input 2 alarm!"));
    QCOMPARE(u.messages().value(8).text, QByteArray("Old 8"));
    // The list refilled the pairs from the SIM.
    QCOMPARE(texts(f.SmsPhones), phones);
    QCOMPARE(texts(f.SmsTexts), smsTexts);
    QCOMPARE(f.SMSs->toPlainText().count(QLatin1Char('\n')), 8);
    QVERIFY(!f.Link.WritingSms && !f.Link.DeletingSms);
    QVERIFY(f.Prubeh->isHidden() && f.Prenos->isHidden());
    QVERIFY(h.dialogs().errors.isEmpty());
  }

  void deleteSms() {
    WindowHarness h;
    TForm1& f = h.form();
    UnitEngine& u = h.unit();
    u.setSms(1, "+4201", "One");
    u.setSms(24, "+42024", "Twenty-four");
    startLinked(h);
    f.SMSPhone1->setText(QStringLiteral("+4201"));
    u.setReportInterval(0);
    u.setLatency(300);
    const Overlaps overlaps(u);
    h.clearReceived();
    h.click(f.ButtonDeleteSMS);
    QVERIFY(f.ButtonsLocked);
    QCOMPARE(f.Prubeh->maximum(), 25);
    QVERIFY(f.Prubeh->isVisible() && f.Prenos->isHidden());
    QVERIFY(h.runUntil([&] { return f.Link.StepIndex == 5; }, 10000));
    u.reportSignal();
    QVERIFY(h.runUntil([&] { return idleAgain(f); }, 30000));

    // Slot 26 does not exist: its error ends the deleting and the list shows what is left; an
    // empty list is asked twice.
    QList<QByteArray> expected{"AT+CMGF?"};
    expected << deletes(1, 26) << "AT+CSCA?"
             << "AT+CMGL=ALL"
             << "AT+CSCA?"
             << "AT+CMGL=ALL"
             << "AT+CSCA?";
    QCOMPARE(h.received(), expected);
    QCOMPARE(overlaps.count, 0);
    QVERIFY(u.messages().isEmpty());
    QCOMPARE(f.SMSPhone1->text(), QString());
    QCOMPARE(f.SMSs->toPlainText(), QString());
    QVERIFY(f.Prubeh->isHidden());
    QVERIFY(h.dialogs().errors.isEmpty());
  }

  // A SIM with six slots refuses the delete of slot 7: the save writes all six pairs all the
  // same, and only after that answer, so no body can go out on a prompt after the list.
  void sixSlotSimTakesAllSixPairs() {
    WindowHarness::Setup s;
    s.unit.smsSlots = 6;
    WindowHarness h(s);
    TForm1& f = h.form();
    h.unit().setSms(6, "+4206", "Six");
    startLinked(h);
    const QStringList phones{"+4201", "+4202", "+4203", "+4204", "+4205", "+4206"};
    const QStringList smsTexts{"A", "B", "C", "D", "E", "F"};
    setPairs(f, phones, smsTexts);
    h.clearReceived();
    h.click(f.ButtonSaveSMS);
    QVERIFY(h.runUntil([&] { return idleAgain(f) && f.Link.Running == Chain::None; }, 20000));
    QList<QByteArray> expected{"AT+CMGF?"};
    expected << deletes(1, 7) << "AT+CSCA?";
    for (int k = 0; k < 6; ++k)
      expected << "AT+CMGW=" + phones[k].toLatin1() << smsTexts[k].toLatin1() + '\x1a';
    expected << "AT+CMGL=ALL"
             << "AT+CSCA?";  // the barrier: the list is all in
    QCOMPARE(h.received(), expected);
    QCOMPARE(h.unit().messages().size(), 6);
    QCOMPARE(texts(f.SmsTexts), smsTexts);
    QVERIFY(h.dialogs().messages.isEmpty());
  }

  // A refused delete is tried again; only "no such slot" means the slot is empty. A pair's
  // slot that stays full ends the save before anything is written: no pair lands a slot late,
  // the edits keep what was typed, and the message names every pair (or SMS) not done; a list
  // the unit refuses every time names what it would have had to show.
  void refusedDeletes_data() {
    QTest::addColumn<bool>("save");  // else Delete SMSs (Load SMSs when nothing is refused)
    QTest::addColumn<QByteArray>("refused");
    QTest::addColumn<int>("times");
    QTest::addColumn<QList<int>>("left");  // slots that keep their old SMS
    QTest::addColumn<QString>("told");
    QTest::addColumn<bool>("listRefused");  // and so is every list
    const QList<int> twoOn{2, 3, 4, 5, 6, 7, 8, 9};
    QTest::newRow("save, one ERROR")
        << true << QByteArray("AT+CMGD=1") << 1 << QList<int>{8, 9} << QString() << false;
    QTest::newRow("save, slot stays full") << true << QByteArray("AT+CMGD=2") << 3 << twoOn
                                           << QStringLiteral("Not saved to the SIM (6):") << false;
    QTest::newRow("save, slot 7 stays full")
        << true << QByteArray("AT+CMGD=7") << 3 << QList<int>{7, 8, 9} << QString() << false;
    QTest::newRow("delete, one ERROR")
        << false << QByteArray("AT+CMGD=3") << 1 << QList<int>{} << QString() << false;
    QTest::newRow("delete, slot stays full")
        << false << QByteArray("AT+CMGD=3") << 3 << QList<int>{3, 4, 5, 6, 7, 8, 9}
        << QStringLiteral("Not deleted from the SIM (7):\n3: +42003 \"Old 3\"") << false;
    QTest::newRow("delete, slot stays full, no list")
        << false << QByteArray("AT+CMGD=3") << 3 << QList<int>{3, 4, 5, 6, 7, 8, 9}
        << QStringLiteral("The SMS from slot 3 on were not deleted.") << true;
    QTest::newRow("load, no list")
        << false << QByteArray() << 0 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}
        << QStringLiteral("The SMS list is incomplete.") << true;
  }

  void refusedDeletes() {
    QFETCH(bool, save);
    QFETCH(QByteArray, refused);
    QFETCH(int, times);
    QFETCH(QList<int>, left);
    QFETCH(QString, told);
    QFETCH(bool, listRefused);
    WindowHarness h;
    TForm1& f = h.form();
    UnitEngine& u = h.unit();
    oldSmsInSlots(u, "+4200");
    startLinked(h);
    const QStringList phones{"+4201", "+4202", "+4203", "+4204", "+4205", "+4206"};
    const QStringList smsTexts{"A", "B", "C", "D", "E", "F"};
    setPairs(f, phones, smsTexts);
    int refusals = 0;
    u.onCommand = [&](const QByteArray& line) {
      if ((line == refused && refusals++ < times) || (listRefused && line == "AT+CMGL=ALL"))
        u.faultAt(0, UnitEngine::Fault::Refuse);
    };
    h.click(save ? f.ButtonSaveSMS : times ? f.ButtonDeleteSMS : f.ButtonLoadSMS);
    QVERIFY(h.runUntil([&] { return idleAgain(f) && f.Link.Running == Chain::None; }, 30000));
    h.settle();
    QList<int> old;
    for (auto it = u.messages().begin(); it != u.messages().end(); ++it)
      if (it->text.startsWith("Old")) old << it.key();
    QCOMPARE(old, left);
    if (save) {
      for (int slot = 1; slot <= 6 && told.isEmpty(); ++slot)
        QCOMPARE(u.messages().value(slot).text, smsTexts[slot - 1].toLatin1());
      QCOMPARE(texts(f.SmsPhones), phones);
      QCOMPARE(texts(f.SmsTexts), smsTexts);
    }
    if (told.isEmpty())
      QCOMPARE(h.dialogs().messages, QStringList());
    else
      QVERIFY2(h.dialogs().messages.join('|').contains(told),
               qPrintable(h.dialogs().messages.join('|')));
    QVERIFY(h.dialogs().errors.isEmpty());
  }

  // A pair the unit refuses three times ends the save with a list; the pairs it did not take
  // keep what the user typed, and one message names them. A stray error while the unit waits
  // for a body (its prompt lost) makes neither the command sent again nor the list its text.
  void refusedWriteEndsWithList() {
    WindowHarness h;
    TForm1& f = h.form();
    UnitEngine& u = h.unit();
    u.setSms(9, "+4209", "Nine");
    startLinked(h);
    setPairs(f, {"+4201", "+4202", "+4203", "", "", ""}, {"One", "Two", "Three", "", "", ""});
    bool stray = false;
    u.onCommand = [&](const QByteArray& line) {
      if (line == "AT+CMGW=+4202") u.faultAt(0, UnitEngine::Fault::Refuse);
      if (line == "AT+CMGW=+4201" && !std::exchange(stray, true)) {
        u.losePrompt();
        u.injectBytes("\r\nERROR\r\n");
      }
    };
    h.clearReceived();
    h.click(f.ButtonSaveSMS);
    QVERIFY(h.runUntil([&] { return idleAgain(f) && f.Link.Running == Chain::None; }, 20000));
    QList<QByteArray> expected{"AT+CMGF?"};
    expected << deletes(1, 7) << "AT+CMGW=+4201"
             << "\x1b"
             << "AT+CMGW=+4201"
             << "One\x1a"
             << "AT+CMGW=+4202"
             << "\x1b"
             << "AT+CMGW=+4202"
             << "\x1b"
             << "AT+CMGW=+4202"
             << "\x1b"
             << "AT+CMGL=ALL"
             << "AT+CSCA?";
    QCOMPARE(h.received(), expected);
    QVERIFY(!f.Link.WritingSms);
    QCOMPARE(texts(f.SmsPhones), (QStringList{"+4201", "+4202", "+4203", "", "", ""}));
    QCOMPARE(texts(f.SmsTexts), (QStringList{"One", "Two", "Three", "", "", ""}));
    QCOMPARE(f.SMSs->toPlainText(), QStringLiteral(" 1,\"STO UNSENT\",\"+4201\",,\"One\"\n"
                                                   " 9,\"STO UNSENT\",\"+4209\",,\"Nine\"\n"));
    h.settle();
    QCOMPARE(h.dialogs().messages,
             QStringList{"Not saved to the SIM (2):\n2: +4202 \"Two\"\n3: +4203 \"Three\""});

    // A "+CMGW" with no save running neither writes the pairs nor empties them.
    h.clearReceived();
    h.unit().injectBytes("\r\n+CMGW: 1\r\n\r\nOK\r\n");
    h.run(1000);
    QVERIFY(h.received().isEmpty());
    QCOMPARE(f.SMSPhone2->text(), QStringLiteral("+4202"));
    QVERIFY(h.dialogs().errors.isEmpty());
  }
};

QTEST_MAIN(TestSms)
#include "test_sms.moc"
