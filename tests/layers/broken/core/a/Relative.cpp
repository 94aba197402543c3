#include "../../gui/b/Page.h"
