/* ctype.h - character classes of the "C" locale in ASCII (runtime library c38hab).
 * The argument is an unsigned char's value or EOF; EOF and 128 to 255 are in no class.
 * Functions only, no macros, so each costs a call but only what is used is linked. */
#ifndef _CTYPE_H
#define _CTYPE_H

int isalnum(int c);
int isalpha(int c);
int isblank(int c);
int iscntrl(int c);
int isdigit(int c);
int isgraph(int c);
int islower(int c);
int isprint(int c);
int ispunct(int c);
int isspace(int c);
int isupper(int c);
int isxdigit(int c);
int tolower(int c);
int toupper(int c);

#endif
