// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The translations that ship with the program: settings-file text of the sections [Language],
// [Messages] and [Help], built into the program (and installed beside it for people to read).
// A first start takes the one of the system's language; --language puts one into the file.
#include <QByteArray>
#include <QString>
#include <QStringList>

class IniFile;
struct SettingsPlace;

struct ShippedTranslation {
  const char* code;  // as in a locale name and for --language
  const char* name;  // in English, for the console
};

inline constexpr ShippedTranslation ShippedTranslations[] = {
    {"cs", "Czech"}, {"sk", "Slovak"}, {"de", "German"}, {"pl", "Polish"}};

// "en" and the codes above, for --language.
QStringList LanguageCodes();

// The built-in file of a shipped translation; empty for any other code (English included).
QString TranslationFile(const QString& code);

// The shipped translation a locale name ("cs_CZ.UTF-8", "de_AT@euro", "pl") asks for; empty
// for every other one, "C" and "POSIX" included.
QString LanguageOfLocale(const QByteArray& localeName);

// The language a settings file's texts are in, as a code ("cs"): its Locale ("cs", "de_AT",
// any language) where that is set, otherwise the one its Language label names: "Eng" English,
// "Cz" Czech, and any label of two letters the language of that code ("Sk", "De", "Pl", "Hu").
// Empty where neither tells.
QString TextsLanguage(const QString& locale, const QString& label);

// The shipped translation of the user's language: on Windows the user's interface language,
// elsewhere the first of LC_ALL, LC_MESSAGES and LANG that is set. Empty: English.
QString SystemLanguage();

// Writes every key of [Language], [Messages] and [Help] with the translation's text (the
// built-in English where it has none; code "en" or empty: all English) into ini's copy in
// memory. A text the file's character set cannot hold throws EIniFileError "Unable to write
// to <path>. The text ..."; ini then holds a part of it and must not be put on disk.
void PutTranslation(IniFile& ini, const QString& code);

// --language: puts the translation into the settings file and writes it, keeping every other
// line ([Form], comments, other sections). A new file gets [Form] with its defaults first, so
// that its sections stand in the usual order. Throws EIniFileError and leaves the file as it
// was when the texts cannot be written.
void SwitchLanguage(const SettingsPlace& place, const QString& code);
