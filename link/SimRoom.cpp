// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/SimRoom.h"

#include <algorithm>

#include "link/AtCommands.h"
#include "link/LineRules.h"

void SimRoom::Start(qint32 capacity) {
  *this = SimRoom();
  capacity_ = capacity;
}

void SimRoom::Found(const QByteArray& line) {
  qint32 index = 0;
  const bool readable =
      TryStrToInt(PhoneBookIndexField(line).text, &index) && index >= 1 && index <= capacity_;
  if (!readable) {
    ++unreadable_;
  } else if (index < capacity_) {
    found_.insert(index);
  } else {
    const NameAndNumber entry = PhoneBookEntryFields(line);
    hidden_.clear();
    if (entry.name != "OUT")
      hidden_ =
          QString::fromLatin1(entry.name) + QLatin1Char('=') + QString::fromLatin1(entry.number);
  }
}

bool SimRoom::Fits(const QByteArray& name) const {
  return !At::GoesToFirstFree(name) || Free() > 0;
}

void SimRoom::Taken(const QByteArray& name) {
  if (name == "OUT")
    hidden_.clear();
  else
    ++rows_;
}

qint32 SimRoom::Free() const {
  if (unknown_) return 0;
  return std::max(capacity_ - 1 - qint32(found_.size()) - unreadable_ - rows_, 0);
}
