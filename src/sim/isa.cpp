#include "sim/isa.h"
