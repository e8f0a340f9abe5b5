; The BASIC ROM slot's built-in image. There is no BASIC interpreter here: a program that enters
; BASIC anywhere (a BASIC tune's RUN at $A7AE, a machine-code tune calling a BASIC routine)
; slides through NOPs into a loop at BASIC_TRAP, where the player can recognise it and say that
; the tune needs a real BASIC ROM.
        .include "c64.inc"
        .include "layout.inc"

        .segment "IMAGE"
        .org $A000

        .word BASIC_TRAP        ; cold start
        .word BASIC_TRAP        ; warm start
        pad_to BASIC_TRAP, $EA  ; NOP
trap:   jmp trap
