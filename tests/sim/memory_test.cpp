#include "sim/memory.h"

#include <gtest/gtest.h>
