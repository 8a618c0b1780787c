cmake_policy(VERSION 3.22)
# One manual page: help2man over PROGRAM's --help and --version, gzipped into OUTPUT.
# cmake -DHELP2MAN=... -DGZIP=... -DPROGRAM=... -DNAME=a38h -DDESCRIPTION="..." -DVERSION=0.1.0
#       -DOUTPUT=.../a38h.1.gz -P help2man.cmake
#
# A program that does not answer both gets a short page that says so, and a warning, rather
# than a broken build; the package test refuses such a page.
get_filename_component(dir ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${dir})
string(REGEX REPLACE "\\.gz$" "" page ${OUTPUT})
file(REMOVE ${page} ${OUTPUT})

# The window's program parses its command line after it has a QApplication: no display here.
set(env ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen)
set(answers TRUE)
foreach(option --help --version)
    execute_process(COMMAND ${env} ${PROGRAM} ${option} RESULT_VARIABLE result
                    OUTPUT_VARIABLE output ERROR_QUIET TIMEOUT 30)
    if(NOT result EQUAL 0 OR output STREQUAL "")
        set(answers FALSE)
    endif()
endforeach()

if(answers)
    # help2man names the page after the program it runs: run it under the name users type.
    set(alias ${dir}/.help2man/${NAME})
    file(MAKE_DIRECTORY ${dir}/.help2man)
    file(CREATE_LINK ${PROGRAM} ${alias} SYMBOLIC)
    execute_process(COMMAND ${env} ${HELP2MAN} --no-info --section=1 --name=${DESCRIPTION}
                            "--source=Vesk ${VERSION}" --output=${page} ${alias}
                    RESULT_VARIABLE result ERROR_VARIABLE error)
    file(REMOVE ${alias})
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "help2man ${NAME}: ${error}")
    endif()
else()
    message(WARNING "${NAME} does not answer --help and --version: its manual page is a stub")
    string(TOUPPER ${NAME} title)
    file(WRITE ${page} ".TH ${title} 1 \"\" \"Vesk ${VERSION}\" \"Vesk\"\n"
                       ".SH NAME\n${NAME} \\- ${DESCRIPTION}\n"
                       ".SH DESCRIPTION\n.\\\" vesk-man-page-stub\n"
                       "See the README of Vesk.\n")
endif()
# -n: no name or time stamp in the archive, so the same page gives the same bytes.
execute_process(COMMAND ${GZIP} -9nf ${page} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "gzip ${page}: ${result}")
endif()
