// SPDX-License-Identifier: GPL-3.0-or-later
// Calls from the simulated unit become admission records: relay names, the daily file, the
// manual save and failures that must lose no call. Runs in a UTF-8 locale whose dates carry
// "/": the files hold the log as the window shows it, the SIM's byte 0xE1 as "\u00E1".
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cerrno>

#include "app/Form1.h"
#include "link/LinkState.h"
#include "phonebook/NameValueGrid.h"
#include "support/FaultyFileCalls.h"
#include "support/SmallDisk.h"
#include "support/WindowHarness.h"

namespace {

const QDate kFeb1(2024, 2, 1);
const QDate kFeb2(2024, 2, 2);

QString row(const QString& key, const QString& caller, const QString& relay) {
  return key + QLatin1Char('=') + caller + QStringLiteral("  /") + relay;
}
const QString kAdmin = QStringLiteral("ADMIN1  (phone: 123)");
const QString kEva = QStringLiteral("Eva;Nov\u00E1k  (phone: +420456)");

QByteArray readAll(const QString& name) {
  QFile f(name);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

enum Answer { Save, SaveCancelled, CloseAnyway, Stay };

QStringList csvFiles(const WindowHarness& h) {
  return QDir(h.dir()).entryList({QStringLiteral("*.csv")}, QDir::Files);
}

struct Calls {
  WindowHarness h;
  TForm1& f = h.form();
  Calls() {
    h.unit().setEntry(1, "123", "ADMIN1");
    h.unit().setEntry(2, "+420456", "Eva;Nov\xE1k");
    h.run(500);
  }
  // A call at the given moment; its report arrives within the same second.
  void call(const QDate& day, const QTime& at, const QByteArray& number, bool relayB = false) {
    h.clock().setNow(QDateTime(day, at));
    h.unit().call(number, relayB);
    h.run(300);
  }
  QStringList rows() const { return f.AdmisRec->Strings(); }
};

}  // namespace

class TestAdmissions : public QObject {
  Q_OBJECT

 private slots:
  void callsAndRelays() {
    Calls c;
    c.call(kFeb1, QTime(8, 5, 9), "123");
    c.call(kFeb1, QTime(8, 6, 0), "+420456", true);
    c.call(kFeb1, QTime(8, 7, 0), "555");  // not on the SIM by name: no record
    c.call(kFeb1, QTime(14, 7, 1), "123");
    c.f.RelA->setText(QStringLiteral("Gate"));
    c.call(kFeb1, QTime(14, 8, 0), "123");
    QCOMPARE(c.rows(), (QStringList{row("2/1/24 8:05:09 AM", kAdmin, "OUTPUT A"),
                                    row("2/1/24 8:06:00 AM", kEva, "OUTPUT B"),
                                    row("2/1/24 2:07:01 PM", kAdmin, "OUTPUT A"),
                                    row("2/1/24 2:08:00 PM", kAdmin, "Gate")}));
    QVERIFY(c.h.dialogs().errors.isEmpty());
    QVERIFY(csvFiles(c.h).isEmpty());
  }

  void dailyFile() {
    Calls c;
    c.f.Automat->setChecked(true);
    c.call(kFeb1, QTime(8, 0, 1), "123");
    c.call(kFeb1, QTime(23, 59, 59), "+420456");
    QCOMPARE(c.rows().size(), 2);  // same day: no file
    QVERIFY(csvFiles(c.h).isEmpty());

    // Two days later: the file still bears yesterday's date, with "/" made safe.
    c.call(kFeb2.addDays(1), QTime(0, 0, 5), "123", true);
    QCOMPARE(csvFiles(c.h), QStringList{QStringLiteral("admiss2-2-24.csv")});
    QCOMPARE(readAll(c.h.path(QStringLiteral("admiss2-2-24.csv"))),
             QByteArray("2/1/24 8:00:01 AM;ADMIN1  (phone: 123)  /OUTPUT A\r\n"
                        "2/1/24 11:59:59 PM;Eva;Nov\xC3\xA1k  (phone: +420456)  /OUTPUT A\r\n"));
    QCOMPARE(c.rows(), QStringList{row("2/3/24 12:00:05 AM", kAdmin, "OUTPUT B")});
  }

