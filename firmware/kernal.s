; The KERNAL ROM slot's built-in image ($E000-$FFFF), written for this player.
;
; Music code jumps into the KERNAL at its documented addresses: the interrupt entries and exits,
; the jump table at $FF81-$FFF3 and a handful of routines behind it. Those addresses hold working
; code here; every other address answers a call with a plain return (see `at` in layout.inc).
; There are no peripherals behind this KERNAL: the screen works, the keyboard is scanned, and
; the serial bus, tape and file calls return without a device.
        .include "c64.inc"
        .include "layout.inc"

BLINK_JIFFIES   = 20                    ; interrupts between two cursor blinks

        .segment "IMAGE"
        .org $E000

; ---------------------------------------------------------------------------------------------
; $E000-$E4FC: in a C64 this is BASIC's continuation (arithmetic, SYS, LOAD and SAVE commands,
; the cold and warm starts). Whoever calls it needs BASIC, so every entry slides into a trap.
        pad_to KERNAL_BASIC_TRAP, $EA   ; NOP
basic_trap:
        jmp basic_trap

; ---------------------------------------------------------------------------------------------
; Screen editor
        at K_IOBASE_IMPL
        ldx #<CIA1_PRA
        ldy #>CIA1_PRA
        rts

        at K_SCREEN_IMPL
        ldx #SCREEN_COLUMNS
        ldy #SCREEN_ROWS
        rts

        at K_PLOT_IMPL                  ; carry set: read the cursor, clear: move it (X row, Y column)
        bcs @read
        stx TBLX
        sty PNTR
        jsr K_SET_LINE
@read:  ldx TBLX
        ldy PNTR
        rts

        at K_EDITOR_INIT
        jsr K_VIC_INIT
        jsr editor_vars
        jmp K_CLEAR_SCREEN

        at K_CLEAR_SCREEN
        ldx #SCREEN_ROWS - 1
@row:   lda line_page,x                 ; every row is a line of its own
        ora HIBASE
        ora #$80
        sta LDTB1,x
        jsr K_CLEAR_LINE
        dex
        bpl @row
        jmp K_HOME

        at K_HOME
        lda #0
        sta TBLX
        sta PNTR
        ; falls through: K_SET_LINE follows at once

        at K_SET_LINE                   ; screen and colour pointers of the cursor's row
        ldx TBLX
set_line_x:                             ; the same for row X; keeps X
        lda line_low,x
        sta PNT
        sta USER
        lda line_page,x
        ora HIBASE
        sta PNT+1
        lda line_page,x
        ora #>COLOUR_RAM
        sta USER+1
        rts

        at K_VIC_INIT
        ldx #vic_defaults_values - vic_defaults_registers - 1
@next:  ldy vic_defaults_registers,x
        lda vic_defaults_values,x
        sta VIC,y
        dex
        bpl @next
        rts

; Text screen with the upper-case character set, border light blue on blue, no sprites.
vic_defaults_registers:
        .byte $11, $15, $16, $18, $20, $21
vic_defaults_values:
        .byte $1B, $00, $C8, $14, $0E, $06

editor_vars:
        lda #3                          ; output to the screen, input from the keyboard
        sta DFLTO
        lda #0
        sta DFLTN
        sta NDX
        sta RVS
        sta QTSW
        sta RPTFLG
        sta SHFLAG
        lda #$40                        ; no key held
        sta LSTX
        sta SFDX
        lda #SCREEN_COLUMNS - 1
        sta LNMX
        lda #10
        sta XMAX
        lda #4
        sta KOUNT
        lda #$0E                        ; light blue text
        sta COLOR
        lda #<K_KEY_TABLE_SEL
        sta KEYLOG
        lda #>K_KEY_TABLE_SEL
        sta KEYLOG+1
        jmp K_KEY_TABLE_SEL

line_low:
        .repeat SCREEN_ROWS, r
        .byte <(r * SCREEN_COLUMNS)
        .endrepeat
line_page:
        .repeat SCREEN_ROWS, r
        .byte >(r * SCREEN_COLUMNS)
        .endrepeat

