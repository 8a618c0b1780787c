/*
 * h8io.h - I/O registers of the board's H8/300H for C programs.
 *
 *   #include "h8io.h"
 *   PBDDR = 0xFF;      all of port B as outputs
 *   PBDR ^= 0x01;      toggle bit 0
 *   TSR0 &= ~TSR_IMFA; clear a timer flag after reading it set
 *
 * The data direction registers (..DDR) are write-only: reading one gives no defined value,
 * so keep a copy in a variable rather than changing single bits in place.
 * Bit names (REGISTER_BIT) are masks, the same values as in h8io.inc. Addresses are those of
 * the H8/3048 series in advanced mode.
 */
#ifndef H8IO_H
#define H8IO_H

#define H8_REG8(address) (*(volatile unsigned char *)(address))
#define H8_REG16(address) (*(volatile unsigned short *)(address))
#define H8_REG32(address) (*(volatile unsigned long *)(address))

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

/* smart card mode registers: SMIF = 1 makes the channel a smart card interface */
#define SCI0_SCMR H8_REG8(0xFFFFB6)
#define SCI1_SCMR H8_REG8(0xFFFFBE)

/* serial channel bits, the same in both channels */
#define SMR_CA 0x80
#define SMR_CHR 0x40
#define SMR_PE 0x20
#define SMR_OE 0x10
#define SMR_STOP 0x08
#define SMR_MP 0x04
#define SMR_CKS1 0x02
#define SMR_CKS0 0x01
#define SCR_TIE 0x80
#define SCR_RIE 0x40
#define SCR_TE 0x20
#define SCR_RE 0x10
#define SCR_MPIE 0x08
#define SCR_TEIE 0x04
#define SCR_CKE1 0x02
#define SCR_CKE0 0x01
#define SSR_TDRE 0x80
#define SSR_RDRF 0x40
#define SSR_ORER 0x20
#define SSR_FER 0x10
#define SSR_PER 0x08
#define SSR_TEND 0x04
#define SSR_MPB 0x02
#define SSR_MPBT 0x01
#define SCMR_SDIR 0x08
#define SCMR_SINV 0x04
#define SCMR_SMIF 0x01

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

/* timer bits: TSTR starts channels; TCRn, TIERn and TSRn bits are the same in every channel */
#define TSTR_STR4 0x10
#define TSTR_STR3 0x08
#define TSTR_STR2 0x04
#define TSTR_STR1 0x02
#define TSTR_STR0 0x01
#define TCR_CCLR1 0x40
#define TCR_CCLR0 0x20
#define TCR_CKEG1 0x10
#define TCR_CKEG0 0x08
#define TCR_TPSC2 0x04
#define TCR_TPSC1 0x02
#define TCR_TPSC0 0x01
#define TIER_OVIE 0x04
#define TIER_IMIEB 0x02
#define TIER_IMIEA 0x01
#define TSR_OVF 0x04 /* TSRn flags clear by writing 0 after reading 1 */
#define TSR_IMFB 0x02
#define TSR_IMFA 0x01

/* programmable timing pattern controller. When the two groups of a port take different
   triggers, NDRB and NDRA hold only their upper halves and the lower halves (groups 2
   and 0) are written at NDRB_G2 and NDRA_G0. */
#define TPMR H8_REG8(0xFFFFA0)
#define TPCR H8_REG8(0xFFFFA1)
#define NDERB H8_REG8(0xFFFFA2)
#define NDERA H8_REG8(0xFFFFA3)
#define NDRB H8_REG8(0xFFFFA4)
#define NDRA H8_REG8(0xFFFFA5)
#define NDRB_G2 H8_REG8(0xFFFFA6)
#define NDRA_G0 H8_REG8(0xFFFFA7)

/* watchdog timer. Reads are bytes at the addresses below; a write must be one word to
   WDT_TCSRW: 0xA500 | value writes TCSR, 0x5A00 | value writes TCNT. RSTCSR likewise:
   a word to WDT_RSTCSRW, 0xA500 (clears WRST) or 0x5A00 | RSTOE. */
#define WDT_TCSR H8_REG8(0xFFFFA8)
#define WDT_TCNT H8_REG8(0xFFFFA9)
#define WDT_RSTCSR H8_REG8(0xFFFFAB)
#define WDT_TCSRW H8_REG16(0xFFFFA8)
#define WDT_RSTCSRW H8_REG16(0xFFFFAA)
#define WDT_TCSR_KEY 0xA500
#define WDT_TCNT_KEY 0x5A00
#define WDT_TCSR_OVF 0x80
#define WDT_TCSR_WTIT 0x40
#define WDT_TCSR_TME 0x20
#define WDT_TCSR_CKS2 0x04
#define WDT_TCSR_CKS1 0x02
#define WDT_TCSR_CKS0 0x01
#define WDT_RSTCSR_WRST 0x80
#define WDT_RSTCSR_RSTOE 0x40

/* refresh controller (RTCNT counts, RTCOR is its compare value) */
#define RFSHCR H8_REG8(0xFFFFAC)
#define RTMCSR H8_REG8(0xFFFFAD)
#define RTCNT H8_REG8(0xFFFFAE)
#define RTCOR H8_REG8(0xFFFFAF)

