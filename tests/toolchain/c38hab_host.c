/* The runtime library built for the host under names of its own. */
#define C38HAB_NAME(name) host##name
#include "divsi3.c"
#include "mem.c"
#include "mulsi3.c"
