// SPDX-License-Identifier: GPL-3.0-or-later
// The busy state of the controls and the Info panel.
#include <QLabel>
#include <QPushButton>

#include "app/Form1.h"
#include "phonebook/NameValueGrid.h"

namespace {

QList<QWidget*> lockedControls(TForm1& f) {
  return {f.LoadSIMPC, f.SaveSIMPC,     f.LoadSMSPC,     f.SaveSMSPC,       f.Sort,
          f.Find,      f.FindNext,      f.LoadPHONE,     f.SavePhone,       f.Test,
          f.AddToSIM,  f.ButtonLoadSMS, f.ButtonSaveSMS, f.ButtonDeleteSMS, f.PhoneBook1};
}

}  // namespace

// The busy state is the core's (LinkCore::LockButtons, UnlockButtons): this shows it.
void TForm1::showBusy() {
  for (QWidget* w : lockedControls(*this)) w->setEnabled(!ButtonsLocked);
}

void TForm1::ClearInfo() {
  QLabel* const labels[] = {ADMIN1, ADMIN2, ADMIN3, ADMIN4, ADMIN5, ADMIN6, ADMIN7,
                            ADMIN8, ALARM1, ALARM2, ALARM3, ALARM4, ALARM5, ALARM6,
                            ALARM7, ALARM8, RTIME,  CRED,   OPER};
  static const QString names[] = {
      QStringLiteral("ADMIN1"), QStringLiteral("ADMIN2"), QStringLiteral("ADMIN3"),
      QStringLiteral("ADMIN4"), QStringLiteral("ADMIN5"), QStringLiteral("ADMIN6"),
      QStringLiteral("ADMIN7"), QStringLiteral("ADMIN8"), QStringLiteral("ALARM1"),
      QStringLiteral("ALARM2"), QStringLiteral("ALARM3"), QStringLiteral("ALARM4"),
      QStringLiteral("ALARM5"), QStringLiteral("ALARM6"), QStringLiteral("ALARM7"),
      QStringLiteral("ALARM8"), QStringLiteral("RTIME"),  QStringLiteral("CRED"),
      QStringLiteral("OPER")};
  constexpr int kRtime = 16;
  constexpr int kCount = 19;

  // Collect first and set each label once: a book of many thousand rows must not repaint
  // the panel per row. Lower rows win.
  QString values[kCount];
  bool found[kCount] = {};
  const QStringList lines = PhoneBook1->Strings();
  for (const QString& line : lines) {
    const int eq = line.indexOf(QLatin1Char('='));
    const QStringView name = eq < 0 ? QStringView() : QStringView(line).left(eq);
    if (name.size() < 4 || name.size() > 6) continue;
    for (int i = 0; i < kCount; ++i) {
      if (name == names[i]) {
        values[i] = eq < 0 ? line : line.mid(eq + 1);
        found[i] = true;
        break;
      }
    }
  }
  for (int i = 0; i < kCount; ++i) {
    QString text;
    if (i == kRtime)
      text = found[i] ? values[i] + QStringLiteral(" s") : Words.DefaultRtime;
    else
      text = values[i];
    labels[i]->setText(text);
  }
}
