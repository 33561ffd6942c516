# Checks every quoted include of src/ against the layers: run as
#   cmake -DSOURCE_DIR=<src> -DREACH="base=base;rcon=rcon,base;..." -P CheckLayerIncludes.cmake
# An include is resolved as the compiler does (beside the including file first, then from src/), so
# an include through a subfolder or "../" is checked by the layer of the file it reaches.
# Prints one line per include against the direction and fails when there is any.
cmake_minimum_required(VERSION 3.21)

foreach(entry ${REACH})
    string(REPLACE "=" ";" parts "${entry}")
    list(GET parts 0 layer)
    list(GET parts 1 reach)
    string(REPLACE "," ";" reach "${reach}")
    set(reach_${layer} ${reach})
    list(APPEND layers ${layer})
endforeach()

set(failures 0)
file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
foreach(file ${files})
    string(REGEX MATCH "^[^/]+" layer "${file}")
    if(NOT layer IN_LIST layers)
        continue() # main.cpp and the like sit above every layer
    endif()
    get_filename_component(dir ${SOURCE_DIR}/${file} DIRECTORY)
    file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${includes})
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" name "${line}")
        if(EXISTS ${dir}/${name})
            get_filename_component(target ${dir}/${name} REALPATH)
        elseif(EXISTS ${SOURCE_DIR}/${name})
            get_filename_component(target ${SOURCE_DIR}/${name} REALPATH)
        else()
            continue() # generated (moc, ui) or outside the tree
        endif()
        file(RELATIVE_PATH relative ${SOURCE_DIR} ${target})
        string(REGEX MATCH "^[^/]+" target_layer "${relative}")
        if(relative MATCHES "^\\.\\." OR NOT target_layer IN_LIST layers)
            message("src/${file}: includes \"${name}\", which is outside the layers of src/")
            math(EXPR failures "${failures} + 1")
        elseif(NOT target_layer IN_LIST reach_${layer})
            message("src/${file}: src/${layer}/ must not include ${relative}: layers depend one way")
            math(EXPR failures "${failures} + 1")
        endif()
    endforeach()
endforeach()
if(failures GREATER 0)
    message(FATAL_ERROR "${failures} include(s) against the layers")
endif()
message("every include of src/ follows the layers")
