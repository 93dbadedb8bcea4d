# SPDX-License-Identifier: GPL-3.0-or-later
# Writes OUTPUT, a C++ file that holds each of FILES (NAME=PATH;...) as a
# std::string_view named NAME, so that the page's own files are part of
# corvalind and no file is read for them at run time.
set(text "// Generated from the page's files; edit those, not this.\n#include <string_view>\n\nnamespace corvalin {\n")
foreach(entry IN LISTS FILES)
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 name)
  list(GET parts 1 path)
  file(READ "${path}" hex HEX)
  string(LENGTH "${hex}" length)
  math(EXPR bytes "${length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," chars "${hex}")
  string(APPEND text "\nnamespace {\nconstexpr char ${name}_BYTES[] = {${chars}'\\0'};\n}\n")
  string(APPEND text "extern const std::string_view ${name}(${name}_BYTES, ${bytes});\n")
endforeach()
string(APPEND text "\n}  // namespace corvalin\n")
file(WRITE "${OUTPUT}.new" "${text}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
