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
#define H8_REG16(address) (*(volatile unsigned short *)(address))

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

/* 16-bit timer unit: shared registers */
#define TSTR H8_REG8(0xFFFF60)
#define TSNC H8_REG8(0xFFFF61)
#define TMDR H8_REG8(0xFFFF62)
#define TFCR H8_REG8(0xFFFF63)
#define TOER H8_REG8(0xFFFF90)
#define TOCR H8_REG8(0xFFFF91)
/* timer channel 0 */
#define TCR0 H8_REG8(0xFFFF64)
#define TIOR0 H8_REG8(0xFFFF65)
#define TIER0 H8_REG8(0xFFFF66)
#define TSR0 H8_REG8(0xFFFF67)
#define TCNT0 H8_REG16(0xFFFF68)
#define GRA0 H8_REG16(0xFFFF6A)
#define GRB0 H8_REG16(0xFFFF6C)
/* timer channel 1 */
#define TCR1 H8_REG8(0xFFFF6E)
#define TIOR1 H8_REG8(0xFFFF6F)
#define TIER1 H8_REG8(0xFFFF70)
#define TSR1 H8_REG8(0xFFFF71)
#define TCNT1 H8_REG16(0xFFFF72)
#define GRA1 H8_REG16(0xFFFF74)
#define GRB1 H8_REG16(0xFFFF76)
/* timer channel 2 */
#define TCR2 H8_REG8(0xFFFF78)
#define TIOR2 H8_REG8(0xFFFF79)
#define TIER2 H8_REG8(0xFFFF7A)
#define TSR2 H8_REG8(0xFFFF7B)
#define TCNT2 H8_REG16(0xFFFF7C)
#define GRA2 H8_REG16(0xFFFF7E)
#define GRB2 H8_REG16(0xFFFF80)
/* timer channel 3: BRA/BRB buffer GRA/GRB */
#define TCR3 H8_REG8(0xFFFF82)
#define TIOR3 H8_REG8(0xFFFF83)
#define TIER3 H8_REG8(0xFFFF84)
#define TSR3 H8_REG8(0xFFFF85)
#define TCNT3 H8_REG16(0xFFFF86)
#define GRA3 H8_REG16(0xFFFF88)
#define GRB3 H8_REG16(0xFFFF8A)
#define BRA3 H8_REG16(0xFFFF8C)
#define BRB3 H8_REG16(0xFFFF8E)
/* timer channel 4: BRA/BRB buffer GRA/GRB */
#define TCR4 H8_REG8(0xFFFF92)
#define TIOR4 H8_REG8(0xFFFF93)
#define TIER4 H8_REG8(0xFFFF94)
#define TSR4 H8_REG8(0xFFFF95)
#define TCNT4 H8_REG16(0xFFFF96)
#define GRA4 H8_REG16(0xFFFF98)
#define GRB4 H8_REG16(0xFFFF9A)
#define BRA4 H8_REG16(0xFFFF9C)
#define BRB4 H8_REG16(0xFFFF9E)

/* system control; with UE = 0, CCR.I masks priority level 0 only and I with UI all */
#define SYSCR H8_REG8(0xFFFFF2)

/* interrupt controller: IRQ sense, enable and flags; priority (1 = level 1) */
#define ISCR H8_REG8(0xFFFFF4)
#define IER H8_REG8(0xFFFFF5)
#define ISR H8_REG8(0xFFFFF6)
#define IPRA H8_REG8(0xFFFFF8)
#define IPRB H8_REG8(0xFFFFF9)

#endif
