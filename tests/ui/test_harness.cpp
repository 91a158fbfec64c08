// The window test harness itself: the start-up chain over the in-memory line, virtual time,
// and the dialogs script.
#include <QPushButton>
#include <QTest>

#include "app/Form1.h"
#include "link/ComPort.h"
#include "support/WindowHarness.h"

class TestHarness : public QObject {
  Q_OBJECT

 private slots:
  void startUpChainAndLoad() {
    WindowHarness::Setup s;
    s.demo = true;
    WindowHarness h(s);
    QCOMPARE(h.dialogs().portChoices, 1);
    QCOMPARE(h.received(), QList<QByteArray>{"ATE"});
    h.run(12000);
    QCOMPARE(h.received(), (QList<QByteArray>{"ATE", "AT+COPS?", "AT+CPBR=?"}));
    QCOMPARE(h.form().Link.PhoneBookCapacity, 250);
    QVERIFY(h.form().Link.LinkIdle);
    h.click(h.form().LoadPHONE);
    h.run(5000);
    QCOMPARE(h.received().last(), QByteArray("AT+CSCA?"));
    QVERIFY(h.received().contains("AT+CPBR=1,249"));
    QVERIFY(h.dialogs().errors.isEmpty());
  }
};

QTEST_MAIN(TestHarness)
#include "test_harness.moc"
