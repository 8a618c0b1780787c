cmake_policy(VERSION 3.22)
# Installs the build tree into a scratch prefix, stripped as a package would be, and checks
# that every file a packaged Vesk needs lands where the desktop and Vesk itself look for it,
# that share/ holds nothing built for the host, that no installed file names the build tree,
# and that the install still works once moved elsewhere.
# cmake -DBUILD_DIR=... -DPREFIX=... -DTOOL_DIR=lib/vesk/toolchain -P check_install.cmake
set(moved ${PREFIX}-moved)
file(REMOVE_RECURSE ${PREFIX} ${moved})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} --strip
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(toolNames a38h l38h c38h cc38h dasmh83)
set(programs bin/vesk bin/vesk-cmd bin/vesk-mot2bin bin/vesk-board bin/vesk-send bin/vesk-build bin/vesk-sim bin/vesk-workspace)
# The toolchain's programs are built for the host: under lib/, off the PATH.
foreach(tool IN LISTS toolNames)
    list(APPEND programs ${TOOL_DIR}/${tool}.exe)
endforeach()
set(files
    share/applications/vesk.desktop
    share/icons/hicolor/scalable/apps/vesk.svg
    share/vesk/templates/RESETV_ROM.MAR
    share/vesk/templates/RESETV_RAM.MAR
    share/vesk/toolchain/README.txt
    share/vesk/toolchain/c38hab.lib
    share/vesk/toolchain/include/h8io.h
    share/vesk/toolchain/samples/sample.mar)
set(missing)
foreach(path ${programs} ${files})
    if(NOT EXISTS ${PREFIX}/${path})
        list(APPEND missing ${path})
    endif()
endforeach()
foreach(path ${programs})
    if(EXISTS ${PREFIX}/${path} AND NOT IS_DIRECTORY ${PREFIX}/${path})
        execute_process(COMMAND test -x ${PREFIX}/${path} RESULT_VARIABLE notExecutable)
        if(notExecutable)
            list(APPEND missing "${path} (not executable)")
        endif()
    endif()
endforeach()

# share/ is the same on every host: no program, nothing executable.
file(GLOB_RECURSE shared LIST_DIRECTORIES false RELATIVE ${PREFIX} ${PREFIX}/share/*)
foreach(path IN LISTS shared)
    execute_process(COMMAND test -x ${PREFIX}/${path} RESULT_VARIABLE notExecutable)
    file(READ ${PREFIX}/${path} magic LIMIT 4 HEX)
    if(NOT notExecutable OR magic STREQUAL "7f454c46")
        list(APPEND missing "${path} (a program under share/)")
    endif()
endforeach()

# The programs find their files relative to themselves or through the environment, never
# through a path of the build tree.
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${PREFIX} ${PREFIX}/*)
foreach(path IN LISTS installed)
    file(STRINGS ${PREFIX}/${path} text NO_HEX_CONVERSION)
    string(FIND "${text}" "${BUILD_DIR}" at)
    if(at GREATER -1)
        list(APPEND missing "${path} (names the build tree ${BUILD_DIR})")
    endif()
endforeach()

# From here on the install has moved: what it finds, it finds relative to itself.
file(RENAME ${PREFIX} ${moved})

# A user's workspace made from the installed files has a writable toolchain and settings.
execute_process(COMMAND ${moved}/bin/vesk-workspace ${moved}/ws
                RESULT_VARIABLE result OUTPUT_QUIET)
set(workspaceFiles ws/H8C.ini ws/RESETV_RAM.MAR ws/tools/c38hab.lib ws/tools/include/h8io.h
                   ws/samples/blink.c ws/dosdevices/c:)
foreach(tool IN LISTS toolNames)
    list(APPEND workspaceFiles ws/tools/${tool}.exe)
endforeach()
foreach(path IN LISTS workspaceFiles)
    if(NOT EXISTS ${moved}/${path})
        list(APPEND missing "${path} (vesk-workspace: ${result})")
    endif()
endforeach()

# The installed programs, started where they lie, find the header and the runtime library in
# share/: compile and link the sample that needs both.
find_program(h8gcc h8300-hms-gcc)
if(h8gcc AND EXISTS ${moved}/ws/samples/blink.c)
    set(tools ${moved}/${TOOL_DIR})
    set(env ${CMAKE_COMMAND} -E env VESK_DOSDEVICES=${moved}/ws/dosdevices)
    execute_process(COMMAND ${env} ${tools}/cc38h.exe -abs16 -CPU=300HA "-INCLUDE=C:\\samples\\" blink.c
                    WORKING_DIRECTORY ${moved}/ws/samples
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        list(APPEND missing "h8io.h for ${TOOL_DIR}/cc38h.exe: ${output}")
    else()
        execute_process(COMMAND ${env} ${tools}/l38h.exe blink.obj "-start=P(0FFDF50)" -output=blink
                                -library=c38hab
                        WORKING_DIRECTORY ${moved}/ws/samples
                        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
        if(NOT result EQUAL 0 OR NOT EXISTS ${moved}/ws/samples/blink.abs)
            list(APPEND missing "c38hab.lib for ${TOOL_DIR}/l38h.exe: ${output}")
        endif()
    endif()
endif()

file(STRINGS ${moved}/share/applications/vesk.desktop entry)
foreach(line "Exec=vesk" "Icon=vesk" "Terminal=false")
    if(NOT line IN_LIST entry)
        list(APPEND missing "vesk.desktop: ${line}")
    endif()
endforeach()

file(REMOVE_RECURSE ${moved})
if(missing)
    list(JOIN missing "\n  " text)
    message(FATAL_ERROR "install check failed:\n  ${text}")
endif()
