# SPDX-License-Identifier: GPL-3.0-or-later
list(APPEND ZULUNIT_SOURCES ${CMAKE_CURRENT_LIST_DIR}/UnitEngine.cpp ${CMAKE_CURRENT_LIST_DIR}/UnitEngine.h)
