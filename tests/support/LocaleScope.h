// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The locale variables LC_ALL, LC_MESSAGES and LANG while it lives; an empty value unsets one.
#include <QByteArray>
#include <QtGlobal>
#include <optional>

class LocaleScope {
 public:
  explicit LocaleScope(const QByteArray& all, const QByteArray& messages = {},
                       const QByteArray& lang = {}) {
    const QByteArray values[] = {all, messages, lang};
    for (int i = 0; i < 3; ++i) {
      if (qEnvironmentVariableIsSet(names_[i])) saved_[i] = qgetenv(names_[i]);
      values[i].isEmpty() ? qunsetenv(names_[i]) : qputenv(names_[i], values[i]);
    }
  }
  ~LocaleScope() {
    for (int i = 0; i < 3; ++i) saved_[i] ? qputenv(names_[i], *saved_[i]) : qunsetenv(names_[i]);
  }
  LocaleScope(const LocaleScope&) = delete;
  LocaleScope& operator=(const LocaleScope&) = delete;

 private:
  static constexpr const char* names_[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::optional<QByteArray> saved_[3];
};
