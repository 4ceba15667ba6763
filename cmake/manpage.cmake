# Writes the manual page of one program from its own --help text, so the
# page says what the program says:
#   cmake -DPROGRAM=PATH -DNAME=NAME -DSUMMARY=TEXT -DVERSION=V -DSEE_ALSO=a,b
#         -DOUTPUT=FILE.1.gz -P manpage.cmake
# The help is kept as it is printed (no filling), roff's special characters
# escaped; the page is compressed without a time stamp, as Debian wants it.
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help ERROR_VARIABLE errors
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help failed (${rc}): ${errors}")
endif()
# The program names itself by the path it was started with.
string(REPLACE "${PROGRAM}" "${NAME}" help "${help}")

# roff: a backslash is \e, a minus \-, and a line may not start with . or '.
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(TOUPPER "${NAME}" title)
string(REPLACE "-" "\\-" name "${NAME}")
string(REPLACE "," "(1), " see "${SEE_ALSO}(1)")

file(WRITE ${OUTPUT}.tmp
  ".TH ${title} 1 \"\" \"${NAME} ${VERSION}\" \"User Commands\"\n"
  ".SH NAME\n${name} \\- ${SUMMARY}\n"
  ".SH DESCRIPTION\n.nf\n${help}.fi\n"
  ".SH SEE ALSO\n${see}\n")
get_filename_component(dir ${OUTPUT} DIRECTORY)
get_filename_component(page ${OUTPUT} NAME_WLE)
file(RENAME ${OUTPUT}.tmp ${dir}/${page})
execute_process(COMMAND gzip -9nf ${dir}/${page} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip ${dir}/${page} failed")
endif()
