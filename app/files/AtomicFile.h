// The one atomic writer and bounded reader lives in common (the colour
// writers below this layer use it too); this name keeps working.
#pragma once

#include "common/AtomicFile.h"
