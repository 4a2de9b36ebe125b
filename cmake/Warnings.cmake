# Warnings are errors in every build; the shipped program must compile cleanly everywhere.
function(tolvin_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor -Wcast-align
        -Wformat=2 -Wundef -Wnull-dereference -Wdouble-promotion)
endfunction()
