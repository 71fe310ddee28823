/* The shared library is the static implementation linked whole; this unit only gives
   the target a source of its own. */
#include "gx.h"
