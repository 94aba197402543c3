#include <QAction>
#include <QImage>
#include "core/util/Exception.h"
