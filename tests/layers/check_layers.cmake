# Fails when a source file includes what its layer may not reach:
#   core never includes gui, nor a Widgets or PrintSupport header (Qt's
#   include root lets <QtWidgets/QLabel> compile even without the module);
#   the table engine (core/store) knows nothing of the data module, i18n,
#   the dialogs or the search;
#   gui never includes app;
#   every quoted include is rooted at src (core/..., gui/..., app/...) or is
#   a generated form, so that no relative path slips across a layer.
# The class headers of Widgets and PrintSupport are read from the Qt the
# build uses, so that none is missed.
# Run as: cmake -DSOURCE_DIR=<src> "-DQT_WIDGET_DIRS=<QtWidgets dir>|<QtPrintSupport dir>"
#               "-DQT_GUI_DIRS=<QtGui dir>|<QtCore dir>" -P check_layers.cmake

string(REPLACE "|" ";" QT_WIDGET_DIRS "${QT_WIDGET_DIRS}")
string(REPLACE "|" ";" QT_GUI_DIRS "${QT_GUI_DIRS}")
set(widget_headers "")
foreach(dir IN LISTS QT_WIDGET_DIRS)
  file(GLOB names RELATIVE "${dir}" "${dir}/Q*")
  foreach(name IN LISTS names)
    # Class headers only (no extension), and none that Gui or Core also
    # offer under that name (QAction lives in Gui since Qt 6).
    set(elsewhere FALSE)
    foreach(gui IN LISTS QT_GUI_DIRS)
      if(EXISTS "${gui}/${name}")
        set(elsewhere TRUE)
      endif()
    endforeach()
    if(NOT name MATCHES "\\." AND NOT name MATCHES "^Qt" AND NOT elsewhere)
      list(APPEND widget_headers ${name})
    endif()
  endforeach()
endforeach()
list(LENGTH widget_headers known)
if(known LESS 100)
  message(FATAL_ERROR "Only ${known} Widgets and PrintSupport class headers found in '${QT_WIDGET_DIRS}'")
endif()
list(JOIN widget_headers "|" widget_alt)

set(rules
  # folder            forbidden include pattern                                  why
  "core|#include *[<\"](QtWidgets|QtPrintSupport)[/>\"]|a Widgets or PrintSupport module header"
  "core|#include *<(${widget_alt})>|a Widgets or PrintSupport class header"
  "core|#include *\"gui/|the gui library"
  "core|#include *\"app/|the program"
  "core/store|#include *\"core/(data|i18n|search|text)/|the data module, i18n, search or text rules"
  "core/store|#include *\"core/util/Dialogs\\.h\"|the dialogs"
  "gui|#include *\"app/|the program"
  "src|#include *\"[^\"]*\"|a path not rooted at src")
# The last rule's pattern catches every quoted include; these are the rooted ones.
set(rooted "#include *\"((core|gui|app)/[^\".]+[^\"]*|ui_[A-Za-z0-9]+\\.h)\"")

set(faults "")
foreach(rule IN LISTS rules)
  string(REPLACE "|" ";" parts "${rule}")
  list(GET parts 0 folder)
  list(LENGTH parts n)
  math(EXPR last "${n} - 1")
  list(GET parts ${last} why)
  list(REMOVE_AT parts 0 ${last})
  list(JOIN parts "|" pattern)
  set(root "${SOURCE_DIR}/${folder}")
  if(folder STREQUAL "src")
    set(root "${SOURCE_DIR}")
  endif()
  file(GLOB_RECURSE files "${root}/*.h" "${root}/*.cpp")
  foreach(f IN LISTS files)
    file(STRINGS "${f}" lines REGEX "${pattern}")
    foreach(line IN LISTS lines)
      if(folder STREQUAL "src" AND line MATCHES "${rooted}")
        continue()
      endif()
      file(RELATIVE_PATH rel "${SOURCE_DIR}" "${f}")
      string(APPEND faults "  ${rel}: ${line}   (${folder} may not include ${why})\n")
    endforeach()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Includes across the layers:\n${faults}")
endif()
message(STATUS "Layers: every include points downwards (${known} widget headers checked)")
