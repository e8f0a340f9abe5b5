; "First Light", the Vexlor Player demo tune: 32 bars in A minor at 125 beats per minute, about
; 61 seconds, then it starts again.
;
;   voice 1  bass: sawtooth through the resonant low pass, a noise thump on beats 1 and 3
;   voice 2  lead: pulse with a sweeping width and delayed vibrato; sawtooth in the last part
;   voice 3  arpeggio chords, with hi-hat and snare from noise on the same voice
;
;   bars  1-4   Am F  C  G    intro: the filter opens on the bass, chords without drums
;   bars  5-8   Am F  Dm E    drums; the lead enters with long notes
;   bars  9-16  Am F  C  G  Am F Dm E    the theme
;   bars 17-24  F  G  Em Am Dm G C  E    the bridge, the filter at its brightest
;   bars 25-32  Am F  C  G  Am F Dm E    the theme on a sawtooth lead; the filter closes
;                                        again and a snare roll leads back to bar 1
;
; music.inc describes the data format.

.include "sid.inc"
.include "music.inc"

.export OrderListsLo, OrderListsHi, PatternsLo, PatternsHi, Instruments, WaveTable

.segment "RODATA"

; ---- Instruments ----
;                     name      AD   SR   wave program   pulse width   vibrato  filter
;                                                        start speed   delay depth
Instruments:
define_instrument     Bass,     $09, $A8, BassWave,      $80,  $00,    0,  0,   1
define_instrument     BassKick, $09, $A8, KickWave,      $80,  $00,    0,  0,   1
define_instrument     Lead,     $19, $A9, LeadWave,      $40,  $20,   12,  3,   0
define_instrument     LeadPad,  $6A, $AA, LeadWave,      $80,  $0C,   20,  4,   0
define_instrument     LeadSaw,  $19, $F9, SawLeadWave,   $80,  $00,   10,  3,   0
define_instrument     ArpMinor, $04, $84, ArpMinorWave,  $30,  $10,    0,  0,   0
define_instrument     ArpMajor, $04, $84, ArpMajorWave,  $30,  $10,    0,  0,   0
define_instrument     Hat,      $02, $00, HatWave,       $80,  $00,    0,  0,   0
define_instrument     Snare,    $05, $00, SnareWave,     $80,  $00,    0,  0,   0

; ---- Wave programs: one row per frame ----
WaveTable:
wave_program BassWave
        wave SAWTOOTH, 0
        wave_hold
wave_program KickWave           ; a noise click, then the bass note dropping in from an octave up
        wave NOISE, FIXED | C6
        wave SAWTOOTH, 12
        wave SAWTOOTH, 0
        wave_hold
wave_program LeadWave
        wave PULSE, 0
        wave_hold
wave_program SawLeadWave        ; a blip an octave up gives the attack an edge
        wave SAWTOOTH, 12
        wave SAWTOOTH, 0
        wave_hold
wave_program ArpMinorWave       ; root, minor third, fifth: a chord on one voice
        wave PULSE, 0
        wave PULSE, 3
        wave PULSE, 7
        wave_jump ArpMinorWave
wave_program ArpMajorWave       ; root, major third, fifth
        wave PULSE, 0
        wave PULSE, 4
        wave PULSE, 7
        wave_jump ArpMajorWave
wave_program HatWave
        wave NOISE, FIXED | A7
        wave_hold
wave_program SnareWave          ; noise with a tone for the drum's body
        wave NOISE, FIXED | A6
        wave PULSE, FIXED | D4
        wave NOISE, FIXED | Fs6
        wave NOISE, FIXED | D6
        wave_hold

; ---- Order lists ----
OrderListsLo:
        .lobytes BassOrder, LeadOrder, ChordOrder
OrderListsHi:
        .hibytes BassOrder, LeadOrder, ChordOrder

