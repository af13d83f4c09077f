# Each folder that ROOT's CMakeLists.txt adds includes only from itself and the folders added
# before it, so that their libraries link downwards only and the code reads from the bottom
# up: the effect's layers (the effect core knows no plug-in format; nothing reaches into the
# tests or the tools), and calderine-render's folders. Fails naming every include that reaches
# a folder added later or one the order does not know.
#   cmake -DROOT=<folder> [-DPREFIX=<its path in includes, with a trailing />] -P LayerOrderCheck.cmake
# Only includes that start with PREFIX are checked: a folder's includes from outside ROOT (the
# standard library, a lower part of the project) are another check's business.
file(STRINGS ${ROOT}/CMakeLists.txt subdirectories REGEX "^add_subdirectory\\(")
set(order "")
foreach(line IN LISTS subdirectories)
    string(REGEX REPLACE "^add_subdirectory\\(([a-z]+)\\).*" "\\1" folder "${line}")
    list(APPEND order ${folder})
endforeach()
list(LENGTH order folders)
if(folders LESS 2)
    message(FATAL_ERROR "found ${folders} folders in ${ROOT}/CMakeLists.txt")
endif()

set(faults "")
set(checked 0)
foreach(folder IN LISTS order)
    list(FIND order ${folder} rank)
    file(GLOB sources ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
    foreach(source IN LISTS sources)
        math(EXPR checked "${checked} + 1")
        file(STRINGS ${source} includes REGEX "^#include \"${PREFIX}")
        foreach(line IN LISTS includes)
            string(REGEX MATCH "^#include \"${PREFIX}([a-z]+)/" matched "${line}")
            list(FIND order "${CMAKE_MATCH_1}" target)
            if(NOT matched OR target EQUAL -1 OR target GREATER rank)
                string(APPEND faults "  ${source}: ${line}\n")
            endif()
        endforeach()
    endforeach()
endforeach()
if(checked EQUAL 0)
    message(FATAL_ERROR "no sources found under ${ROOT}")
endif()
if(faults)
    message(FATAL_ERROR "includes that reach a folder added later (order: ${order}):\n${faults}")
endif()
