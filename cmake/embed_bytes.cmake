# Turns a binary file into an aligned byte array in a generated header, so
# the binary carries it without a C compiler or a data file at run time.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE ${OUT}.tmp "// Generated from ${IN}; do not edit.\n#pragma once\n#include <cstddef>\nnamespace ${NAMESPACE} {\n// GResource data must be 8-byte aligned to be used in place.\nalignas(8) inline constexpr unsigned char ${NAME}[${size}] = {\n${bytes}\n};\n}  // namespace ${NAMESPACE}\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
