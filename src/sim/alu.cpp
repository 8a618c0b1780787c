#include "sim/alu.h"
