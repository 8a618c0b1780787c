#include "ll.h"

/* 0, 1 or 2 as a is below, equal to or above b. */
ll_word C38HAB_NAME(__cmpdi2)(ll_s64 a, ll_s64 b)
{
    return a < b ? 0 : a == b ? 1 : 2;
}
