; The demo tune's music driver. Init starts the song, Play runs one frame of it (50 times a
; second). Three voices each play an order list of patterns (music.inc describes the data) with
; instruments: envelope, wave program, pulse-width sweep and delayed vibrato. Every note is
; preceded by a hard restart, and the song sweeps the cutoff of a resonant low-pass filter.

.include "sid.inc"
.include "music.inc"

.export Init, Play
.import OrderListsLo, OrderListsHi, PatternsLo, PatternsHi, Instruments, WaveTable

FILTER_MODE     = LOWPASS
RESONANCE       = $0A
PULSE_TOP       = $0E       ; pulse sweeps turn at these high bytes of the 12-bit width
PULSE_BOTTOM    = $02

.segment "ZEROPAGE"
Pointer:        .res 2      ; into the order list or pattern being read

.segment "BSS"
VariablesStart:

; Per-voice state, indexed by the voice's register offset (VOICE1, VOICE2, VOICE3).
.macro voice_variable name
name:           .res VOICE3 + 1
.endmacro

voice_variable OrderLo          ; the voice's order list
voice_variable OrderHi
voice_variable OrderPos         ; next byte of the order list
voice_variable PatternLo        ; next byte of the pattern
voice_variable PatternHi
voice_variable Transpose
voice_variable Instrument       ; instrument of the next notes
voice_variable StepsLeft        ; steps until the next event
voice_variable Note             ; transposed note being played
voice_variable Gate             ; GATE while the note sounds, 0 in its release
voice_variable FilterBit        ; the voice's bit in the filter routing register
voice_variable WavePos          ; next row of the wave program
voice_variable Waveform
voice_variable Pitch            ; note the wave program asks for this frame
voice_variable VibDelay         ; frames before the vibrato swings
voice_variable VibPhase
voice_variable VibStepLo        ; frequency change per vibrato frame
voice_variable VibStepHi
voice_variable VibOffsetLo      ; frequency offset of the vibrato now
voice_variable VibOffsetHi
voice_variable PulseLo          ; 12-bit pulse width
voice_variable PulseHi
voice_variable PulseSpeed
voice_variable PulseFalling     ; 1 while the width sweeps down

Tick:           .res 1      ; frame within the step, 0 .. STEP_FRAMES - 1
CutoffLo:       .res 1      ; 8 fraction bits below the cutoff's high byte
CutoffHi:       .res 1
SweepTarget:    .res 1
SweepSpeed:     .res 1
Routing:        .res 1      ; voices routed to the filter
Shifts:         .res 1

VariablesEnd:

.segment "CODE"

; ---- Entry points ----

; Starts the song from the beginning. There is one song: the number in A does not matter.
Init:
        jsr ClearVariables
        lda #0
        ldx #SID_WRITABLE - 1
@silence:
        sta SID,x
        dex
        bpl @silence

        ldy #0                  ; voice number
        ldx #VOICE1
@voice:
        lda OrderListsLo,y
        sta OrderLo,x
        lda OrderListsHi,y
        sta OrderHi,x
        lda FilterBits,y
        sta FilterBit,x
        lda #<EmptyPattern      ; the first event starts the first pattern
        sta PatternLo,x
        lda #>EmptyPattern
        sta PatternHi,x
        lda #1
        sta StepsLeft,x
        txa
        clc
        adc #VOICE_STRIDE
        tax
        iny
        cpy #3
        bne @voice
        rts

; One frame of music.
Play:
        ldx #VOICE3
@voice:
        jsr PlayVoice
        txa
        sec
        sbc #VOICE_STRIDE
        tax
        bcs @voice
        jsr PlayFilter

        ldx Tick
        inx
        cpx #STEP_FRAMES
        bne @same_step
        ldx #0
@same_step:
        stx Tick
        rts

ClearVariables:
        lda #<VariablesStart
        sta Pointer
        lda #>VariablesStart
        sta Pointer + 1
        ldy #0
@byte:
        lda #0
        sta (Pointer),y
        inc Pointer
        bne @next
        inc Pointer + 1
@next:
        lda Pointer
        cmp #<VariablesEnd
        bne @byte
        lda Pointer + 1
        cmp #>VariablesEnd
        bne @byte
        rts

; ---- One voice (X = its register offset) ----

PlayVoice:
        lda Tick
        bne @within_step
        dec StepsLeft,x
        bne @sound
        jsr NextEvent
        jmp @sound
@within_step:
        cmp #STEP_FRAMES - HARD_RESTART_FRAMES
        bne @sound
        lda StepsLeft,x
        cmp #1
        bne @sound
        jsr HardRestart
@sound:
        jsr RunWaveProgram
        jsr RunVibrato
        jsr WriteFrequency
        jsr RunPulse
        lda Waveform,x
        ora Gate,x
        sta SID_CONTROL,x
        rts

