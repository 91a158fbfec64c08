# SPDX-License-Identifier: GPL-3.0-or-later
list(APPEND ZULUI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/Application.cpp ${CMAKE_CURRENT_LIST_DIR}/Application.h
  ${CMAKE_CURRENT_LIST_DIR}/BusyState.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Closing.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CommandLine.cpp ${CMAKE_CURRENT_LIST_DIR}/CommandLine.h
  ${CMAKE_CURRENT_LIST_DIR}/DeferredDialogs.cpp ${CMAKE_CURRENT_LIST_DIR}/DeferredDialogs.h
  ${CMAKE_CURRENT_LIST_DIR}/Form1.cpp ${CMAKE_CURRENT_LIST_DIR}/Form1.h
  ${CMAKE_CURRENT_LIST_DIR}/JpegImage.cpp ${CMAKE_CURRENT_LIST_DIR}/JpegImage.h
  ${CMAKE_CURRENT_LIST_DIR}/Layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ShutdownSignals.cpp ${CMAKE_CURRENT_LIST_DIR}/ShutdownSignals.h
  ${CMAKE_CURRENT_LIST_DIR}/WidgetAccessibility.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Widgets.cpp ${CMAKE_CURRENT_LIST_DIR}/Widgets.h
  ${CMAKE_CURRENT_LIST_DIR}/WindowFace.cpp)
list(APPEND ZULUI_SOURCES ${CMAKE_CURRENT_LIST_DIR}/MonitorView.cpp ${CMAKE_CURRENT_LIST_DIR}/MonitorView.h)
