# Our own code compiles without a single warning; third-party code keeps its own flags.
function(vm_warnings target)
    target_compile_options(${target} PRIVATE
        $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Werror>)
endfunction()
