# The floors of the source tree, lowest first. A file may include headers of its own
# folder and of folders below it, never of a folder above it; the front ends (cli, install,
# gui) are the top floors and only gui may include Qt. The test tree mirrors src/ and is held
# to the same order (a test of the ppd floor may use store's headers no more than the ppd
# code may). tools/ (the resource compiler) stands beside the program: nothing in src/
# includes it.
#
#   cmake -DROOT=<source dir> -P cmake/CheckFloors.cmake
#
# Prints every include that points up and fails when there is one.
set(ORVANE_FLOORS
    base
    host/memory host/locale host/text host/files host/resources host/bundle host/cups
    host/rights host/alerts host/ui host/folders
    support tone core ppd store app cli install gui)

if(NOT ROOT)
    message(FATAL_ERROR "CheckFloors: give -DROOT=<source dir>")
endif()

# The floor index of an include path or a file path below src/ or tests/ ("host/files/x.h"
# is floor host/files, "ppd/x.h" floor ppd); -1 when it names no floor.
function(orvane_floor_of path out)
    set(result -1)
    list(LENGTH ORVANE_FLOORS count)
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last})
        list(GET ORVANE_FLOORS ${i} floor)
        string(LENGTH "${floor}/" n)
        string(SUBSTRING "${path}" 0 ${n} head)
        if(head STREQUAL "${floor}/")
            set(result ${i})
        endif()
    endforeach()
    set(${out} ${result} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files RELATIVE ${ROOT}
    ${ROOT}/src/*.h ${ROOT}/src/*.cpp ${ROOT}/tests/*.h ${ROOT}/tests/*.cpp)
list(LENGTH ORVANE_FLOORS floor_count)
set(violations 0)
foreach(file ${files})
    # The file's own floor, from its place under src/ or tests/.
    string(REGEX REPLACE "^(src|tests)/" "" inner "${file}")
    orvane_floor_of("${inner}" own)
    if(own EQUAL -1)
        if(file MATCHES "^src/")
            message("${file}: not in any floor; add its folder to ORVANE_FLOORS")
            math(EXPR violations "${violations} + 1")
        endif()
        # Test data and helpers outside the floors (tests/data) may use everything.
        set(own ${floor_count})
    endif()
    list(GET ORVANE_FLOORS 0 dummy)
    if(own LESS floor_count)
        list(GET ORVANE_FLOORS ${own} own_name)
    else()
        set(own_name "(top)")
    endif()

    file(STRINGS ${ROOT}/${file} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${lines})
        if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
            set(target "${CMAKE_MATCH_1}")
            orvane_floor_of("${target}" floor)
            if(target MATCHES "^rez/" AND file MATCHES "^src/")
                message("${file}: includes ${target}: the program never includes tools/")
                math(EXPR violations "${violations} + 1")
            elseif(floor GREATER own)
                list(GET ORVANE_FLOORS ${floor} target_name)
                message("${file}: includes ${target}: floor ${target_name} is above ${own_name}")
                math(EXPR violations "${violations} + 1")
            endif()
        elseif(line MATCHES "#[ \t]*include[ \t]*<(Q[A-Za-z]+)")
            if(NOT own_name STREQUAL "gui" AND NOT file MATCHES "^tests/gui/")
                message("${file}: includes <${CMAKE_MATCH_1}>: only gui may use Qt")
                math(EXPR violations "${violations} + 1")
            endif()
        endif()
    endforeach()
endforeach()

if(violations GREATER 0)
    message(FATAL_ERROR "${violations} include(s) against the floor order")
endif()
list(LENGTH files checked)
message(STATUS "floor order kept by ${checked} files")
