#include "sim/memory.h"
