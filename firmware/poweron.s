; RAM $0000-$0FFF as the KERNAL and BASIC leave it once a C64 has started and shows READY:
; the zero-page and system-area state, BASIC's character fetch routine, the vectors
; $0300-$0333 and a cleared screen. Vectors name the documented entry addresses, which the
; built-in images and real ROM images both serve.
        .include "c64.inc"
        .include "layout.inc"

        .segment "IMAGE"
        .org $0000

        .byte $2F                       ; processor port direction
        .byte $37                       ; processor port: BASIC, I/O and KERNAL visible
        .byte 0
        .word BASIC_AYINT               ; float-to-integer and integer-to-float for USR
        .word BASIC_GIVAYF

        pad_to $16, 0
        .byte $19                       ; temporary string stack empty

        pad_to TXTTAB, 0                ; an empty BASIC program at $0801
        .word $0801                     ; TXTTAB
        .word $0803                     ; VARTAB
        .word $0803                     ; ARYTAB
        .word $0803                     ; STREND
        .word $A000                     ; FRETOP
        .word 0
        .word $A000                     ; MEMSIZ
        .word $FF00                     ; CURLIN: direct mode

        pad_to $54, 0
        .byte $4C                       ; JMP of BASIC's function dispatch

        pad_to CHRGET, 0
; CHRGET: advance the text pointer and fetch; CHRGOT: fetch again. Spaces are skipped; carry
; clear for a digit, Z set for ":" and the end of a line.
        inc TXTPTR
        bne chrgot
        inc TXTPTR+1
chrgot: lda $0800                       ; operand = TXTPTR
        cmp #':'
        bcs @done
        cmp #' '
        beq CHRGET
        sec
        sbc #'0'
        sec
        sbc #$D0
@done:  rts
        .assert chrgot = CHRGOT, error, "CHRGOT moved"
        .byte $80, $40, $00, $00, $00   ; RND seed (0.75)

        pad_to STKEY, 0
        .byte $FF                       ; STOP key not held
        pad_to DFLTO, 0
        .byte 3                         ; output to the screen
        pad_to MSGFLG, 0
        .byte $80                       ; direct-mode messages
        pad_to TAPE1, 0
        .word TBUFFR
        pad_to FA, 0
        .byte 8                         ; the program came from drive 8
        pad_to LSTX, 0
        .byte $40                       ; no key
        pad_to SFDX, 0
        .byte $40
        .byte 0                         ; BLNSW
        .byte $14                       ; BLNCT
        .byte ' '                       ; GDBLN
        pad_to PNT, 0
        .word SCREEN_RAM
        pad_to LNMX, 0
        .byte SCREEN_COLUMNS - 1
        pad_to LDTB1, 0                 ; every screen row is a line of its own
        .repeat SCREEN_ROWS, r
        .byte (>(SCREEN_RAM + r * SCREEN_COLUMNS)) | $80
        .endrepeat
        pad_to USER, 0
        .word COLOUR_RAM
        .word K_KEY_TABLE               ; KEYTAB

        pad_to MEMSTR, 0
        .word $0800                     ; MEMSTR
        .word $A000                     ; MEMHIGH
        .byte 0                         ; TIMOUT
        .byte $0E                       ; COLOR: light blue
        .byte $06                       ; GDCOL
        .byte >SCREEN_RAM               ; HIBASE
        .byte 10                        ; XMAX
        .byte 0                         ; RPTFLG
        .byte 4                         ; KOUNT
        .byte 0                         ; DELAY
        .byte 0, 0                      ; SHFLAG, last shift pattern
        .word K_KEY_TABLE_SEL           ; KEYLOG

        pad_to PALNTS, 0
        .byte 1                         ; PAL

        pad_to IERROR, 0
        .word BASIC_ERROR
        .word BASIC_MAIN
        .word BASIC_CRUNCH
        .word BASIC_QPLOP
        .word BASIC_GONE
        .word BASIC_EVAL
        .byte 0, 0, 0, 0                ; SYS register save area
        .byte $4C                       ; USR: JMP to "illegal quantity"
        .word BASIC_ILLEGAL_QUANTITY
        .byte 0
        kernal_vectors

        pad_to SCREEN_RAM, 0
        .res SCREEN_COLUMNS * SCREEN_ROWS, ' '
