/*
 * ll.h - what the 64-bit integer helpers share.
 *
 * gcc -mh does 64-bit moves, adds, subtracts, logic, comparisons and constant shifts inline
 * and calls the helpers for multiply, divide, negate and variable shifts. So the helpers use
 * only the inline operations and 16 x 16-bit multiplies (mulxu.w): a long long divide in
 * __udivdi3 would call __udivdi3. Code size matters more than speed here, because a program
 * loaded into RAM has some 4 KB for everything: the divide loop exists once, in
 * __c38hab_udivmod64, and the signed helpers reuse __negdi2.
 * A DImode argument or result travels as a whole (first argument in er0:er1, second on the
 * stack, result in er0:er1); shift counts and comparison results are 32-bit words.
 */
#ifndef LL_H
#define LL_H

#include "c38hab.h"

typedef long long ll_s64;
typedef unsigned long long ll_u64;
typedef c38_s32 ll_word;

ll_s64 C38HAB_NAME(__muldi3)(ll_s64 a, ll_s64 b);
ll_s64 C38HAB_NAME(__divdi3)(ll_s64 a, ll_s64 b);
ll_s64 C38HAB_NAME(__moddi3)(ll_s64 a, ll_s64 b);
ll_u64 C38HAB_NAME(__udivdi3)(ll_u64 a, ll_u64 b);
ll_u64 C38HAB_NAME(__umoddi3)(ll_u64 a, ll_u64 b);
ll_s64 C38HAB_NAME(__ashldi3)(ll_s64 a, ll_word n);
ll_s64 C38HAB_NAME(__ashrdi3)(ll_s64 a, ll_word n);
ll_u64 C38HAB_NAME(__lshrdi3)(ll_u64 a, ll_word n);
ll_s64 C38HAB_NAME(__negdi2)(ll_s64 a);
ll_word C38HAB_NAME(__cmpdi2)(ll_s64 a, ll_s64 b);
ll_u64 C38HAB_NAME(__c38hab_udivmod64)(ll_u64 n, ll_u64 d, ll_u64 *rem);

/* The magnitude of a signed value; that of the most negative one is its own bit pattern
 * read as unsigned. */
static inline ll_u64 ll_magnitude(ll_s64 v)
{
    return v < 0 ? (ll_u64)C38HAB_NAME(__negdi2)(v) : (ll_u64)v;
}

#endif
