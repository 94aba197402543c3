#include "core/data/DM.h"
