// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Binds each key of a settings section to where its value lives: one getter, from which the
// key is written back, and one setter per control or variable that a read fills. Reading and
// writing walk the same bindings, so the two cannot drift apart.
#include <QVariant>
#include <array>
#include <functional>
#include <vector>

#include "settings/Texts.h"

class IniFile;
struct MessageTexts;

struct SettingBinding {
  const char* key;
  std::function<QVariant()> get;  // int, bool or QString after the key's kind
  std::vector<std::function<void(const QVariant&)>> set;
};
using SectionBindings = std::vector<SettingBinding>;
using AllBindings = std::array<SectionBindings, std::size(SettingsSections)>;

// A binding to a plain variable of type int, bool or QString.
template <class T>
SettingBinding bindVariable(const char* key, T& variable) {
  return {key,
          [&variable] { return QVariant::fromValue(variable); },
          {[&variable](const QVariant& v) { variable = v.value<T>(); }}};
}

// The [Messages] section (SettingsSections[2]) bound to the texts.
SectionBindings MessageBindings(MessageTexts& m);

// Empty when every key of the section has exactly one binding, every binding a key, and
// every read a target the binding has; otherwise what is wrong.
QString CheckBindings(const SettingsSection& section, const SectionBindings& bindings);

// In the section's read order. Throws std::logic_error when CheckBindings finds a fault.
void ReadSection(const IniFile& ini, const SettingsSection& section,
                 const SectionBindings& bindings);
// Each key once, in write order, into the copy in memory (IniFile::UpdateFile puts it on
// disk). Throws std::logic_error when CheckBindings finds a fault.
void WriteSection(IniFile& ini, const SettingsSection& section, const SectionBindings& bindings);

// The four sections of SettingsSections; bindings[i] belongs to SettingsSections[i].
void ReadAllSettings(const IniFile& ini, const AllBindings& bindings);
void WriteAllSettings(IniFile& ini, const AllBindings& bindings);
