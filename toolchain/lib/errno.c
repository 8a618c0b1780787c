#include "c38hab.h"

/* Set only by strtol and strtoul; a program clears it itself before a call. Initialised, so
 * that it is an ordinary definition rather than a common symbol. */
int C38HAB_NAME(errno) = 0;
