#include "net/InetThread.h"

#include <gtest/gtest.h>
