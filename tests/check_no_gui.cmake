# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when the link core or the command line reaches Qt Widgets or Qt Gui: in what CMake links
# them to (LINKS, the targets and libraries they link, transitively), in the libraries the
# program needs at run time (readelf's NEEDED of PROGRAM), or in the symbols the core's static
# libraries take from elsewhere (LIBRARIES).
# Lists come separated by "|".
string(REPLACE "|" ";" LINKS "${LINKS}")
string(REPLACE "|" ";" LIBRARIES "${LIBRARIES}")
set(gui "Qt6?::(Gui|Widgets)|Qt6?(Gui|Widgets)")
foreach(link IN LISTS LINKS)
  if(link MATCHES "${gui}")
    message(FATAL_ERROR "links ${link}: ${LINKS}")
  endif()
endforeach()

execute_process(COMMAND readelf -d "${PROGRAM}" OUTPUT_VARIABLE dynamic RESULT_VARIABLE failed)
if(failed OR NOT dynamic MATCHES "NEEDED.*libQt6Core")
  message(FATAL_ERROR "cannot read the libraries ${PROGRAM} needs:\n${dynamic}")
endif()
if(dynamic MATCHES "NEEDED[^\n]*libQt6(Gui|Widgets)[^\n]*")
  message(FATAL_ERROR "${PROGRAM} needs ${CMAKE_MATCH_0}")
endif()

foreach(library IN LISTS LIBRARIES)
  execute_process(COMMAND nm -C --undefined-only "${library}" OUTPUT_VARIABLE symbols
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot read the symbols of ${library}")
  endif()
  if(symbols MATCHES "[^\n]*(QWidget|QGuiApplication|QApplication|QColor|QPixmap|QImage|QFont|QPalette|QPainter)::[^\n]*")
    message(FATAL_ERROR "${library} uses ${CMAKE_MATCH_0}")
  endif()
endforeach()
message(STATUS "no Qt Widgets or Qt Gui: ${LINKS}")
