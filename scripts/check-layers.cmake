# Fails when a library layer includes a layer above it. base, data, graphics
# and sound are libraries the script, the scenes and the shell use, never the
# other way round; each may include only the layers listed for it.
#   cmake -DSOURCE_DIR=<tree> -P scripts/check-layers.cmake
cmake_minimum_required(VERSION 3.20)
set(allowed_base base)
set(allowed_data base data)
set(allowed_graphics base data graphics platform)
set(allowed_sound base data platform sound)

set(failed FALSE)
foreach(layer base data graphics sound)
  file(GLOB_RECURSE files ${SOURCE_DIR}/src/${layer}/*.h ${SOURCE_DIR}/src/${layer}/*.cpp)
  foreach(file ${files})
    file(STRINGS ${file} includes REGEX "^#include \"[a-z]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([a-z]+)/.*" "\\1" target "${line}")
      if(NOT target IN_LIST allowed_${layer})
        file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
        message(SEND_ERROR "${name}: src/${layer} includes from src/${target}: ${line}")
        set(failed TRUE)
      endif()
    endforeach()
  endforeach()
endforeach()
if(failed)
  message(FATAL_ERROR "a library layer reaches up into a layer that uses it")
endif()
