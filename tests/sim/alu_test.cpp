#include "sim/alu.h"

#include <gtest/gtest.h>