; The gate closes and the envelope takes its fastest rates a little before a note, so that the
; envelope has fallen to zero and its rate counter has wrapped by the time the next gate opens:
; the note then starts its attack at once. Before a rest the note keeps its own release. The end
; of a pattern counts as a note: patterns start with one.
HardRestart:
        jsr PeekPatternByte
        cmp #REST
        beq @keep_release
        lda #0
        sta Gate,x
        sta SID_AD,x
        sta SID_SR,x
@keep_release:
        rts

; Reads the voice's next event: instrument changes, then a note or a rest.
NextEvent:
        jsr PeekPatternByte
        cmp #END_PATTERN
        bne @event
        jsr NextPattern
        jmp NextEvent
@event:
        jsr ReadPatternByte
        cmp #INSTRUMENT
        bcc @note_or_rest
        and #<~INSTRUMENT
        sta Instrument,x
        jmp NextEvent
@note_or_rest:
        pha
        jsr ReadPatternByte
        sta StepsLeft,x
        pla
        cmp #REST
        beq @rest
        clc
        adc Transpose,x
        sta Note,x
        jmp StartNote
@rest:
        lda #0
        sta Gate,x
        rts

; Moves to the order list's next pattern, carrying out the order commands on the way.
NextPattern:
        jsr ReadOrderByte
        cmp #ORDER_COMMAND
        bcs @command
        tay
        lda PatternsLo,y
        sta PatternLo,x
        lda PatternsHi,y
        sta PatternHi,x
        rts
@command:
        cmp #ORDER_TRANSPOSE
        bne @not_transpose
        jsr ReadOrderByte
        sta Transpose,x
        jmp NextPattern
@not_transpose:
        cmp #ORDER_CUTOFF
        bne @not_cutoff
        jsr ReadOrderByte
        sta CutoffHi
        sta SweepTarget
        lda #0
        sta CutoffLo
        jmp NextPattern
@not_cutoff:
        cmp #ORDER_SWEEP
        bne @loop
        jsr ReadOrderByte
        sta SweepTarget
        jsr ReadOrderByte
        sta SweepSpeed
        jmp NextPattern
@loop:
        lda #0
        sta OrderPos,x
        jmp NextPattern

ReadOrderByte:
        lda OrderLo,x
        sta Pointer
        lda OrderHi,x
        sta Pointer + 1
        ldy OrderPos,x
        lda (Pointer),y
        inc OrderPos,x
        rts

PeekPatternByte:
        lda PatternLo,x
        sta Pointer
        lda PatternHi,x
        sta Pointer + 1
        ldy #0
        lda (Pointer),y
        rts

ReadPatternByte:
        jsr PeekPatternByte
        inc PatternLo,x
        bne @done
        inc PatternHi,x
@done:
        rts

; Opens the gate on Note with the voice's instrument: envelope, wave program, pulse width,
; vibrato and filter routing start afresh.
StartNote:
        lda Instrument,x
.repeat INSTRUMENT_SHIFT
        asl a
.endrep
        tay
        lda Instruments + Instrument::AttackDecay,y
        sta SID_AD,x
        lda Instruments + Instrument::SustainRelease,y
        sta SID_SR,x
        lda Instruments + Instrument::WaveProgram,y
        sta WavePos,x
        lda Instruments + Instrument::PulseWidth,y
        pha
.repeat 4
        asl a
.endrep
        sta PulseLo,x
        pla
.repeat 4
        lsr a
.endrep
        sta PulseHi,x
        lda Instruments + Instrument::PulseSpeed,y
        sta PulseSpeed,x
        lda Instruments + Instrument::VibratoDelay,y
        sta VibDelay,x
        lda #0
        sta PulseFalling,x
        sta VibPhase,x
        sta VibOffsetLo,x
        sta VibOffsetHi,x
        lda Instruments + Instrument::Filtered,y
        jsr RouteThroughFilter
        lda Instruments + Instrument::VibratoDepth,y
        jsr SetVibratoStep
        lda #GATE
        sta Gate,x
        rts

; A: nonzero to send the voice through the filter, zero to let it bypass.
RouteThroughFilter:
        beq @bypass
        lda Routing
        ora FilterBit,x
        sta Routing
        rts
@bypass:
        lda FilterBit,x
        eor #$FF
        and Routing
        sta Routing
        rts

; A: the instrument's vibrato depth. The step is the distance from the note to the next
; semitone, halved depth times; depth 0 means no vibrato.
SetVibratoStep:
        sta Shifts
        ldy Note,x
        sec
        lda NoteFreqLo + 1,y
        sbc NoteFreqLo,y
        sta VibStepLo,x
        lda NoteFreqHi + 1,y
        sbc NoteFreqHi,y
        sta VibStepHi,x
        ldy Shifts
        bne @halve
        lda #0
        sta VibStepLo,x
        sta VibStepHi,x
        rts
@halve:
        lsr VibStepHi,x
        ror VibStepLo,x
        dey
        bne @halve
        rts

; One row of the wave program per frame: the waveform and the pitch it plays.
RunWaveProgram:
        lda WavePos,x
        asl a
        tay
        lda WaveTable,y
        cmp #WAVE_JUMP
        bne @row
        lda WaveTable + 1,y
        sta WavePos,x
        asl a
        tay
        lda WaveTable,y