  // The PC's date set a day ahead by mistake and back: the daily file named again gets the
  // rows after its own; nothing is replaced.
  void clockSetBack() {
    Calls c;
    c.f.Automat->setChecked(true);
    c.call(kFeb1, QTime(8, 0, 0), "123");
    c.call(kFeb2, QTime(9, 0, 0), "123");
    c.call(kFeb2.addDays(1), QTime(10, 0, 0), "+420456");
    c.call(kFeb2, QTime(11, 0, 0), "123");
    QCOMPARE(csvFiles(c.h), (QStringList{"admiss2-1-24.csv", "admiss2-2-24.csv"}));
    QCOMPARE(readAll(c.h.path(QStringLiteral("admiss2-1-24.csv"))),
             QByteArray("2/1/24 8:00:00 AM;ADMIN1  (phone: 123)  /OUTPUT A\r\n"
                        "2/3/24 10:00:00 AM;Eva;Nov\xC3\xA1k  (phone: +420456)  /OUTPUT A\r\n"));
    QCOMPARE(readAll(c.h.path(QStringLiteral("admiss2-2-24.csv"))),
             QByteArray("2/2/24 9:00:00 AM;ADMIN1  (phone: 123)  /OUTPUT A\r\n"));
    QCOMPARE(c.rows(), QStringList{row("2/2/24 11:00:00 AM", kAdmin, "OUTPUT A")});
    QVERIFY(c.h.dialogs().errors.isEmpty());
  }

  void manualSave() {
    Calls c;
    c.call(kFeb1, QTime(8, 5, 9), "123");
    c.call(kFeb1, QTime(8, 6, 0), "+420456");
    const QString first = c.h.path(QStringLiteral("first.csv"));
    const QString second = c.h.path(QStringLiteral("second.csv"));

    c.h.click(c.f.Sav);  // cancelled: nothing changes
    QCOMPARE(c.rows().size(), 2);
    c.h.dialogs().saveNames = QStringList{first, second};
    c.h.click(c.f.Sav);
    QCOMPARE(c.h.dialogs().saveFilters.last(),
             QStringLiteral("Excel / comma separated files (*.csv)"));
    QCOMPARE(readAll(first), QByteArray("2/1/24 8:05:09 AM;ADMIN1  (phone: 123)  /OUTPUT A\r\n"
                                        "2/1/24 8:06:00 AM;Eva;Nov\xC3\xA1k  (phone: +420456)  "
                                        "/OUTPUT A\r\n"));
    QCOMPARE(c.f.AdmisRec->LineCount(), 0);
    c.h.click(c.f.Sav);
    QCOMPARE(readAll(second), QByteArray(";\r\n"));

    // The fresh log takes the next call as its only row, Automat or not.
    c.f.Automat->setChecked(true);
    c.call(kFeb2, QTime(9, 0, 0), "123");
    QCOMPARE(c.rows(), QStringList{row("2/2/24 9:00:00 AM", kAdmin, "OUTPUT A")});
  }

  // A log that cannot be closed or read keeps every call and says why.
  void failuresLoseNoCall() {
    Calls c;
    c.f.Automat->setChecked(true);
    c.f.SaveFile->setText(QStringLiteral("missing/admiss"));
    c.call(kFeb1, QTime(8, 5, 9), "123");
    c.call(kFeb2, QTime(9, 0, 0), "+420456", true);
    QCOMPARE(c.h.dialogs().errors, QStringList{QStringLiteral("Invalid filename.")});
    // Relay A again for the next call, and the report's own "OK" made no second record.
    c.call(kFeb2, QTime(9, 1, 0), "123");
    QCOMPARE(c.h.dialogs().errors.size(), 2);
    QCOMPARE(c.rows(), (QStringList{row("2/1/24 8:05:09 AM", kAdmin, "OUTPUT A"),
                                    row("2/2/24 9:00:00 AM", kEva, "OUTPUT B"),
                                    row("2/2/24 9:01:00 AM", kAdmin, "OUTPUT A")}));

    c.h.dialogs().clear();
    c.f.AdmisRec->SetCell(0, 1, QStringLiteral("yesterday"));
    c.call(kFeb2, QTime(9, 2, 0), "123");
    QCOMPARE(c.h.dialogs().errors,
             QStringList{QStringLiteral("'yesterday' is not a valid date and time.")});
    QCOMPARE(c.rows().size(), 4);

    // A failed manual save keeps the log and its place.
    c.h.dialogs().clear();
    c.h.dialogs().saveNames = QStringList{c.h.dir()};
    c.h.click(c.f.Sav);
    QCOMPARE(c.h.dialogs().errors, QStringList{QStringLiteral("File access denied.")});
    QCOMPARE(c.rows().size(), 4);
    QVERIFY(!c.f.Link.AdmisFresh);
    QVERIFY(csvFiles(c.h).isEmpty());
  }

