# SPDX-License-Identifier: GPL-3.0-or-later
list(APPEND ZULRULES_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/EntrySyntax.cpp ${CMAKE_CURRENT_LIST_DIR}/EntrySyntax.h
  ${CMAKE_CURRENT_LIST_DIR}/PhoneBookCheck.cpp ${CMAKE_CURRENT_LIST_DIR}/PhoneBookCheck.h
  ${CMAKE_CURRENT_LIST_DIR}/SearchRules.cpp ${CMAKE_CURRENT_LIST_DIR}/SearchRules.h)
list(APPEND ZULUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/NameValueModel.cpp ${CMAKE_CURRENT_LIST_DIR}/NameValueModel.h
  ${CMAKE_CURRENT_LIST_DIR}/NameValueGrid.cpp ${CMAKE_CURRENT_LIST_DIR}/NameValueGrid.h
  ${CMAKE_CURRENT_LIST_DIR}/EntryCheck.cpp ${CMAKE_CURRENT_LIST_DIR}/SearchSort.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PhoneBookPaste.cpp)
