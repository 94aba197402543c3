#include "gui/b/Page.h"
#include "ui_Page.h"
#include <QLabel>
