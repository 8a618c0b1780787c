#include "sim/cpu.h"

#include <gtest/gtest.h>
