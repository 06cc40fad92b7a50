#include "tests/platform_x11/X11Harness.h"