; ---------------------------------------------------------------------------------------------
; Printing on the screen: CHROUT to device 3. Keeps A, X and Y; returns carry clear.
        at K_PRINT_SCREEN
        pha
        txa
        pha
        tya
        pha
        tsx
        lda STACK+3,x
        jsr put_char
        pla
        tay
        pla
        tax
        pla
        clc
        rts

put_char:
        ldx #control_codes_end - control_codes - 1
@control:
        cmp control_codes,x
        beq @dispatch
        dex
        bpl @control
        ldx #15
@colour:
        cmp colour_codes,x
        beq @set_colour
        dex
        bpl @colour
        jsr petscii_to_screen
        bcs @done
        ldx RVS
        beq :+
        ora #$80
:       ldy PNTR
        sta (PNT),y
        lda COLOR
        sta (USER),y
        iny
        sty PNTR
        cpy #SCREEN_COLUMNS
        bcc @done
        lda #0                          ; past the last column: continue on the next row
        sta PNTR
        jmp cursor_down
@set_colour:
        stx COLOR
@done:  rts
@dispatch:                              ; RTS into the handler
        txa
        asl a
        tax
        lda control_handlers+1,x
        pha
        lda control_handlers,x
        pha
        rts

; Screen code of a printable PETSCII character, carry set for a control code.
petscii_to_screen:
        cmp #$20
        bcc @none
        cmp #$40
        bcc @done                       ; $20-$3F: digits and punctuation as they are
        cmp #$60
        bcs :+
        and #$3F                        ; $40-$5F
        bcc @done
:       cmp #$80
        bcs :+
        and #$5F                        ; $60-$7F
        bcc @done
:       cmp #$A0
        bcc @none                       ; $80-$9F: control codes
        cmp #$C0
        bcs :+
        eor #$C0                        ; $A0-$BF
        clc
        rts
:       cmp #$FF
        beq @pi
        and #$7F                        ; $C0-$FE
@done:  clc
        rts
@pi:    lda #$5E
        clc
        rts
@none:  sec
        rts

new_line:
        lda #0
        sta PNTR
        sta RVS
        sta QTSW
cursor_down:
        ldx TBLX
        inx
        cpx #SCREEN_ROWS
        bcc :+
        jsr K_SCROLL
        ldx #SCREEN_ROWS - 1
:       stx TBLX
        jmp K_SET_LINE

cursor_up:
        ldx TBLX
        beq :+
        dex
        stx TBLX
        jmp K_SET_LINE
:       rts

cursor_right:
        ldy PNTR
        iny
        cpy #SCREEN_COLUMNS
        bcc :+
        ldy #0
        sty PNTR
        jmp cursor_down
:       sty PNTR
        rts

cursor_left:
        ldy PNTR
        beq :+
        dey
        sty PNTR
        rts
:       ldx TBLX
        beq :+
        lda #SCREEN_COLUMNS - 1
        sta PNTR
        jmp cursor_up
:       rts

delete_left:
        jsr cursor_left
        ldy PNTR
        lda #' '
        sta (PNT),y
        rts

reverse_on:
        lda #1
        sta RVS
        rts

reverse_off:
        lda #0
        sta RVS
        rts

lower_case:
        lda VIC_MEMORY
        ora #$02
        sta VIC_MEMORY
        rts

upper_case:
        lda VIC_MEMORY
        and #$FD
        sta VIC_MEMORY
        rts

clear_screen:
        jmp K_CLEAR_SCREEN

home:
        jmp K_HOME

control_codes:
        .byte $0D, $8D, $93, $13, $11, $91, $1D, $9D, $12, $92, $14, $0E, $8E
control_codes_end:
control_handlers:                       ; each less one, for the RTS
        .word new_line - 1, new_line - 1, clear_screen - 1, home - 1, cursor_down - 1
        .word cursor_up - 1, cursor_right - 1, cursor_left - 1, reverse_on - 1, reverse_off - 1
        .word delete_left - 1, lower_case - 1, upper_case - 1

; PETSCII codes that select the text colours 0-15.
colour_codes:
        .byte $90, $05, $1C, $9F, $9C, $1E, $1F, $9E, $81, $95, $96, $97, $98, $99, $9A, $9B

