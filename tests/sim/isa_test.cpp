#include "sim/isa.h"

#include <gtest/gtest.h>
