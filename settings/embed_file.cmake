# Writes a C++ source file that holds the bytes of one file.
#   cmake -DIN=<file> -DOUT=<source> -DNAME=<identifier> -DNAMESPACE=<ns> -P embed_file.cmake
# The source defines `const unsigned char NAME[]` and `const std::size_t NAME_size`
# (the array ends in one extra 0 byte that the size does not count).
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR size "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Twenty bytes a line keeps the file readable and diffs small.
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){20})" "\\1\n  " bytes "${bytes}")
file(WRITE "${OUT}.tmp"
  "// Generated from ${IN} by embed_file.cmake; do not edit.\n"
  "#include <cstddef>\n\n"
  "namespace ${NAMESPACE} {\n"
  "extern const unsigned char ${NAME}[];\n"
  "extern const std::size_t ${NAME}_size;\n"
  "const unsigned char ${NAME}[] = {\n  ${bytes}0x00};\n"
  "const std::size_t ${NAME}_size = ${size};\n"
  "}  // namespace ${NAMESPACE}\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
