# The editor's resources for Windows trees.
#
# kelvo_add_resources(TARGET) compiles app/kelvo.rc into the executable TARGET.
# The script includes the tool bar strips and the application icon, which are
# not kept in the repository: the host program tools/art/make_art.cpp draws
# them from the text artwork in app/art/glyphs.h. That program is built with
# the machine's own C++ compiler (the tree's compiler makes Windows programs)
# and run by the build, so the files follow every change to the artwork.
include_guard(GLOBAL)

find_program(KELVO_HOST_CXX NAMES c++ g++ clang++
             DOC "The build machine's C++ compiler, for host tools")

function(kelvo_add_resources target)
    if(NOT WIN32)
        message(FATAL_ERROR "kelvo_add_resources: resources belong to Windows programs only")
    endif()
    if(NOT KELVO_HOST_CXX)
        message(FATAL_ERROR "kelvo_add_resources: no host C++ compiler (c++) found to build make_art")
    endif()

    cmake_path(GET CMAKE_CURRENT_FUNCTION_LIST_DIR PARENT_PATH root)
    set(art_dir ${CMAKE_CURRENT_BINARY_DIR}/art)
    set(tool ${art_dir}/make_art)
    set(bitmap ${art_dir}/toolbar16.bmp ${art_dir}/toolbar24.bmp ${art_dir}/toolbar32.bmp)
    set(icon ${art_dir}/kelvo.ico)
    set(script ${root}/app/kelvo.rc)

    # One set of build rules per folder, owned by one target, however many
    # executables use them (so parallel builds never run them twice).
    string(MD5 folder_hash "${CMAKE_CURRENT_BINARY_DIR}")
    string(SUBSTRING "${folder_hash}" 0 8 folder_hash)
    set(art_target kelvo_art_${folder_hash})
    if(NOT TARGET ${art_target})
        add_custom_command(
            OUTPUT ${tool}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${art_dir}
            COMMAND ${KELVO_HOST_CXX} -std=c++20 -O1 -Wall -Wextra -I${root}
                    ${root}/tools/art/make_art.cpp -o ${tool}
            DEPENDS ${root}/tools/art/make_art.cpp ${root}/app/art/glyphs.h ${root}/app/resource.h
            COMMENT "Building the host tool make_art"
            VERBATIM)
        add_custom_command(
            OUTPUT ${bitmap} ${icon}
            COMMAND ${tool} ${art_dir}
            DEPENDS ${tool}
            COMMENT "Drawing the tool bar strips and the application icon"
            VERBATIM)
        add_custom_target(${art_target} DEPENDS ${bitmap} ${icon})
    endif()

    add_dependencies(${target} ${art_target})
    target_sources(${target} PRIVATE ${script})
    set_property(SOURCE ${script} APPEND PROPERTY OBJECT_DEPENDS
                 ${bitmap} ${icon} ${root}/app/kelvo.manifest ${root}/app/resource.h)
    # The resource compiler finds the generated files and the manifest by these paths.
    target_include_directories(${target} PRIVATE
                               "$<$<COMPILE_LANGUAGE:RC>:${art_dir}>"
                               "$<$<COMPILE_LANGUAGE:RC>:${root}/app>")
endfunction()
