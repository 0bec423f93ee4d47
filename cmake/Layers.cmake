# The code's layers, from the bottom: engine, signatures, checksums, then the
# command line (cli) and vmview's logic, system and window folders. Each layer
# is one static library whose headers are reachable only through an include
# folder of its own in the build, which holds a link to the layer's sources
# under the layer's path ("gui/logic" -> the sources' gui/logic). A target sees
# the headers of the layers it links and no others: including a header of a
# layer above, or of one beside it, fails to compile.
function(vm_layer target)
    cmake_parse_arguments(PARSE_ARGV 1 LAYER "" "" "SOURCES;USES")
    file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    set(root ${CMAKE_BINARY_DIR}/layers/${target})
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT IS_SYMLINK ${root}/${folder})
        file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
    endif()
    add_library(${target} STATIC ${LAYER_SOURCES})
    target_include_directories(${target} PUBLIC ${root})
    target_link_libraries(${target} PUBLIC ${LAYER_USES})
    vm_warnings(${target})
endfunction()