; ---------------------------------------------------------------------------------------------
        at K_SCROLL                     ; moves rows 1-24 up one row and clears the last one
        ldx #0
@row:   jsr set_line_x
        inx
        jsr screen_line_to_sal
        ldy #SCREEN_COLUMNS - 1
@text:  lda (SAL),y
        sta (PNT),y
        dey
        bpl @text
        jsr colour_line_to_sal
        ldy #SCREEN_COLUMNS - 1
@colour:
        lda (SAL),y
        sta (USER),y
        dey
        bpl @colour
        cpx #SCREEN_ROWS - 1
        bcc @row
        jsr K_CLEAR_LINE
        jmp K_SET_LINE

        at K_CLEAR_LINE                 ; blanks row X in the current colour; keeps X
        jsr screen_line_to_sal
        lda #' '
        jsr fill_line
        jsr colour_line_to_sal
        lda COLOR
fill_line:
        ldy #SCREEN_COLUMNS - 1
:       sta (SAL),y
        dey
        bpl :-
        rts

; ---------------------------------------------------------------------------------------------
; The system interrupt: the jiffy clock and the STOP key, the cursor blink count, the keyboard,
; then the CIA 1 acknowledge and the register restore that interrupt handlers of music code jump
; to ($EA31, $EA7E, $EA81). With no key held it is as short as a C64's, so a tune that plays from
; a busy loop beside it keeps its tempo.
        at K_IRQ_HANDLER
        jsr UDTIM
        lda BLNSW                       ; the cursor blinks while it is switched on
        bne @keys
        dec BLNCT
        bne @keys
        jsr blink_phase
@keys:  jsr K_SCNKEY_IMPL
        jmp K_IRQ_ACK

        at K_IRQ_ACK
        lda CIA1_ICR
        ; falls through: K_IRQ_RETURN follows at once

        at K_IRQ_RETURN
        pla
        tay
        pla
        tax
        pla
        rti

; Reads all keyboard rows at once and returns when no key is held. Otherwise scans the matrix
; for the first key and queues its character when it was not held at the previous scan. Matrix
; code = 8 * row (CIA 1 port A bit) + column (port B bit).
        at K_SCNKEY_IMPL
        lda #0
        sta SHFLAG
        ldy #$40                        ; no key
        sty SFDX
        sta CIA1_PRA
        lda CIA1_PRB
        cmp #$FF
        bne scan_matrix
        sty LSTX                        ; nothing held: the next key is a new one
scan_done:
        lda #$7F                        ; leave the STOP key's row selected
        sta CIA1_PRA
        clc
        rts

scan_matrix:
        ldy #0
        lda #$FE
@row:   sta CIA1_PRA
        pha
        lda CIA1_PRB
        ldx #8
@column:
        lsr a
        bcc @found
        iny
        dex
        bne @column
        pla
        sec
        rol a
        bcs @row                        ; until the zero bit has left the row mask
        bcc @decode
@found: pla
        sty SFDX
@decode:
        lda SFDX
        cmp LSTX
        beq scan_done
        sta LSTX
        cmp #$40
        beq scan_done
        jsr select_key_table
        ldy SFDX
        lda (KEYTAB),y
        cmp #$FF                        ; a shift or control key alone types nothing
        beq scan_done
        ldx NDX
        cpx XMAX
        bcs scan_done
        sta KEYD,x
        inc NDX
        bne scan_done                   ; always: NDX is below XMAX

; This KERNAL draws no cursor (nothing edits a line on its screen): the blink keeps only its
; count and its phase.
blink_phase:
        lda #BLINK_JIFFIES
        sta BLNCT
        lda BLNON
        eor #1
        sta BLNON
        rts

select_key_table:
        jmp (KEYLOG)

screen_line_to_sal:                     ; SAL := screen address of row X
        lda line_page,x
        ora HIBASE
        bne line_to_sal
colour_line_to_sal:                     ; SAL := colour RAM address of row X
        lda line_page,x
        ora #>COLOUR_RAM
