# Fails when a source includes a header of a layer above its own, or of a
# sibling on its own level. Run as: cmake -DROOT=<source dir> -P CheckLayers.cmake
#
# Folders bottom to top, each with its level; panels and scripting are
# siblings and may not include each other.
set(PQ_LEVELS platform:0 gfx:1 engine:2 effects:3 catalogue:4 ui:5 workspace:6 panels:7 scripting:7 app:8)

set(dirs "")
foreach(entry IN LISTS PQ_LEVELS)
  string(REPLACE ":" ";" parts "${entry}")
  list(GET parts 0 dir)
  list(GET parts 1 LEVEL_${dir})
  list(APPEND dirs ${dir})
endforeach()

set(failures "")
foreach(dir IN LISTS dirs)
  file(GLOB_RECURSE sources ${ROOT}/${dir}/*.h ${ROOT}/${dir}/*.cpp)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^#include \"[a-z_]+/")
    foreach(inc IN LISTS includes)
      string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" target "${inc}")
      if(NOT DEFINED LEVEL_${target} OR target STREQUAL dir)
        continue()
      endif()
      if(NOT LEVEL_${target} LESS LEVEL_${dir})
        file(RELATIVE_PATH rel ${ROOT} ${source})
        string(APPEND failures "  ${rel}: ${inc}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(failures)
  message(FATAL_ERROR "Includes that look up the layers:\n${failures}")
endif()
message(STATUS "Every include looks down the layers.")