  // A full disk under the daily file (a small tmpfs, or the file calls failing as on one): the
  // call joins the log, the error is shown and the folder holds nothing of the write; with room
  // again the next call puts every row into the file once, and only then does the log let go.
  void fullDisk() {
    Calls c;
    const QString disk = c.h.path(QStringLiteral("disk"));
    SmallDisk small(disk, 64);
    FaultyFileCalls faulty;
    if (!small.Mounted()) {
      QVERIFY(QDir().mkpath(disk));
      c.f.Core->Sink = AdmissionSink(&faulty);
    }
    c.f.Automat->setChecked(true);
    c.f.SaveFile->setText(disk + QStringLiteral("/admiss"));
    c.call(kFeb1, QTime(8, 0, 0), "123");
    c.call(kFeb1, QTime(9, 0, 0), "+420456");
    if (small.Mounted())
      small.Fill();
    else
      faulty.arm(FaultyFileCalls::Call::Write, true, ENOSPC);
    c.call(kFeb2, QTime(8, 0, 0), "123");
    QCOMPARE(c.h.dialogs().errors, QStringList{QStringLiteral("Disk full.")});
    QCOMPARE(c.rows().size(), 3);
    QCOMPARE(QDir(disk).entryList(QDir::Files), QStringList());
    if (small.Mounted())
      small.Free();
    else
      faulty.disarm();
    c.call(kFeb2, QTime(9, 0, 0), "123");
    QCOMPARE(QDir(disk).entryList(QDir::Files), QStringList{QStringLiteral("admiss2-1-24.csv")});
    QCOMPARE(readAll(disk + QStringLiteral("/admiss2-1-24.csv")),
             QByteArray("2/1/24 8:00:00 AM;ADMIN1  (phone: 123)  /OUTPUT A\r\n"
                        "2/1/24 9:00:00 AM;Eva;Nov\xC3\xA1k  (phone: +420456)  /OUTPUT A\r\n"
                        "2/2/24 8:00:00 AM;ADMIN1  (phone: 123)  /OUTPUT A\r\n"));
    QCOMPARE(c.rows(), QStringList{row("2/2/24 9:00:00 AM", kAdmin, "OUTPUT A")});
    QCOMPARE(c.h.dialogs().errors.size(), 1);
  }