line_to_sal:
        sta SAL+1
        lda line_low,x
        sta SAL
        rts

        at K_KEY_TABLE_SEL
        lda #<K_KEY_TABLE
        sta KEYTAB
        lda #>K_KEY_TABLE
        sta KEYTAB+1
        rts

; PETSCII of each key of the matrix, unshifted; $FF for the shift, control and Commodore keys.
        at K_KEY_TABLE
        .byte $14, $0D, $1D, $88, $85, $86, $87, $11  ; DEL RETURN right F7 F1 F3 F5 down
        .byte "3WA4ZSE", $FF                          ; ... left shift
        .byte "5RD6CFTX"
        .byte "7YG8BHUV"
        .byte "9IJ0MKON"
        .byte "+PL-.:@,"
        .byte $5C, "*;", $13, $FF, "=", $5E, "/"      ; pound * ; HOME right-shift = up-arrow /
        .byte "1", $5F, $FF, "2 ", $FF, "Q", $03      ; 1 left-arrow CTRL 2 space C= Q STOP
        .byte $FF                                     ; no key

; ---------------------------------------------------------------------------------------------
; Serial bus: no drive or printer is attached, so every call reports "device not present".
        at K_TALK_IMPL
        jmp serial_absent
        at K_LISTEN_IMPL
        jmp serial_absent
        at K_SECOND_IMPL
        jmp serial_absent
        at K_TKSA_IMPL
        jmp serial_absent
        at K_CIOUT_IMPL
        jmp serial_absent
        at K_UNTLK_IMPL
        jmp serial_absent
        at K_UNLSN_IMPL
        jmp serial_absent
        at K_ACPTR_IMPL
        jmp serial_absent

serial_absent:
        lda STATUS
        ora #$80
        sta STATUS
        lda #0
        clc
        rts

; ---------------------------------------------------------------------------------------------
; Channel I/O
        at K_GETIN_IMPL
        jmp get_key

        at K_CHRIN_IMPL                 ; an empty input line
        lda #$0D
        clc
        rts

        at K_CHROUT_IMPL
        pha
        lda DFLTO
        cmp #3
        bne :+
        pla
        jmp K_PRINT_SCREEN
:       pla
        clc
        rts

        at K_CHKIN_IMPL
        clc
        rts

        at K_CHKOUT_IMPL
        clc
        rts

        at K_CLOSE_IMPL
        clc
        rts

        at K_CLALL_IMPL
        lda #0
        sta LDTND
        ; falls through: K_CLRCHN_IMPL follows at once

        at K_CLRCHN_IMPL
        lda #0
        sta DFLTN
        lda #3
        sta DFLTO
        clc
        rts

        at K_OPEN_IMPL
        clc
        rts

; The next character of the keyboard buffer, 0 when it is empty.
get_key:
        lda DFLTN
        bne @empty
        lda NDX
        beq @empty
        php
        sei
        ldy KEYD
        ldx #0
@shift: lda KEYD+1,x
        sta KEYD,x
        inx
        cpx NDX
        bne @shift
        dec NDX
        tya
        plp
        clc
        rts
@empty: lda #0
        clc
        rts

read_clock:
        php
        sei
        lda TIME+2
        ldx TIME+1
        ldy TIME
        plp
        rts

set_clock:
        php
        sei
        sta TIME+2
        stx TIME+1
        sty TIME
        plp
        rts

        at K_LOAD_ENTRY                 ; nothing to load from: returns the start address
        stx MEMUSS
        sty MEMUSS+1
        jmp (ILOAD)

        at K_LOAD_IMPL
        ldx MEMUSS
        ldy MEMUSS+1
        clc
        rts

        at K_SAVE_ENTRY
        jmp (ISAVE)

        at K_SAVE_IMPL
        clc
        rts

; ---------------------------------------------------------------------------------------------
; Jiffy clock, advanced by the system interrupt; it wraps after 24 hours ($4F1A00 jiffies).
        at K_UDTIM_IMPL
        inc TIME+2
        bne :+
        inc TIME+1
        bne :+
        inc TIME
:       lda TIME
        cmp #$4F
        bne @stop_key
        lda TIME+1
        cmp #$1A
        bne @stop_key
        lda TIME+2
        bne @stop_key
        sta TIME
        sta TIME+1
