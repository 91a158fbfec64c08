// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Translations.h"

#include <QtGlobal>
#include <cstring>
#include <optional>

#include "settings/IniFile.h"
#include "settings/SettingsLocation.h"
#include "settings/Texts.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

// The files live in a static library; nothing would pull them in otherwise.
static void initTranslations() { Q_INIT_RESOURCE(translations); }

namespace {

bool shipped(const QString& code) {
  for (const ShippedTranslation& t : ShippedTranslations)
    if (code == QLatin1String(t.code)) return true;
  return false;
}

}  // namespace

QStringList LanguageCodes() {
  QStringList codes;
  for (const ShippedTranslation& t : ShippedTranslations) codes << QString::fromLatin1(t.code);
  return codes << QStringLiteral("en");
}

QString TranslationFile(const QString& code) {
  if (!shipped(code)) return QString();
  initTranslations();
  return QStringLiteral(":/translations/%1.ini").arg(code);
}

QString LanguageOfLocale(const QByteArray& localeName) {
  QByteArray name = localeName;
  for (const char cut : {'@', '.', '_', '-'}) {
    const qsizetype at = name.indexOf(cut);
    if (at >= 0) name.truncate(at);
  }
  const QString code = QString::fromLatin1(name).toLower();
  return shipped(code) ? code : QString();
}

QString TextsLanguage(const QString& locale, const QString& label) {
  QString code = locale.trimmed().isEmpty() ? label.trimmed() : locale.trimmed();
  for (const QChar cut : {u'_', u'-', u'.', u'@'}) code = code.section(cut, 0, 0);
  code = code.toLower();
  if (!locale.trimmed().isEmpty()) return code;
  // The labels the translations carried before they named their language.
  if (code == QLatin1String("eng")) return QStringLiteral("en");
  if (code == QLatin1String("cz")) return QStringLiteral("cs");
  const bool twoLetters =
      code.size() == 2 && code[0] >= u'a' && code[0] <= u'z' && code[1] >= u'a' && code[1] <= u'z';
  return twoLetters ? code : QString();
}

QString SystemLanguage() {
#ifdef Q_OS_WIN
  switch (PRIMARYLANGID(GetUserDefaultUILanguage())) {
    case LANG_CZECH:
      return QStringLiteral("cs");
    case LANG_SLOVAK:
      return QStringLiteral("sk");
    case LANG_GERMAN:
      return QStringLiteral("de");
    case LANG_POLISH:
      return QStringLiteral("pl");
    default:
      return QString();
  }
#else
  // The order in which the C library picks the language of its messages; an empty variable
  // counts as unset.
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const QByteArray value = qgetenv(variable);
    if (!value.isEmpty()) return LanguageOfLocale(value);
  }
  return QString();
#endif
}

void PutTranslation(IniFile& ini, const QString& code) {
  std::optional<IniFile> translation;
  if (const QString file = TranslationFile(code); !file.isEmpty())
    translation.emplace(file, FileCharset::Utf8());
  for (const SettingsSection& section : SettingsSections) {
    if (std::strcmp(section.name, "Form") == 0) continue;
    const QString name = QString::fromLatin1(section.name);
    for (int i = 0; i < section.keyCount; ++i) {
      const QString key = QString::fromLatin1(section.keys[i].key);
      const QString english = QString::fromLatin1(section.keys[i].text);
      ini.WriteString(name, key,
                      translation ? translation->ReadString(name, key, english) : english);
    }
  }
}

void SwitchLanguage(const SettingsPlace& place, const QString& code) {
  PrepareSettingsFile(place);
  IniFile ini(place.file);
  if (ini.Contents().isEmpty()) {
    const QString form = QStringLiteral("Form");
    for (const SettingKey& k : texts::Form) {
      const QString key = QString::fromLatin1(k.key);
      switch (k.kind) {
        case SettingKind::Integer:
          ini.WriteInteger(form, key, k.number);
          break;
        case SettingKind::Boolean:
          ini.WriteBool(form, key, k.number != 0);
          break;
        case SettingKind::Text:
          ini.WriteString(form, key, QString::fromLatin1(k.text));
          break;
      }
    }
  }
  PutTranslation(ini, code);
  ini.UpdateFile();
}
