/*
 * h8io.h - I/O registers of the board's H8/300H for C programs.
 *
 *   #include "h8io.h"
 *   PBDDR = 0xFF;      all of port B as outputs
 *   PBDR ^= 0x01;      toggle bit 0
 *
 * The data direction registers (..DDR) are write-only: reading one gives no defined value,
 * so keep a copy in a variable rather than changing single bits in place.
 */
#ifndef H8IO_H
#define H8IO_H

#define H8_REG8(address) (*(volatile unsigned char *)(address))

/* I/O ports: data direction (1 = output) and data registers */
#define P1DDR H8_REG8(0xFFFFC0)
#define P2DDR H8_REG8(0xFFFFC1)
#define P1DR H8_REG8(0xFFFFC2)
#define P2DR H8_REG8(0xFFFFC3)
#define P3DDR H8_REG8(0xFFFFC4)
#define P4DDR H8_REG8(0xFFFFC5)
#define P3DR H8_REG8(0xFFFFC6)
#define P4DR H8_REG8(0xFFFFC7)
#define P5DDR H8_REG8(0xFFFFC8)
#define P6DDR H8_REG8(0xFFFFC9)
#define P5DR H8_REG8(0xFFFFCA)
#define P6DR H8_REG8(0xFFFFCB)
#define P8DDR H8_REG8(0xFFFFCD)
#define P7DR H8_REG8(0xFFFFCE) /* port 7 is input only */
#define P8DR H8_REG8(0xFFFFCF)
#define P9DDR H8_REG8(0xFFFFD0)
#define PADDR H8_REG8(0xFFFFD1)
#define P9DR H8_REG8(0xFFFFD2)
#define PADR H8_REG8(0xFFFFD3)
#define PBDDR H8_REG8(0xFFFFD4)
#define PBDR H8_REG8(0xFFFFD6)

/* input pull-up control of ports 2, 4 and 5 (1 = pull-up on) */
#define P2PCR H8_REG8(0xFFFFD8)
#define P4PCR H8_REG8(0xFFFFDA)
#define P5PCR H8_REG8(0xFFFFDB)

/* serial channels 0 and 1 */
#define SCI0_SMR H8_REG8(0xFFFFB0)
#define SCI0_BRR H8_REG8(0xFFFFB1)
#define SCI0_SCR H8_REG8(0xFFFFB2)
#define SCI0_TDR H8_REG8(0xFFFFB3)
#define SCI0_SSR H8_REG8(0xFFFFB4)
#define SCI0_RDR H8_REG8(0xFFFFB5)
#define SCI1_SMR H8_REG8(0xFFFFB8)
#define SCI1_BRR H8_REG8(0xFFFFB9)
#define SCI1_SCR H8_REG8(0xFFFFBA)
#define SCI1_TDR H8_REG8(0xFFFFBB)
#define SCI1_SSR H8_REG8(0xFFFFBC)
#define SCI1_RDR H8_REG8(0xFFFFBD)

#endif
