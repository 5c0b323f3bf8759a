# Script mode: writes HEADER with SYMBOL holding the bytes of SOURCE.
# Every byte becomes a \xNN escape: no character of the document can be
# reinterpreted by the C++ compiler, whatever the source encoding.
file(READ "${SOURCE}" hex HEX)
# Break the literal every 64 bytes to keep the generated lines short.
string(REPEAT "[0-9a-f]" 128 chunk)
string(REGEX REPLACE "(${chunk})" "\\1|" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
string(REPLACE "|" "\"\n    \"" escaped "${escaped}")
file(WRITE "${HEADER}.tmp"
  "// Generated from ${SOURCE}; do not edit.\n"
  "#pragma once\n"
  "inline constexpr char ${SYMBOL}[] =\n    \"${escaped}\";\n")
file(COPY_FILE "${HEADER}.tmp" "${HEADER}" ONLY_IF_DIFFERENT)
file(REMOVE "${HEADER}.tmp")
