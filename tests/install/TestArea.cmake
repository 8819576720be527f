# The installer's tests run the built program.
target_compile_definitions(${target} PRIVATE ORVANE_INSTALL_PATH="$<TARGET_FILE:orvane-install>")
add_dependencies(${target} orvane-install)