  // Closing asks only when records in no file or a write to the SIM would be lost, and each
  // answer does what it says; the line runs behind the question (a call then is saved too).
  void closing_data() {
    QTest::addColumn<bool>("records");
    QTest::addColumn<bool>("writing");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::newRow("nothing at stake") << false << false << int(Save) << true;
    QTest::newRow("records / save") << true << false << int(Save) << true;
    QTest::newRow("records / save cancelled") << true << false << int(SaveCancelled) << false;
    QTest::newRow("records / close anyway") << true << false << int(CloseAnyway) << true;
    QTest::newRow("records / stay") << true << false << int(Stay) << false;
    QTest::newRow("writing / close anyway") << false << true << int(CloseAnyway) << true;
    QTest::newRow("writing / stay") << false << true << int(Stay) << false;
    QTest::newRow("both / save") << true << true << int(Save) << true;
    QTest::newRow("both / stay") << true << true << int(Stay) << false;
  }
  void closing() {
    QFETCH(bool, records);
    QFETCH(bool, writing);
    QFETCH(int, answer);
    QFETCH(bool, closes);
    Calls c;
    TestDialogs& d = c.h.dialogs();
    if (records) c.call(kFeb1, QTime(8, 5, 9), "123");
    if (writing) {
      c.h.unit().setLatency(300);
      for (QLineEdit* e : c.f.SmsTexts) e->setText(QStringLiteral("Gate open"));
      c.h.click(c.f.ButtonSaveSMS);
      QCOMPARE(c.f.Link.Running, Chain::SaveSms);
    }
    d.clear();
    const QString saved = c.h.path(QStringLiteral("closing.csv"));
    if (answer == Save) d.saveNames << saved;
    d.choices = {answer == Stay ? 9 : answer == CloseAnyway ? int(records) : 0};
    d.whileOpen = [&](const TestDialogs::Shown& box) {
      if (box.kind != TestDialogs::Kind::Choice) return;
      c.f.close();  // a second close while asked decides nothing
      QVERIFY(c.f.isVisible());
      if (records) c.call(kFeb1, QTime(8, 6, 0), "+420456");
    };
    const bool closed = c.f.close();
    d.whileOpen = nullptr;

    QCOMPARE(closed, closes);
    QCOMPARE(c.f.isVisible(), !closes);
    QCOMPARE(QFileInfo::exists(c.h.path(QStringLiteral("zulset.ini"))), closes);
    if (!records && !writing) {
      QVERIFY(d.shown.isEmpty());
      return;
    }
    const QList<TestDialogs::Shown> asked = d.shown.mid(0, 1);
    QCOMPARE(asked[0].kind, TestDialogs::Kind::Choice);
    QCOMPARE(std::count_if(d.shown.begin(), d.shown.end(),
                           [](const auto& b) { return b.kind == TestDialogs::Kind::Choice; }),
             1);
    QStringList told;
    if (records) told << QStringLiteral("The admission log holds 1 record that is in no file yet.");
    if (writing)
      told << QStringLiteral("Save SMSs is not finished; closing now leaves the SIM half done.");
    QCOMPARE(asked[0].text, told.join('\n'));
    QCOMPARE(asked[0].answers,
             (records ? QStringList{"Save the records...", "Close anyway", "Do not close"}
                      : QStringList{"Close anyway", "Do not close"}));
    if (answer == Save)
      QCOMPARE(readAll(saved), QByteArray("2/1/24 8:05:09 AM;ADMIN1  (phone: 123)  /OUTPUT A\r\n"
                                          "2/1/24 8:06:00 AM;Eva;Nov\xC3\xA1k  (phone: +420456)  "
                                          "/OUTPUT A\r\n"));
    if (records && !closes) QCOMPARE(c.rows().size(), 2);
    // Closed in the middle, a write ends there, and the unit is not left waiting for an SMS
    // text; kept open, it goes on to its end.
    if (writing) {
      QVERIFY(c.h.runUntil([&] { return c.f.Link.Running == Chain::None; }));
      c.h.run(2000);
      QVERIFY(!c.h.unit().waitingForBody());
      QCOMPARE(c.h.unit().messages().size() == 6, !closes);
    }
  }

  // An end the program cannot refuse (a shutdown signal) puts the records in a file beside
  // the settings; the next start says where, under a name of their own, and only once.
  void shutdownKeepsRecords() {
    QByteArray kept;
    {
      Calls c;
      c.call(kFeb1, QTime(8, 5, 9), "123");
      c.f.RescueAdmissions();
      c.f.RescueAdmissions();
      QCOMPARE(c.f.RescueFileName(), c.h.path(QStringLiteral("zulset-unsaved.csv")));
      kept = readAll(c.f.RescueFileName());
      QCOMPARE(kept, QByteArray("2/1/24 8:05:09 AM;ADMIN1  (phone: 123)  /OUTPUT A\r\n"));
    }
    WindowHarness::Setup s;
    s.beforeStart = [&](WindowHarness& h) {
      QFile f(h.path(QStringLiteral("zulset-unsaved.csv")));
      QVERIFY(f.open(QIODevice::WriteOnly) && f.write(kept) == kept.size());
    };
    WindowHarness h(s);
    const QStringList named = csvFiles(h);
    QCOMPARE(named.size(), 1);
    QVERIFY2(named[0].startsWith(QStringLiteral("zulset-unsaved-")), qPrintable(named[0]));
    QCOMPARE(readAll(h.path(named[0])), kept);
    QCOMPARE(h.dialogs().messages,
             QStringList{QStringLiteral("The program was ended before the admission records "
                                        "were saved; they are in %1.")
                             .arg(QDir::toNativeSeparators(h.path(named[0])))});
  }
};

int main(int argc, char** argv) {
  PrivateMounts();  // before any thread: a small disk of the tests' own
  // US dates ("2/1/24") cannot stand in a file name as they are.
  qputenv("LC_ALL", "en_US.UTF-8");
  QApplication app(argc, argv);
  TestAdmissions test;
  return QTest::qExec(&test, argc, argv);
}
#include "test_admissions.moc"
