# Turns the EFF large word list (lines "DDDDD<TAB>word", 7776 of them) into
# a C++ source holding the words in list order. Run at build time:
#   cmake -DIN=<list> -DOUT=<source> -P embed_word_list.cmake
# The list is checked here so that a changed or damaged file stops the
# build instead of quietly weakening every passphrase.
file(STRINGS "${IN}" _lines)
list(LENGTH _lines _count)
if(NOT _count EQUAL 7776)
  message(FATAL_ERROR "${IN}: expected 7776 lines, found ${_count}")
endif()
set(_body "")
set(_previous "")
foreach(_line IN LISTS _lines)
  if(NOT _line MATCHES "^[1-6][1-6][1-6][1-6][1-6]\t([a-z][a-z-]*)$")
    message(FATAL_ERROR "${IN}: unexpected line \"${_line}\"")
  endif()
  set(_word "${CMAKE_MATCH_1}")
  if(NOT _previous STREQUAL "" AND NOT _previous STRLESS _word)
    message(FATAL_ERROR "${IN}: \"${_word}\" is out of order or repeated")
  endif()
  set(_previous "${_word}")
  string(APPEND _body "    \"${_word}\",\n")
endforeach()
file(WRITE "${OUT}.tmp"
"// Made at build time from the EFF large word list (CC-BY 3.0, Electronic\n"
"// Frontier Foundation); do not edit.\n"
"#include \"generator/word_list.h\"\n\n"
"namespace tb::generator {\n\n"
"const std::array<std::string_view, kWordCount> kWords = {\n${_body}};\n\n"
"}  // namespace tb::generator\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