; The bass patterns are written on A; the transpose moves them to each bar's chord.
BassOrder:
        cutoff $06                      ; bars 1-8: the filter opens
        sweep $50, 25
        transpose 0
        play BassDrive                  ; Am
        transpose -4
        play BassDrive                  ; F
        transpose 3
        play BassDrive                  ; C
        transpose -2
        play BassDrive                  ; G
        transpose 0
        play BassDrive                  ; Am
        transpose -4
        play BassDrive                  ; F
        transpose 5
        play BassDrive                  ; Dm
        transpose -5
        play BassDrive                  ; E

        sweep $38, 8                    ; bars 9-16: the theme, the filter settles a little
        transpose 0
        play BassDrive                  ; Am
        transpose -4
        play BassDrive                  ; F
        transpose 3
        play BassDrive                  ; C
        transpose -2
        play BassDrive                  ; G
        transpose 0
        play BassDrive                  ; Am
        transpose -4
        play BassDrive                  ; F
        transpose 5
        play BassDrive                  ; Dm
        transpose -5
        play BassDrive                  ; E

        sweep $78, 22                   ; bars 17-24: the bridge opens the filter wide
        transpose -4
        play BassBounce                 ; F
        transpose -2
        play BassBounce                 ; G
        transpose -5
        play BassBounce                 ; Em
        transpose 0
        play BassBounce                 ; Am
        transpose 5
        play BassBounce                 ; Dm
        transpose -2
        play BassBounce                 ; G
        transpose 3
        play BassBounce                 ; C
        transpose -5
        play BassDrive                  ; E

        sweep $60, 14                   ; bars 25-32: the theme again
        transpose 0
        play BassDrive                  ; Am
        transpose -4
        play BassDrive                  ; F
        transpose 3
        play BassDrive                  ; C
        transpose -2
        play BassDrive                  ; G
        sweep $06, 60                   ; the filter closes towards the start
        transpose 0
        play BassDrive                  ; Am
        transpose -4
        play BassDrive                  ; F
        transpose 5
        play BassDrive                  ; Dm
        transpose -5
        play BassDrive                  ; E
        loop

LeadOrder:
        play LeadWait                   ; bars 1-4
        play LeadIntro                  ; bars 5-8
        play ThemeFirstHalf             ; bars 9-12
        play ThemeSecondHalf            ; bars 13-16
        play BridgeFirstHalf            ; bars 17-20
        play BridgeSecondHalf           ; bars 21-24
        play ThemeReprise               ; bars 25-28
        play ThemeEnding                ; bars 29-32
        loop

; The chord patterns are written on A (A minor or A major); the transpose sets the root.
ChordOrder:
        transpose 0
        play ChordsMinorSoft            ; Am
        transpose -4
        play ChordsMajorSoft            ; F
        transpose 3
        play ChordsMajorSoft            ; C
        transpose -2
        play ChordsMajorSoft            ; G
        transpose 0
        play ChordsMinor                ; Am
        transpose -4
        play ChordsMajor                ; F
        transpose -7
        play ChordsMinor                ; Dm
        transpose -5
        play ChordsMajor                ; E

        transpose 0
        play ChordsMinor                ; Am
        transpose -4
        play ChordsMajor                ; F
        transpose 3
        play ChordsMajor                ; C
        transpose -2
        play ChordsMajor                ; G
        transpose 0
        play ChordsMinor                ; Am
        transpose -4
        play ChordsMajor                ; F
        transpose -7
        play ChordsMinor                ; Dm
        transpose -5
        play ChordsMajor                ; E

        transpose -4
        play ChordsMajor                ; F
        transpose -2
        play ChordsMajor                ; G
        transpose -5
        play ChordsMinor                ; Em
        transpose 0
        play ChordsMinor                ; Am
        transpose -7
        play ChordsMinor                ; Dm
        transpose -2
        play ChordsMajor                ; G
        transpose 3
        play ChordsMajor                ; C
        transpose -5
        play ChordsMajor                ; E

        transpose 0
        play ChordsMinor                ; Am
        transpose -4
        play ChordsMajor                ; F
        transpose 3
        play ChordsMajor                ; C
        transpose -2
        play ChordsMajor                ; G
        transpose 0
        play ChordsMinor                ; Am
        transpose -4
        play ChordsMajor                ; F
        transpose -7
        play ChordsMinor                ; Dm
        transpose -5
        play ChordsRoll                 ; E, and the snare roll
        loop