/* DMA controller: MARn is 24 bits in a long, ETCRn a word; channels 0A, 0B, 1A, 1B */
#define MAR0A H8_REG32(0xFFFF20)
#define ETCR0A H8_REG16(0xFFFF24)
#define IOAR0A H8_REG8(0xFFFF26)
#define DTCR0A H8_REG8(0xFFFF27)
#define MAR0B H8_REG32(0xFFFF28)
#define ETCR0B H8_REG16(0xFFFF2C)
#define IOAR0B H8_REG8(0xFFFF2E)
#define DTCR0B H8_REG8(0xFFFF2F)
#define MAR1A H8_REG32(0xFFFF30)
#define ETCR1A H8_REG16(0xFFFF34)
#define IOAR1A H8_REG8(0xFFFF36)
#define DTCR1A H8_REG8(0xFFFF37)
#define MAR1B H8_REG32(0xFFFF38)
#define ETCR1B H8_REG16(0xFFFF3C)
#define IOAR1B H8_REG8(0xFFFF3E)
#define DTCR1B H8_REG8(0xFFFF3F)

/* A/D converter: ADDRx hold the result in bits 15-6 */
#define ADDRA H8_REG16(0xFFFFE0)
#define ADDRB H8_REG16(0xFFFFE2)
#define ADDRC H8_REG16(0xFFFFE4)
#define ADDRD H8_REG16(0xFFFFE6)
#define ADCSR H8_REG8(0xFFFFE8)
#define ADCR H8_REG8(0xFFFFE9)
#define ADCSR_ADF 0x80
#define ADCSR_ADIE 0x40
#define ADCSR_ADST 0x20
#define ADCSR_SCAN 0x10
#define ADCSR_CKS 0x08
#define ADCSR_CH2 0x04
#define ADCSR_CH1 0x02
#define ADCSR_CH0 0x01
#define ADCR_TRGE 0x80

/* D/A converter */
#define DADR0 H8_REG8(0xFFFFDC)
#define DADR1 H8_REG8(0xFFFFDD)
#define DACR H8_REG8(0xFFFFDE)
#define DACR_DAOE1 0x80
#define DACR_DAOE0 0x40
#define DACR_DAE 0x20

/* flash memory control: only the flash versions of the chip (H8/3048F) have these */
#define FLMCR H8_REG8(0xFFFF40)
#define EBR1 H8_REG8(0xFFFF42)
#define EBR2 H8_REG8(0xFFFF43)

/* bus controller: area bus width, access states, wait control, chip selects, bus release */
#define CSCR H8_REG8(0xFFFF5F)
#define ABWCR H8_REG8(0xFFFFEC)
#define ASTCR H8_REG8(0xFFFFED)
#define WCR H8_REG8(0xFFFFEE)
#define WCER H8_REG8(0xFFFFEF)
#define BRCR H8_REG8(0xFFFFF3)

/* system control; with UE = 0, CCR.I masks priority level 0 only and I with UI all */
#define MDCR H8_REG8(0xFFFFF1) /* MDS2-0: the mode pins at reset */
#define SYSCR H8_REG8(0xFFFFF2)
#define SYSCR_SSBY 0x80
#define SYSCR_STS2 0x40
#define SYSCR_STS1 0x20
#define SYSCR_STS0 0x10
#define SYSCR_UE 0x08
#define SYSCR_NMIEG 0x04
#define SYSCR_RAME 0x01

/* interrupt controller: IRQ sense, enable and flags; priority (1 = level 1) */
#define ISCR H8_REG8(0xFFFFF4)
#define IER H8_REG8(0xFFFFF5)
#define ISR H8_REG8(0xFFFFF6)
#define IPRA H8_REG8(0xFFFFF8)
#define IPRB H8_REG8(0xFFFFF9)

/* ISCR: 1 = falling edge, 0 = low level; IER: enable; ISR: request flags */
#define ISCR_IRQ5SC 0x20
#define ISCR_IRQ4SC 0x10
#define ISCR_IRQ3SC 0x08
#define ISCR_IRQ2SC 0x04
#define ISCR_IRQ1SC 0x02
#define ISCR_IRQ0SC 0x01
#define IER_IRQ5E 0x20
#define IER_IRQ4E 0x10
#define IER_IRQ3E 0x08
#define IER_IRQ2E 0x04
#define IER_IRQ1E 0x02
#define IER_IRQ0E 0x01
#define ISR_IRQ5F 0x20
#define ISR_IRQ4F 0x10
#define ISR_IRQ3F 0x08
#define ISR_IRQ2F 0x04
#define ISR_IRQ1F 0x02
#define ISR_IRQ0F 0x01

/* IPRA and IPRB: the sources each bit raises to priority level 1 */
#define IPRA_IRQ0 0x80
#define IPRA_IRQ1 0x40
#define IPRA_IRQ23 0x20
#define IPRA_IRQ45 0x10
#define IPRA_WDT 0x08
#define IPRA_ITU0 0x04
#define IPRA_ITU1 0x02
#define IPRA_ITU2 0x01
#define IPRB_ITU3 0x80
#define IPRB_ITU4 0x40
#define IPRB_DMAC 0x20
#define IPRB_SCI0 0x08
#define IPRB_SCI1 0x04
#define IPRB_AD 0x02

#endif
