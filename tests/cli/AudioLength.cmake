# Commando's song 11 lasts 0:03 in the song length database: without --seconds the sound file
# holds exactly 3 s (144,000 frames of 16-bit mono at 48 kHz after the 44-byte WAV header).
# -DDUMP -DTUNE -DHVSC -DOUT
if(NOT EXISTS "${TUNE}")
  message("SKIPPED: ${TUNE} is absent")
  return()
endif()
file(REMOVE ${OUT})
execute_process(COMMAND ${DUMP} ${TUNE} --song 11 --hvsc ${HVSC} --audio ${OUT} RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "vexlor-dump --audio failed with ${rc}")
endif()
file(SIZE ${OUT} size)
file(REMOVE ${OUT})
math(EXPR expected "44 + 3 * 48000 * 2")
if(NOT size EQUAL expected)
  message(FATAL_ERROR "the file holds ${size} bytes, ${expected} expected")
endif()
