cmake_policy(VERSION 3.22)
# Installs the build tree into a scratch prefix and checks that every file a packaged Vesk
# needs lands where the desktop and Vesk itself look for it.
# cmake -DBUILD_DIR=... -DPREFIX=... -P check_install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(programs bin/vesk bin/vesk-cmd bin/vesk-mot2bin bin/vesk-board bin/vesk-send bin/vesk-workspace)
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
# The toolchain programs sit in the toolchain directory, not on the PATH.
file(GLOB tools ${PREFIX}/share/vesk/toolchain/*)
set(toolCount 0)
foreach(tool ${tools})
    if(NOT IS_DIRECTORY ${tool})
        execute_process(COMMAND test -x ${tool} RESULT_VARIABLE notExecutable)
        if(NOT notExecutable)
            math(EXPR toolCount "${toolCount} + 1")
        endif()
    endif()
endforeach()
if(toolCount EQUAL 0)
    list(APPEND missing "share/vesk/toolchain/<programs>")
endif()

# A user's workspace made from the installed files has a writable toolchain and settings.
execute_process(COMMAND ${PREFIX}/bin/vesk-workspace ${PREFIX}/ws
                RESULT_VARIABLE result OUTPUT_QUIET)
foreach(path ws/H8C.ini ws/RESETV_RAM.MAR ws/tools/cc38h.exe ws/tools/c38hab.lib
             ws/tools/include/h8io.h ws/samples/blink.c ws/dosdevices/c:)
    if(NOT EXISTS ${PREFIX}/${path})
        list(APPEND missing "${path} (vesk-workspace: ${result})")
    endif()
endforeach()

file(STRINGS ${PREFIX}/share/applications/vesk.desktop entry)
foreach(line "Exec=vesk" "Icon=vesk" "Terminal=false")
    if(NOT line IN_LIST entry)
        list(APPEND missing "vesk.desktop: ${line}")
    endif()
endforeach()

file(REMOVE_RECURSE ${PREFIX})
if(missing)
    list(JOIN missing "\n  " text)
    message(FATAL_ERROR "not installed:\n  ${text}")
endif()
