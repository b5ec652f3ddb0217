# Turns each page script into a raw string literal in one generated header,
# so the binary carries its scripts and needs no data files at run time.
set(body "// Generated from src/bridge/scripts; do not edit.\n#pragma once\n#include <string_view>\nnamespace velmora::scripts {\n")
foreach(script IN LISTS SCRIPTS)
  get_filename_component(name ${script} NAME_WE)
  string(MAKE_C_IDENTIFIER ${name} ident)
  file(READ ${script} text)
  string(APPEND body "inline constexpr std::string_view ${ident} = R\"velmora_js(${text})velmora_js\";\n")
endforeach()
string(APPEND body "}  // namespace velmora::scripts\n")
file(WRITE ${OUT}.tmp "${body}")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
