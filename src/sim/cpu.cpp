#include "sim/cpu.h"
