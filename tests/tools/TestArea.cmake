# The resource compiler's tests link its parser.
target_link_libraries(${target} PRIVATE orvane_rez)