; ---- Bass patterns: one bar each ----
pattern BassDrive
        instrument BassKick
        note A1, EIGHTH
        instrument Bass
        note A1, EIGHTH
        note A2, EIGHTH
        note A1, EIGHTH
        instrument BassKick
        note A1, EIGHTH
        instrument Bass
        note E2, EIGHTH
        note A2, EIGHTH
        note E2, EIGHTH
        end_pattern

pattern BassBounce
        instrument BassKick
        note A1, DOTTED_EIGHTH
        instrument Bass
        note A1, DOTTED_EIGHTH
        note A2, EIGHTH
        instrument BassKick
        note A1, DOTTED_EIGHTH
        instrument Bass
        note E2, DOTTED_EIGHTH
        note A2, EIGHTH
        end_pattern

; ---- Chord patterns: one bar each ----
pattern ChordsMinorSoft
        instrument ArpMinor
        note A3, DOTTED_EIGHTH
        note A3, DOTTED_EIGHTH
        note A3, EIGHTH
        note A3, DOTTED_EIGHTH
        note A3, DOTTED_EIGHTH
        note A3, EIGHTH
        end_pattern

pattern ChordsMajorSoft
        instrument ArpMajor
        note A3, DOTTED_EIGHTH
        note A3, DOTTED_EIGHTH
        note A3, EIGHTH
        note A3, DOTTED_EIGHTH
        note A3, DOTTED_EIGHTH
        note A3, EIGHTH
        end_pattern

pattern ChordsMinor
        instrument ArpMinor
        note A3, DOTTED_EIGHTH          ; beat 1
        hit Hat, SIXTEENTH
        hit Snare, EIGHTH               ; beat 2
        instrument ArpMinor
        note A3, EIGHTH
        note A3, DOTTED_EIGHTH          ; beat 3
        hit Hat, SIXTEENTH
        hit Snare, EIGHTH               ; beat 4
        instrument ArpMinor
        note A3, SIXTEENTH
        hit Hat, SIXTEENTH
        end_pattern

pattern ChordsMajor
        instrument ArpMajor
        note A3, DOTTED_EIGHTH          ; beat 1
        hit Hat, SIXTEENTH
        hit Snare, EIGHTH               ; beat 2
        instrument ArpMajor
        note A3, EIGHTH
        note A3, DOTTED_EIGHTH          ; beat 3
        hit Hat, SIXTEENTH
        hit Snare, EIGHTH               ; beat 4
        instrument ArpMajor
        note A3, SIXTEENTH
        hit Hat, SIXTEENTH
        end_pattern

pattern ChordsRoll
        instrument ArpMajor
        note A3, DOTTED_EIGHTH          ; beat 1
        hit Hat, SIXTEENTH
        hit Snare, EIGHTH               ; beat 2
        instrument ArpMajor
        note A3, EIGHTH
        note A3, QUARTER                ; beat 3
        hit Snare, SIXTEENTH            ; beat 4: the roll
        hit Snare, SIXTEENTH
        hit Snare, SIXTEENTH
        hit Snare, SIXTEENTH
        end_pattern

; ---- Lead patterns: four bars each ----
pattern LeadWait
        rest WHOLE
        rest WHOLE
        rest WHOLE
        rest WHOLE
        end_pattern

pattern LeadIntro
        instrument LeadPad
        note A4, HALF                   ; Am
        note C5, QUARTER
        note E5, QUARTER
        note F5, DOTTED_HALF            ; F
        note E5, EIGHTH
        note C5, EIGHTH
        note D5, DOTTED_HALF            ; Dm
        note F5, QUARTER
        note E5, HALF                   ; E
        note D5, QUARTER
        note B4, QUARTER
        end_pattern

pattern ThemeFirstHalf
        instrument Lead
        note A4, DOTTED_EIGHTH          ; Am
        note C5, DOTTED_EIGHTH
        note E5, EIGHTH
        note D5, EIGHTH
        note C5, EIGHTH
        note B4, EIGHTH
        note C5, EIGHTH
        note A4, DOTTED_QUARTER         ; F
        note F4, EIGHTH
        note A4, EIGHTH
        note C5, EIGHTH
        note F5, QUARTER
        note E5, DOTTED_EIGHTH          ; C
        note D5, DOTTED_EIGHTH
        note C5, EIGHTH
        note G4, QUARTER
        note E4, QUARTER
        note D5, DOTTED_QUARTER         ; G
        note B4, EIGHTH
        note G4, QUARTER
        note B4, EIGHTH
        note D5, EIGHTH
        end_pattern

