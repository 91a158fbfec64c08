# SPDX-License-Identifier: GPL-3.0-or-later
list(APPEND ZULRULES_SOURCES ${CMAKE_CURRENT_LIST_DIR}/AdmissionRecord.cpp
     ${CMAKE_CURRENT_LIST_DIR}/AdmissionRecord.h)
list(APPEND ZULCORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/AdmissionLog.cpp)
list(APPEND ZULRULES_SOURCES ${CMAKE_CURRENT_LIST_DIR}/AdmissionSink.cpp
     ${CMAKE_CURRENT_LIST_DIR}/AdmissionSink.h ${CMAKE_CURRENT_LIST_DIR}/DailyRecords.cpp
     ${CMAKE_CURRENT_LIST_DIR}/DailyRecords.h)
# The logger's feed of a database: POSIX file syncing, for zulset-cli only.
list(APPEND ZULCLI_SOURCES ${CMAKE_CURRENT_LIST_DIR}/AdmissionFeed.cpp
     ${CMAKE_CURRENT_LIST_DIR}/AdmissionFeed.h)
