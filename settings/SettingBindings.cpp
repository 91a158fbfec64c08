// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingBindings.h"

#include <cstring>
#include <stdexcept>

#include "settings/IniFile.h"

namespace {

const SettingBinding* findBinding(const SectionBindings& bindings, const char* key) {
  for (const SettingBinding& b : bindings)
    if (std::strcmp(b.key, key) == 0) return &b;
  return nullptr;
}

const SettingKey* findKey(const SettingsSection& section, const char* key) {
  for (int i = 0; i < section.keyCount; ++i)
    if (std::strcmp(section.keys[i].key, key) == 0) return &section.keys[i];
  return nullptr;
}

void check(const SettingsSection& section, const SectionBindings& bindings) {
  const QString fault = CheckBindings(section, bindings);
  if (!fault.isEmpty()) throw std::logic_error(fault.toStdString());
}

QVariant readValue(const IniFile& ini, const QString& section, const SettingKey& k) {
  const QString key = QString::fromLatin1(k.key);
  switch (k.kind) {
    case SettingKind::Integer:
      return ini.ReadInteger(section, key, k.number);
    case SettingKind::Boolean:
      return ini.ReadBool(section, key, k.number != 0);
    case SettingKind::Text:
      break;
  }
  return ini.ReadString(section, key, QString::fromLatin1(k.text));
}

}  // namespace

QString CheckBindings(const SettingsSection& section, const SectionBindings& bindings) {
  const QString where = QString::fromLatin1(section.name) + QLatin1String(": ");
  for (int i = 0; i < section.keyCount; ++i) {
    int count = 0;
    for (const SettingBinding& b : bindings) count += std::strcmp(b.key, section.keys[i].key) == 0;
    if (count != 1)
      return where + QStringLiteral("%1 bindings for key \"%2\"")
                         .arg(count)
                         .arg(QString::fromLatin1(section.keys[i].key));
  }
  for (const SettingBinding& b : bindings) {
    if (!findKey(section, b.key))
      return where + QStringLiteral("no key \"%1\"").arg(QString::fromLatin1(b.key));
    if (!b.get || b.set.empty())
      return where +
             QStringLiteral("key \"%1\" lacks a getter or setter").arg(QString::fromLatin1(b.key));
  }
  const int reads = section.reads ? section.readCount : section.keyCount;
  std::vector<int> readCount(section.keyCount, 0);
  for (int i = 0; i < reads; ++i) {
    const SettingRead r = section.reads ? section.reads[i] : SettingRead{section.keys[i].key, -1};
    const SettingKey* k = findKey(section, r.key);
    if (!k) return where + QStringLiteral("read of unknown key \"%1\"").arg(r.key);
    ++readCount[k - section.keys];
    const SettingBinding* b = findBinding(bindings, r.key);
    if (r.target < -1 || r.target >= int(b->set.size()))
      return where + QStringLiteral("read of \"%1\" has no target %2").arg(r.key).arg(r.target);
  }
  for (int i = 0; i < section.keyCount; ++i)
    if (readCount[i] == 0)
      return where + QStringLiteral("key \"%1\" is never read").arg(section.keys[i].key);
  return QString();
}

void ReadSection(const IniFile& ini, const SettingsSection& section,
                 const SectionBindings& bindings) {
  check(section, bindings);
  const QString name = QString::fromLatin1(section.name);
  const int reads = section.reads ? section.readCount : section.keyCount;
  for (int i = 0; i < reads; ++i) {
    const SettingRead r = section.reads ? section.reads[i] : SettingRead{section.keys[i].key, -1};
    const QVariant value = readValue(ini, name, *findKey(section, r.key));
    const SettingBinding& b = *findBinding(bindings, r.key);
    if (r.target >= 0) {
      b.set[r.target](value);
    } else {
      for (const auto& set : b.set) set(value);
    }
  }
}

void WriteSection(IniFile& ini, const SettingsSection& section, const SectionBindings& bindings) {
  check(section, bindings);
  const QString name = QString::fromLatin1(section.name);
  for (int i = 0; i < section.keyCount; ++i) {
    const SettingKey& k = section.keys[i];
    const QString key = QString::fromLatin1(k.key);
    const QVariant value = findBinding(bindings, k.key)->get();
    switch (k.kind) {
      case SettingKind::Integer:
        ini.WriteInteger(name, key, value.toInt());
        break;
      case SettingKind::Boolean:
        ini.WriteBool(name, key, value.toBool());
        break;
      case SettingKind::Text:
        ini.WriteString(name, key, value.toString());
        break;
    }
  }
}

void ReadAllSettings(const IniFile& ini, const AllBindings& bindings) {
  for (size_t i = 0; i < bindings.size(); ++i) ReadSection(ini, SettingsSections[i], bindings[i]);
}

void WriteAllSettings(IniFile& ini, const AllBindings& bindings) {
  for (size_t i = 0; i < bindings.size(); ++i) WriteSection(ini, SettingsSections[i], bindings[i]);
}
