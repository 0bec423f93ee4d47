# Our own code compiles without a single warning; third-party code keeps its own flags.
# -Wrestrict is off: GCC 12 reports false overlaps inside std::string's
# operator+ at -O3 (GCC bug 105329).
function(vm_warnings target)
    target_compile_options(${target} PRIVATE
        $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Werror -Wno-restrict>)
endfunction()