pattern ThemeSecondHalf
        instrument Lead
        note E5, DOTTED_EIGHTH          ; Am
        note A5, DOTTED_EIGHTH
        note G5, EIGHTH
        note E5, EIGHTH
        note C5, EIGHTH
        note D5, EIGHTH
        note E5, EIGHTH
        note F5, DOTTED_QUARTER         ; F
        note E5, EIGHTH
        note C5, QUARTER
        note A4, QUARTER
        note D5, DOTTED_EIGHTH          ; Dm
        note F5, DOTTED_EIGHTH
        note A5, EIGHTH
        note G5, EIGHTH
        note F5, EIGHTH
        note E5, EIGHTH
        note D5, EIGHTH
        note E5, HALF                   ; E
        note B4, QUARTER
        note Gs4, QUARTER
        end_pattern

pattern BridgeFirstHalf
        instrument Lead
        note C5, QUARTER                ; F
        note F5, QUARTER
        note A5, QUARTER
        note G5, EIGHTH
        note F5, EIGHTH
        note G5, DOTTED_QUARTER         ; G
        note D5, EIGHTH
        note B4, QUARTER
        note D5, QUARTER
        note E5, QUARTER                ; Em
        note G5, QUARTER
        note B5, QUARTER
        note A5, EIGHTH
        note G5, EIGHTH
        note A5, HALF                   ; Am
        note E5, QUARTER
        note C5, QUARTER
        end_pattern

pattern BridgeSecondHalf
        instrument Lead
        note D5, QUARTER                ; Dm
        note F5, EIGHTH
        note A5, EIGHTH
        note C6, QUARTER
        note A5, QUARTER
        note B5, DOTTED_QUARTER         ; G
        note G5, EIGHTH
        note D5, QUARTER
        note B4, QUARTER
        note C5, DOTTED_EIGHTH          ; C
        note E5, DOTTED_EIGHTH
        note G5, EIGHTH
        note C6, QUARTER
        note G5, QUARTER
        note B5, QUARTER                ; E
        note Gs5, QUARTER
        note E5, QUARTER
        note B4, QUARTER
        end_pattern

pattern ThemeReprise
        instrument LeadSaw
        note A4, DOTTED_EIGHTH          ; Am
        note C5, DOTTED_EIGHTH
        note E5, EIGHTH
        note A5, QUARTER
        note G5, EIGHTH
        note E5, EIGHTH
        note F5, DOTTED_QUARTER         ; F
        note E5, EIGHTH
        note C5, EIGHTH
        note A4, EIGHTH
        note C5, QUARTER
        note E5, DOTTED_EIGHTH          ; C
        note G5, DOTTED_EIGHTH
        note E5, EIGHTH
        note D5, EIGHTH
        note C5, EIGHTH
        note D5, QUARTER
        note D5, DOTTED_QUARTER         ; G
        note B4, EIGHTH
        note G4, QUARTER
        note D5, QUARTER
        end_pattern

pattern ThemeEnding
        instrument LeadSaw
        note E5, DOTTED_EIGHTH          ; Am
        note A5, DOTTED_EIGHTH
        note G5, EIGHTH
        note E5, EIGHTH
        note C5, EIGHTH
        note D5, EIGHTH
        note E5, EIGHTH
        note F5, DOTTED_QUARTER         ; F
        note E5, EIGHTH
        note C5, QUARTER
        note A4, QUARTER
        note D5, DOTTED_EIGHTH          ; Dm
        note F5, DOTTED_EIGHTH
        note A5, EIGHTH
        note G5, EIGHTH
        note F5, EIGHTH
        note E5, EIGHTH
        note D5, EIGHTH
        note E5, QUARTER                ; E
        note D5, EIGHTH
        note C5, EIGHTH
        note B4, QUARTER
        note Gs4, QUARTER
        end_pattern

pattern_table
