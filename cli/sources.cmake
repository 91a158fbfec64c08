# SPDX-License-Identifier: GPL-3.0-or-later
list(APPEND ZULCLI_SOURCES ${CMAKE_CURRENT_LIST_DIR}/CliSession.cpp ${CMAKE_CURRENT_LIST_DIR}/CliSession.h
     ${CMAKE_CURRENT_LIST_DIR}/LinkListener.cpp ${CMAKE_CURRENT_LIST_DIR}/LinkListener.h
     ${CMAKE_CURRENT_LIST_DIR}/DatabaseDelivery.cpp ${CMAKE_CURRENT_LIST_DIR}/DatabaseDelivery.h)
