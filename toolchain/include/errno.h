/* errno.h - only strtol and strtoul set errno, to ERANGE (runtime library c38hab). */
#ifndef _ERRNO_H
#define _ERRNO_H

extern int errno;

#define EDOM 33
#define ERANGE 34

#endif