@stop_key:                              ; the keyboard row that holds the STOP key
        lda #$7F
        sta CIA1_PRA
        lda CIA1_PRB
        sta STKEY
        rts

        at K_RDTIM_IMPL
        jmp read_clock

        at K_SETTIM_IMPL
        jmp set_clock

        at K_STOP_IMPL                  ; Z set while STOP is held
        lda STKEY
        cmp #$7F
        clc
        rts

; ---------------------------------------------------------------------------------------------
; Reset and system initialisation
        at K_RESET
        ldx #$FF
        sei
        txs
        cld
        lda PALNTS                      ; the machine's video standard survives the RAM clear
        pha
        jsr K_IOINIT_IMPL
        jsr K_RAMTAS_IMPL
        pla
        sta PALNTS
        jsr K_RESTOR_IMPL
        jsr K_CINT_IMPL
        cli
        jmp ($A000)                     ; BASIC cold start

        at K_RESTOR_IMPL
        ldx #<K_VECTOR_TABLE
        ldy #>K_VECTOR_TABLE
        clc
        ; falls through: K_VECTOR_IMPL follows at once

        at K_VECTOR_IMPL                ; carry clear: set $0314-$0333 from (X,Y); set: copy them there
        stx MEMUSS
        sty MEMUSS+1
        ldy #$1F
@next:  lda CINV,y
        bcs @store
        lda (MEMUSS),y
        sta CINV,y
@store: sta (MEMUSS),y
        dey
        bpl @next
        rts

        at K_VECTOR_TABLE
        kernal_vectors

        at K_RAMTAS_IMPL                ; clears the system RAM and sets the memory limits
        lda #0
        tay
:       sta $0002,y
        sta BUF,y
        sta BUF+$100,y
        iny
        bne :-
        lda #<TBUFFR
        sta TAPE1
        lda #>TBUFFR
        sta TAPE1+1
        lda #$08
        sta MEMSTR+1
        lda #$A0
        sta MEMHIGH+1
        lda #>SCREEN_RAM
        sta HIBASE
        rts

        at K_IOINIT_IMPL
        lda #$7F                        ; all CIA interrupts off
        sta CIA1_ICR
        sta CIA2_ICR
        sta CIA1_PRA
        lda #$08                        ; timers stopped, one-shot
        sta CIA1_CRA
        sta CIA2_CRA
        sta CIA1_CRB
        sta CIA2_CRB
        ldx #0
        stx CIA1_DDRB
        dex
        stx CIA1_DDRA
        lda #$07                        ; VIC bank 0, serial lines released
        sta CIA2_PRA
        lda #$3F
        sta CIA2_DDRA
        lda #$E7
        sta PORT_DATA
        lda #$2F
        sta PORT_DDR
        lda PALNTS                      ; the 60 Hz system interrupt from CIA 1 timer A
        beq :+
        lda #<16421
        ldx #>16421
        bne :++
:       lda #<17045
        ldx #>17045
:       sta CIA1_TALO
        stx CIA1_TAHI
        lda #$81
        sta CIA1_ICR
        lda #$11                        ; load the latch and run continuously
        sta CIA1_CRA
        rts

        at K_SETNAM_IMPL
        sta FNLEN
        stx FNADR
        sty FNADR+1
        rts

        at K_SETLFS_IMPL
        sta LA
        stx FA
        sty SA
        rts

        at K_READST_IMPL
        lda STATUS
        rts

        at K_SETMSG_IMPL
        sta MSGFLG
        lda STATUS
        rts

        at K_SETTMO_IMPL
        sta TIMOUT
        rts

        at K_MEMTOP_IMPL                ; carry set: read the top of memory into X/Y, clear: set it
        bcc :+
        ldx MEMHIGH
        ldy MEMHIGH+1
:       stx MEMHIGH
        sty MEMHIGH+1
        rts

        at K_MEMBOT_IMPL
        bcc :+
        ldx MEMSTR
        ldy MEMSTR+1
:       stx MEMSTR
        sty MEMSTR+1
        rts

