# Warning and sanitizer flags shared by every target of the project.
set(ORVANE_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wvla)
if(ORVANE_WERROR)
    list(APPEND ORVANE_WARNINGS -Werror)
endif()

# Tone curves must give the same numbers on every machine: no fused multiply-add or other
# contraction of floating-point expressions (x86-64 SSE keeps float arithmetic in float).
add_compile_options(-ffp-contract=off)

if(ORVANE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
    add_compile_definitions(ORVANE_SANITIZED=1)
endif()
if(ORVANE_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "ORVANE_FUZZ needs clang (configure with CXX=clang++)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
    add_compile_definitions(ORVANE_SANITIZED=1)
endif()

function(orvane_target_flags target)
    target_compile_options(${target} PRIVATE ${ORVANE_WARNINGS})
endfunction()
