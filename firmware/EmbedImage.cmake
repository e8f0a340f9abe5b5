# cmake -DINPUT=image.bin -DOUTPUT=image.cpp -DARRAY=Name -DSIZE=bytes -P EmbedImage.cmake
# Writes the image as the definition of firmware::Name; stops the build when its size is wrong.
file(SIZE "${INPUT}" actual_size)
if(NOT actual_size EQUAL SIZE)
  message(FATAL_ERROR "${INPUT} has ${actual_size} bytes, expected ${SIZE}")
endif()
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT} by EmbedImage.cmake.\n"
  "#include \"firmware/FirmwareImages.h\"\n\n"
  "namespace firmware {\n"
  "const std::array<uint8_t, ${SIZE}> ${ARRAY} = {\n${bytes}};\n"
  "}  // namespace firmware\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
