# Writes the table of PureBasic's reserved names from the word lists in
# src/platform: lower case and sorted, so that a lookup ignoring case
# is one binary search. Run at build time:
#   cmake -DKEYWORDS=<file> -DCOMMANDS=<file> -DOUTPUT=<file.cpp> -P purebasic_names.cmake
function(read_words file result)
  file(STRINGS ${file} lines)
  set(words)
  foreach(line IN LISTS lines)
    string(STRIP "${line}" word)
    if(word STREQUAL "")
      continue()
    endif()
    # Only names can be reserved; anything else is a damaged list.
    if(NOT word MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
      message(FATAL_ERROR "${file}: not a name: '${word}'")
    endif()
    string(TOLOWER "${word}" word)
    list(APPEND words "${word}")
  endforeach()
  list(REMOVE_DUPLICATES words)
  list(SORT words)
  set(${result} "${words}" PARENT_SCOPE)
endfunction()

function(table name words out)
  set(text "constexpr std::string_view ${name}[] = {\n")
  foreach(word IN LISTS words)
    string(APPEND text "    \"${word}\",\n")
  endforeach()
  string(APPEND text "};\n")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

read_words(${KEYWORDS} keywords)
read_words(${COMMANDS} commands)
table(kKeywords "${keywords}" keywordTable)
table(kCommands "${commands}" commandTable)
file(WRITE ${OUTPUT}.new "// Written by cmake/purebasic_names.cmake from the word lists in src/platform.
#include \"platform/purebasic_names.h\"

namespace vantorel {

namespace {

${keywordTable}
${commandTable}
}  // namespace

std::span<const std::string_view> PureBasicKeywords() { return kKeywords; }
std::span<const std::string_view> PureBasicCommands() { return kCommands; }

}  // namespace vantorel
")
# Only a changed table is compiled again.
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
