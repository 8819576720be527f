# The command line's tests link its parsers and writers and run the built program.
target_link_libraries(${target} PRIVATE orvane_cli)
target_compile_definitions(${target} PRIVATE ORVANECTL_PATH="$<TARGET_FILE:orvanectl>")
add_dependencies(${target} orvanectl)
