; The BASIC ROM slot's built-in image. It is not a BASIC interpreter: it runs the programs that
; most C64 music releases start with, such as "10 SYS2061" or "5 POKE789,8", and nothing else.
;
; RUN ends up in BASIC's statement loop at $A7AE, which walks the tokenised program from the text
; pointer on and executes SYS, POKE, REM, END and STOP with plain decimal numbers. Any other
; statement, an expression, a variable or a malformed line goes to the loop at BASIC_TRAP, where
; the player recognises a program that needs a real BASIC ROM. So does an entry into BASIC
; anywhere but the few documented addresses served below. A program that ends goes to READY.
; and waits there with interrupts on, as a C64 does, so an interrupt routine it set up plays on.
        .include "c64.inc"
        .include "layout.inc"

; Tokens of the statements run here
TOKEN_END       = $80
TOKEN_REM       = $8F
TOKEN_STOP      = $90
TOKEN_POKE      = $97
TOKEN_SYS       = $9E

; Program text never reaches up to the BASIC ROM
TEXT_LIMIT_PAGE = >BASIC_START

; NOPs up to addr, the last three bytes a jump to the trap: whoever enters BASIC between the
; entry points served here reaches the trap instead of sliding into the next routine.
.macro slide_to_trap addr
        .assert * + 3 <= addr, error, "no room for the trap jump before the next fixed address"
        .res addr - 3 - *, $EA
        jmp BASIC_TRAP
.endmacro

        .segment "IMAGE"
        .org $A000

        .word BASIC_TRAP        ; cold start
        .word BASIC_TRAP        ; warm start
; The ROM's keyword and message tables follow; nobody calls into them, so the runner lives here.
        slide_to_trap $A00C

; ---------------------------------------------------------------------------------------------
; Program text. TXTPTR only moves forward, and text that would run into the BASIC ROM is no
; program: that bounds a REM or a line whose end marker is missing.

; CHRGET and CHRGOT as in RAM at $73, kept in ROM so that a program that reused that part of the
; zero page still runs. Spaces are skipped; A holds the character.
next_char:
        inc TXTPTR
        bne this_char
        inc TXTPTR+1
this_char:
        lda TXTPTR+1
        cmp #TEXT_LIMIT_PAGE
        bcs not_runnable
        ldy #0
        lda (TXTPTR),y
        cmp #' '
        beq next_char
        rts

; Carry clear and A = the digit's value when A holds a decimal digit.
digit_value:
        sec
        sbc #'0'
        cmp #10
        rts

; Reads the decimal number after the current character into LINNUM and returns the character
; that follows it. Expressions, variables and numbers above 65535 need the real interpreter.
number:
        lda #0
        sta LINNUM
        sta LINNUM+1
        jsr next_char
        jsr digit_value
        bcs not_runnable
@digit: pha
        asl LINNUM              ; LINNUM × 10 = LINNUM × 2 + LINNUM × 8
        rol LINNUM+1
        bcs not_runnable
        lda LINNUM
        ldx LINNUM+1
        asl LINNUM
        rol LINNUM+1
        bcs not_runnable
        asl LINNUM
        rol LINNUM+1
        bcs not_runnable
        adc LINNUM
        sta LINNUM
        txa
        adc LINNUM+1
        sta LINNUM+1
        bcs not_runnable
        pla                     ; + the digit
        adc LINNUM
        sta LINNUM
        bcc @next
        inc LINNUM+1
        beq not_runnable
@next:  jsr next_char
        jsr digit_value
        bcc @digit
        jmp this_char

; Only the end of the line or ":" may follow a statement's arguments.
end_of_statement:
        cmp #':'
        beq @done
        cmp #0
        bne not_runnable
@done:  rts

not_runnable:
        jmp BASIC_TRAP

end_program:
        jmp BASIC_READY

; ---------------------------------------------------------------------------------------------
; The statement loop. TXTPTR rests on the character that ended the previous statement: ":" for
; another statement on the line, 0 for the end of a line, which the next line's link (high byte
; 0 at the end of the program) and line number follow. RUN starts at the 0 byte before $0801.
newstt:
        cld                     ; the runner counts in binary
        jsr this_char
        cmp #':'
        beq gone
        cmp #0
        bne not_runnable
        ldy #2
        lda (TXTPTR),y
        beq end_program
        iny
        lda (TXTPTR),y
        sta CURLIN
        iny
        lda (TXTPTR),y
        sta CURLIN+1
        tya
        clc
        adc TXTPTR
        sta TXTPTR
        bcc gone
        inc TXTPTR+1
gone:   jsr next_char
        jsr execute
        jmp newstt

; Runs the statement that starts with the character in A and leaves TXTPTR on its end.
execute:
        cmp #0
        beq @empty
        cmp #':'
        bne @statement
@empty: rts
@statement:
        cmp #TOKEN_SYS
        beq sys
        cmp #TOKEN_POKE
        beq poke
        cmp #TOKEN_REM
        beq rem
        cmp #TOKEN_END
        beq end_program
        cmp #TOKEN_STOP
        beq end_program
        jmp BASIC_TRAP

; REM: the rest of the line is a remark.
rem:    jsr next_char
        cmp #0
        bne rem
        rts

; POKE address,value stores through the current banking, so it reaches I/O such as the SID.
poke:   jsr number
        cmp #','
        bne not_runnable
        lda LINNUM
        pha
        lda LINNUM+1
        pha
        jsr number
        jsr end_of_statement
        ldx LINNUM
        lda LINNUM+1
        bne not_runnable        ; a value above 255
        pla
        sta LINNUM+1
        pla
        sta LINNUM
        txa
        ldy #0
        sta (LINNUM),y
        rts

; SYS address calls machine code with A, X, Y and the status taken from $030C-$030F and puts
; back there what they hold when it returns.
sys:    jsr number
        jsr end_of_statement
        lda #>(@back - 1)
        pha
        lda #<(@back - 1)
        pha
        lda SPREG
        pha
        lda SAREG
        ldx SXREG
        ldy SYREG
        plp
        jmp (LINNUM)
@back:  php
        sta SAREG
        stx SXREG
        sty SYREG
        pla
        sta SPREG
        rts

; READY.: direct mode, the prompt through CHROUT (whose vector a loaded program may have taken
; over to start itself), then BASIC's input loop.
ready:  lda #$FF
        sta CURLIN+1
        ldx #0
@print: lda ready_text,x
        beq @main
        jsr CHROUT
        inx
        bne @print
@main:  jmp BASIC_MAIN_VIA_VECTOR

ready_text:
        .byte $0D, "READY.", $0D, 0

; ---------------------------------------------------------------------------------------------
; The documented entry points served here.
        slide_to_trap BASIC_READY
        jmp ready
        slide_to_trap BASIC_MAIN_VIA_VECTOR
        jmp (IMAIN)
        .assert * = BASIC_MAIN, error, "BASIC_MAIN moved"
; The input loop: no keyboard input reaches BASIC here, so it only waits, interrupts on.
        cli
ready_loop:
        jmp ready_loop
        .assert ready_loop = BASIC_READY_LOOP, error, "BASIC_READY_LOOP moved"

        slide_to_trap BASIC_NEWSTT
        jmp newstt
        slide_to_trap BASIC_GONE
        jmp gone

        pad_to BASIC_TRAP, $EA  ; NOP
trap:   jmp trap
