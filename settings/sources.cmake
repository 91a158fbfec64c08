# SPDX-License-Identifier: GPL-3.0-or-later
list(APPEND ZULRULES_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/IniFile.cpp ${CMAKE_CURRENT_LIST_DIR}/IniFile.h
  ${CMAKE_CURRENT_LIST_DIR}/SettingBindings.cpp ${CMAKE_CURRENT_LIST_DIR}/SettingBindings.h
  ${CMAKE_CURRENT_LIST_DIR}/SettingsLocation.cpp ${CMAKE_CURRENT_LIST_DIR}/SettingsLocation.h
  ${CMAKE_CURRENT_LIST_DIR}/MessageTexts.cpp ${CMAKE_CURRENT_LIST_DIR}/MessageTexts.h
  ${CMAKE_CURRENT_LIST_DIR}/PluralForms.cpp ${CMAKE_CURRENT_LIST_DIR}/PluralForms.h
  ${CMAKE_CURRENT_LIST_DIR}/Texts.h
  ${CMAKE_CURRENT_LIST_DIR}/Translations.cpp ${CMAKE_CURRENT_LIST_DIR}/Translations.h
  ${CMAKE_CURRENT_LIST_DIR}/WindowPlace.cpp ${CMAKE_CURRENT_LIST_DIR}/WindowPlace.h)
list(APPEND ZULUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/FormSettings.cpp ${CMAKE_CURRENT_LIST_DIR}/FormSettings.h)
