# Fails when a source file includes what its layer may not reach:
#   core never includes gui, nor a Widgets or PrintSupport header (Qt's
#   include root lets <QtWidgets/QLabel> compile even without the module);
#   the table engine (core/store) knows nothing of the data module, i18n,
#   the dialogs or the search;
#   gui never includes app.
# Run as: cmake -DSOURCE_DIR=<src> -P check_layers.cmake

set(widget_headers
  QAbstractButton QAbstractItemView QAbstractScrollArea QAbstractSlider QAbstractSpinBox QAction
  QActionGroup QApplication QBoxLayout QButtonGroup QCalendarWidget QCheckBox QColorDialog
  QComboBox QCompleter QDateEdit QDateTimeEdit QDesktopWidget QDial QDialog QDialogButtonBox
  QDockWidget QFileDialog QFocusFrame QFontComboBox QFontDialog QFormLayout QFrame QGraphicsView
  QGridLayout QGroupBox QHBoxLayout QHeaderView QInputDialog QItemDelegate QLabel QLayout
  QLineEdit QListView QListWidget QMainWindow QMdiArea QMenu QMenuBar QMessageBox QPlainTextEdit
  QProgressBar QProgressDialog QPushButton QRadioButton QScrollArea QScrollBar QSizePolicy
  QSlider QSpinBox QSplashScreen QSplitter QStackedLayout QStackedWidget QStatusBar QStyle
  QStyleOption QStyledItemDelegate QSystemTrayIcon QTabBar QTabWidget QTableView QTableWidget
  QTextBrowser QTextEdit QToolBar QToolButton QToolTip QTreeView QTreeWidget QVBoxLayout
  QWhatsThis QWidget QWidgetAction QWizard QPrinter QPrintDialog QPrintPreviewDialog
  QPrintPreviewWidget QPageSetupDialog QPrinterInfo)
list(JOIN widget_headers "|" widget_alt)

set(rules
  # folder            forbidden include pattern                                  why
  "core|#include *[<\"](QtWidgets|QtPrintSupport)[/>\"]|a Widgets or PrintSupport module header"
  "core|#include *<(${widget_alt})>|a Widgets or PrintSupport class header"
  "core|#include *\"gui/|the gui library"
  "core|#include *\"app/|the program"
  "core/store|#include *\"core/(data|i18n|search|text)/|the data module, i18n, search or text rules"
  "core/store|#include *\"core/util/Dialogs\\.h\"|the dialogs"
  "gui|#include *\"app/|the program")

set(faults "")
foreach(rule IN LISTS rules)
  string(REPLACE "|" ";" parts "${rule}")
  list(GET parts 0 folder)
  list(LENGTH parts n)
  math(EXPR last "${n} - 1")
  list(GET parts ${last} why)
  list(REMOVE_AT parts 0 ${last})
  list(JOIN parts "|" pattern)
  file(GLOB_RECURSE files "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(f IN LISTS files)
    file(STRINGS "${f}" lines REGEX "${pattern}")
    foreach(line IN LISTS lines)
      file(RELATIVE_PATH rel "${SOURCE_DIR}" "${f}")
      string(APPEND faults "  ${rel}: ${line}   (${folder} may not include ${why})\n")
    endforeach()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Includes across the layers:\n${faults}")
endif()
message(STATUS "Layers: every include points downwards")
