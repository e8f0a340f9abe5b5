; The PSID header (version 2) in front of the demo tune, and the load address its data starts with.

.import Init, Play

PSID_VERSION    = 2
HEADER_LENGTH   = $7C
SONGS           = 1
VBLANK_SPEED    = 0             ; speed bit clear: the play routine runs once a video frame
FLAG_PAL        = $04
FLAG_6581       = $10
FLAG_8580       = $20

; A credit text in its 32-byte field, zero-filled.
.macro credit text
    .assert .strlen(text) <= 32, error, "credit longer than 32 characters"
    .byte text
    .res 32 - .strlen(text), 0
.endmacro

.segment "HEADER"
        .byte "PSID"
        .dbyt PSID_VERSION
        .dbyt HEADER_LENGTH
        .dbyt 0                 ; load address: the first two bytes of the data
        .dbyt Init
        .dbyt Play
        .dbyt SONGS
        .dbyt 1                 ; start song
        .dbyt 0, VBLANK_SPEED   ; 32-bit speed word
        credit "Vexlor Demo: First Light"
        credit "Vexlor Player developers"
        credit "2026 Vexlor Player"
        .dbyt FLAG_PAL | FLAG_6581 | FLAG_8580
        .byte 0, 0              ; relocation range: none given
        .dbyt 0                 ; reserved

.segment "LOADADDR"
        .addr * + 2
