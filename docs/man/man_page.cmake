# cmake -DIN=page.1.in -DOUT=page.1 -DVERSION=2.4 -DLANGUAGE=en|zh_CN
#       [-DHELP_PROGRAM=fenrow-cli] -P man_page.cmake
# Fills a manual page: @VERSION@, @DATE@ (the package's date under
# SOURCE_DATE_EPOCH, which string(TIMESTAMP) follows) and, from the program's
# --help in LANGUAGE's half, @USAGE@ (its usage lines) and @HELP@ (the rest),
# both as no-fill text escaped for roff.
string(TIMESTAMP DATE "%Y-%m-%d" UTC)

function(roff_escape var text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  # A line starting with a period or an apostrophe would be a request.
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${var} "${text}" PARENT_SCOPE)
endfunction()

if(DEFINED HELP_PROGRAM)
  # UTF-8 whatever the build's locale: the page is UTF-8.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 ${HELP_PROGRAM} --help
    OUTPUT_VARIABLE help RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${HELP_PROGRAM} --help failed: ${rc}")
  endif()
  # English first, then the same in Chinese from its "用法：" on.
  string(FIND "${help}" "\n用法：" chinese)
  if(chinese EQUAL -1)
    message(FATAL_ERROR "no Chinese half in ${HELP_PROGRAM} --help")
  endif()
  if(LANGUAGE STREQUAL en)
    string(SUBSTRING "${help}" 0 ${chinese} help)
    set(usage_word "Usage:")
  else()
    math(EXPR chinese "${chinese} + 1")
    string(SUBSTRING "${help}" ${chinese} -1 help)
    set(usage_word "用法：")
  endif()
  string(STRIP "${help}" help)
  # The usage lines: the first, after the word, and those indented under it.
  string(REGEX MATCH "^${usage_word}[^\n]*(\n [^\n]*)*" usage "${help}")
  if(usage STREQUAL "")
    message(FATAL_ERROR "no usage lines in ${HELP_PROGRAM} --help (${LANGUAGE})")
  endif()
  string(LENGTH "${usage}" usage_length)
  string(SUBSTRING "${help}" ${usage_length} -1 help)
  string(STRIP "${help}" help)
  string(REGEX REPLACE "^${usage_word} *" "" usage "${usage}")
  string(REGEX REPLACE "\n +" "\n" usage "${usage}")
  roff_escape(USAGE "${usage}")
  roff_escape(HELP "${help}")
endif()

configure_file(${IN} ${OUT} @ONLY)