; ---------------------------------------------------------------------------------------------
; NMI: entry through ($0318); the default handler acknowledges CIA 2; $FEBC restores and returns.
        at K_NMI_ENTRY
        sei
        jmp (NMINV)

        at K_NMI_HANDLER
        pha
        txa
        pha
        tya
        pha
        lda CIA2_ICR
        jmp K_NMI_RETURN

        at K_BRK_HANDLER                ; BRK: reinitialise and return to BASIC
        jsr K_RESTOR_IMPL
        jsr K_IOINIT_IMPL
        jsr K_EDITOR_INIT
        jmp ($A002)

        at K_NMI_RETURN
        pla
        tay
        pla
        tax
        pla
        rti

; ---------------------------------------------------------------------------------------------
; IRQ and BRK: save A, X, Y, then dispatch by the B flag of the pushed status byte.
        at K_IRQ_ENTRY
        pha
        txa
        pha
        tya
        pha
        tsx
        lda STACK+4,x
        and #$10
        beq :+
        jmp (CBINV)
:       jmp (CINV)

        at K_CINT_IMPL
        jmp K_EDITOR_INIT

; ---------------------------------------------------------------------------------------------
        at K_JUMP_TABLE
        jmp K_CINT_IMPL         ; $FF81 CINT
        jmp K_IOINIT_IMPL       ; $FF84 IOINIT
        jmp K_RAMTAS_IMPL       ; $FF87 RAMTAS
        jmp K_RESTOR_IMPL       ; $FF8A RESTOR
        jmp K_VECTOR_IMPL       ; $FF8D VECTOR
        jmp K_SETMSG_IMPL       ; $FF90 SETMSG
        jmp K_SECOND_IMPL       ; $FF93 SECOND
        jmp K_TKSA_IMPL         ; $FF96 TKSA
        jmp K_MEMTOP_IMPL       ; $FF99 MEMTOP
        jmp K_MEMBOT_IMPL       ; $FF9C MEMBOT
        jmp K_SCNKEY_IMPL       ; $FF9F SCNKEY
        jmp K_SETTMO_IMPL       ; $FFA2 SETTMO
        jmp K_ACPTR_IMPL        ; $FFA5 ACPTR
        jmp K_CIOUT_IMPL        ; $FFA8 CIOUT
        jmp K_UNTLK_IMPL        ; $FFAB UNTLK
        jmp K_UNLSN_IMPL        ; $FFAE UNLSN
        jmp K_LISTEN_IMPL       ; $FFB1 LISTEN
        jmp K_TALK_IMPL         ; $FFB4 TALK
        jmp K_READST_IMPL       ; $FFB7 READST
        jmp K_SETLFS_IMPL       ; $FFBA SETLFS
        jmp K_SETNAM_IMPL       ; $FFBD SETNAM
        jmp (IOPEN)             ; $FFC0 OPEN
        jmp (ICLOSE)            ; $FFC3 CLOSE
        jmp (ICHKIN)            ; $FFC6 CHKIN
        jmp (ICKOUT)            ; $FFC9 CHKOUT
        jmp (ICLRCH)            ; $FFCC CLRCHN
        jmp (IBASIN)            ; $FFCF CHRIN
        jmp (IBSOUT)            ; $FFD2 CHROUT
        jmp K_LOAD_ENTRY        ; $FFD5 LOAD
        jmp K_SAVE_ENTRY        ; $FFD8 SAVE
        jmp K_SETTIM_IMPL       ; $FFDB SETTIM
        jmp K_RDTIM_IMPL        ; $FFDE RDTIM
        jmp (ISTOP)             ; $FFE1 STOP
        jmp (IGETIN)            ; $FFE4 GETIN
        jmp (ICLALL)            ; $FFE7 CLALL
        jmp K_UDTIM_IMPL        ; $FFEA UDTIM
        jmp K_SCREEN_IMPL       ; $FFED SCREEN
        jmp K_PLOT_IMPL         ; $FFF0 PLOT
        jmp K_IOBASE_IMPL       ; $FFF3 IOBASE

        pad_to $FFFA, $00
        .word K_NMI_ENTRY
        .word K_RESET
        .word K_IRQ_ENTRY
