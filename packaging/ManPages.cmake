# Manual pages in section 1, made at build time by help2man from what each program answers to
# --help and --version, gzipped as Debian wants them, installed under share/man/man1.
#
#   vesk_add_man_pages(PROGRAMS target|path "one-line description" ...)
#
# A PROGRAMS entry is a target (the page takes the program's name without its .exe: the
# toolchain's programs are a38h.exe on disk and a38h in the batch files and the README) or
# the path of a script that configure_file made.
include_guard(GLOBAL)

find_program(VESK_HELP2MAN help2man)
if(NOT VESK_HELP2MAN)
    # cmake --install would stop at the first missing page; scripts/deps.sh installs it.
    message(FATAL_ERROR "help2man not found (Debian package help2man; scripts/deps.sh installs it)")
endif()
find_program(VESK_GZIP gzip REQUIRED)

function(vesk_add_man_pages)
    cmake_parse_arguments(ARG "" "" "PROGRAMS" ${ARGN})
    list(LENGTH ARG_PROGRAMS count)
    math(EXPR odd "${count} % 2")
    if(odd)
        message(FATAL_ERROR "vesk_add_man_pages: PROGRAMS takes pairs: program, description")
    endif()
    set(dir ${CMAKE_BINARY_DIR}/man/man1)
    set(pages)
    math(EXPR last "${count} - 1")
    foreach(i RANGE 0 ${last} 2)
        math(EXPR j "${i} + 1")
        list(GET ARG_PROGRAMS ${i} program)
        list(GET ARG_PROGRAMS ${j} description)
        if(TARGET ${program})
            get_target_property(name ${program} OUTPUT_NAME)
            if(NOT name)
                set(name ${program})
            endif()
            set(command $<TARGET_FILE:${program}>)
            set(depends ${program})
        else()
            set(command ${program})
            set(depends ${program})
            get_filename_component(name ${program} NAME)
        endif()
        set(page ${dir}/${name}.1.gz)
        add_custom_command(OUTPUT ${page}
            COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${VESK_HELP2MAN} -DGZIP=${VESK_GZIP}
                    -DPROGRAM=${command} -DNAME=${name} -DDESCRIPTION=${description}
                    -DVERSION=${PROJECT_VERSION} -DOUTPUT=${page}
                    -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/help2man.cmake
            DEPENDS ${depends} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/help2man.cmake
            COMMENT "Manual page ${name}(1)"
            VERBATIM)
        list(APPEND pages ${page})
    endforeach()
    add_custom_target(vesk-man-pages ALL DEPENDS ${pages})
    install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