@row:
        sta Waveform,x
        lda WaveTable + 1,y
        bmi @fixed
        clc
        adc Note,x
        jmp @pitch
@fixed:
        and #<~FIXED
@pitch:
        sta Pitch,x
        inc WavePos,x
        rts

; After its delay the vibrato swings in a triangle of 8 frames, one step a frame: up in phases
; 0-1, down in 2-5, up again in 6-7, so the pitch stays centred on the note.
RunVibrato:
        lda VibDelay,x
        beq @swing
        dec VibDelay,x
        rts
@swing:
        lda VibPhase,x
        inc VibPhase,x
        clc
        adc #2
        and #%00000100
        bne @down
        clc
        lda VibOffsetLo,x
        adc VibStepLo,x
        sta VibOffsetLo,x
        lda VibOffsetHi,x
        adc VibStepHi,x
        sta VibOffsetHi,x
        rts
@down:
        sec
        lda VibOffsetLo,x
        sbc VibStepLo,x
        sta VibOffsetLo,x
        lda VibOffsetHi,x
        sbc VibStepHi,x
        sta VibOffsetHi,x
        rts

WriteFrequency:
        ldy Pitch,x
        clc
        lda NoteFreqLo,y
        adc VibOffsetLo,x
        sta SID_FREQ_LO,x
        lda NoteFreqHi,y
        adc VibOffsetHi,x
        sta SID_FREQ_HI,x
        rts

; The pulse width sweeps up to PULSE_TOP and back down to PULSE_BOTTOM at the instrument's speed.
RunPulse:
        lda PulseFalling,x
        bne @down
        clc
        lda PulseLo,x
        adc PulseSpeed,x
        sta PulseLo,x
        lda PulseHi,x
        adc #0
        sta PulseHi,x
        cmp #PULSE_TOP
        bcc @write
        inc PulseFalling,x
        bne @write
@down:
        sec
        lda PulseLo,x
        sbc PulseSpeed,x
        sta PulseLo,x
        lda PulseHi,x
        sbc #0
        sta PulseHi,x
        cmp #PULSE_BOTTOM
        bcs @write
        dec PulseFalling,x
@write:
        lda PulseLo,x
        sta SID_PW_LO,x
        lda PulseHi,x
        sta SID_PW_HI,x
        rts

; ---- The filter ----

; The cutoff moves towards its target by the sweep speed; the routed voices pass a resonant
; low pass, and the volume is at its maximum.
PlayFilter:
        lda CutoffHi
        cmp SweepTarget
        beq @write
        bcs @down
        clc
        lda CutoffLo
        adc SweepSpeed
        sta CutoffLo
        bcc @write
        inc CutoffHi
        jmp @write
@down:
        sec
        lda CutoffLo
        sbc SweepSpeed
        sta CutoffLo
        bcs @write
        dec CutoffHi
@write:
        lda CutoffLo            ; its top three bits are the cutoff's low bits
.repeat 5
        lsr a
.endrep
        sta SID_CUTOFF_LO
        lda CutoffHi
        sta SID_CUTOFF_HI
        lda Routing
        ora #RESONANCE << 4
        sta SID_RES_FILT
        lda #FILTER_MODE | MAX_VOLUME
        sta SID_MODE_VOL
        rts

.segment "RODATA"

EmptyPattern:
        end_pattern

FilterBits:
        .byte $01, $02, $04     ; voices 1, 2, 3

; SID frequency of every note at the PAL clock: Hz * 2^24 / 985248.4. Octave 0 is given with
; 12 fraction bits, and each octave up doubles it.
OctaveZero0     = 1140497       ; C0   16.352 Hz
OctaveZero1     = 1208315       ; C#0  17.324 Hz
OctaveZero2     = 1280165       ; D0   18.354 Hz
OctaveZero3     = 1356288       ; D#0  19.445 Hz
OctaveZero4     = 1436937       ; E0   20.602 Hz
OctaveZero5     = 1522381       ; F0   21.827 Hz
OctaveZero6     = 1612907       ; F#0  23.125 Hz
OctaveZero7     = 1708815       ; G0   24.500 Hz
OctaveZero8     = 1810427       ; G#0  25.957 Hz
OctaveZero9     = 1918080       ; A0   27.500 Hz
OctaveZero10    = 2032135       ; A#0  29.135 Hz
OctaveZero11    = 2152972       ; B0   30.868 Hz

.define NoteFrequency(n) ((.ident(.sprintf("OctaveZero%d", (n) .mod 12)) << ((n) / 12)) + 2048) >> 12

; One entry past the last note, held at the top, is the vibrato's upper neighbour of As7.
NoteFreqLo:
.repeat NOTE_COUNT, n
        .lobytes NoteFrequency(n)
.endrep
        .lobytes $FFFF
NoteFreqHi:
.repeat NOTE_COUNT, n
        .hibytes NoteFrequency(n)
.endrep
        .hibytes $FFFF
