// SPDX-License-Identifier: GPL-3.0-or-later
// Timings of the phone book operations on the real window: sort with and without the entry
// check, the Info panel refill and Find. One line per case: rows and milliseconds.
#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cstdio>
#include <random>

#include "app/Form1.h"
#include "bench/BenchDoubles.h"
#include "files/PhoneBookSheet.h"
#include "phonebook/NameValueGrid.h"

namespace {

// Valid entries in random order: names of capitals and digits (some reserved), numbers of
// digits, so that the entry check passes on every row.
QStringList randomBook(int rows, unsigned seed) {
  static const char* const reserved[] = {"ADMIN1", "ADMIN2", "ALARM1", "ALARM8", "CRED", "OPER"};
  std::mt19937 rng(seed);
  QStringList lines;
  for (int i = 0; i < rows; ++i) {
    QString name;
    if (rng() % 20 == 0) {
      name = QString::fromLatin1(reserved[rng() % 6]);
    } else {
      const int len = 1 + int(rng() % 8);
      for (int k = 0; k < len; ++k)
        name += QChar(k == 0 ? 'A' + int(rng() % 26)
                             : "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"[rng() % 36]);
    }
    QString number = QStringLiteral("+420");
    for (int k = 0; k < 9; ++k) number += QChar('0' + int(rng() % 10));
    lines << name + QLatin1Char('=') + number;
  }
  return lines;
}

// The handler and the repaint it leaves behind.
template <typename Fn>
qint64 timed(Fn fn) {
  QElapsedTimer t;
  t.start();
  fn();
  QCoreApplication::processEvents();
  return t.elapsed();
}

void report(const char* what, int rows, qint64 ms) {
  std::printf("%-34s %6d rows %8lld ms\n", what, rows, static_cast<long long>(ms));
  std::fflush(stdout);
}

long peakMb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss / 1024;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  QDir::setCurrent(dir.path());  // "blank.phb" and the settings file land here

  QuietDialogs dialogs;
  NoWaitClock clock;
  FloodDevices devices;
  FormEnvironment env;
  env.dialogs = &dialogs;
  env.clock = &clock;
  env.serial = &devices;
  env.programFile = dir.filePath(QStringLiteral("zulset"));
  TForm1 form(env);
  form.show();
  QCoreApplication::processEvents();
  TNameValueGrid* grid = form.PhoneBook1;

  // The spreadsheet reader near the size limit, first (the peak only grows): line feeds alone,
  // which hold no entry, and 20,000 entries.
  {
    const QString csv = dir.filePath(QStringLiteral("big.csv"));
    const QByteArray feeds(16 * 1024 * 1024 - 1, '\n');
    QByteArray rows = "sep=;\r\nName;Phone\r\n";
    for (const QString& line : randomBook(20000, 3))
      rows += "=\"" + line.toLatin1().replace('=', "\";=\"") + "\"\r\n";
    for (const auto& [what, bytes] :
         {std::pair{"csv of line feeds (16 MB)", feeds}, std::pair{"csv of entries", rows}}) {
      QFile f(csv);
      if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return 1;
      f.close();
      SheetEntries e;
      const qint64 ms = timed([&] { e = ReadPhoneBookCsv(csv); });
      report(what, int(e.lines.size()), ms);
      std::printf("  peak resident %ld MB\n", peakMb());
    }
  }

  form.Autoverify->setChecked(false);
  for (int rows : {250, 2000, 20000}) {
    grid->SetStrings(randomBook(rows, unsigned(rows)));
    report("sort, Autoverify unticked", rows, timed([&] { form.SortClick(); }));
  }

  {
    grid->SetStrings(randomBook(250, 250));
    grid->SetRow(1);
    form.Autoverify->setChecked(true);
    dialogs.shown = 0;
    report("sort, Autoverify ticked", 250, timed([&] { form.SortClick(); }));
    form.Autoverify->setChecked(false);
    if (dialogs.shown)
      std::printf("  (%d messages shown: the check did not pass)\n", dialogs.shown);
  }

  QStringList big = randomBook(20000, 7);
  big << QStringLiteral("ZQ9=123");
  grid->SetStrings(big);
  report("ClearInfo", grid->LineCount(), timed([&] { form.ClearInfo(); }));
  form.FindName->setText(QStringLiteral("zq9"));
  report("Find (match in the last row)", grid->LineCount(), timed([&] { form.FindClick(); }));
  form.FindName->clear();
  form.FindPhone->setText(QStringLiteral("x"));
  report("Find (no match, numbers)", grid->LineCount(), timed([&] { form.FindClick(); }));
  return 0;
}
