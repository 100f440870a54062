# SPDX-License-Identifier: GPL-3.0-or-later
# The folders are layers: a folder includes only its own headers and those of lower layers
# (files and metafile, then imaging, compare, review, run, then the front ends), and compare
# works on fingerprints alone, with no libvips or Qt. Fails naming every include that breaks
# the order.  cmake -DROOT=<source folder> -P cmake/layers.cmake
set(rank_files 0)
set(rank_metafile 0)
set(rank_imaging 1)
set(rank_compare 2)
set(rank_review 3)
set(rank_run 4)
set(rank_ui 5)
set(rank_cli 5)
set(rank_app 6)
set(forbidden_compare "vips/|Q[A-Za-z]+>")

set(broken "")
foreach(folder files metafile imaging compare review run ui cli app)
  file(GLOB_RECURSE sources ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${source} includes REGEX "^#include [\"<]")
    foreach(line ${includes})
      if(line MATCHES "^#include \"([a-z_]+)/")
        set(used ${CMAKE_MATCH_1})
        if(NOT used STREQUAL folder AND
           (NOT DEFINED rank_${used} OR NOT rank_${used} LESS rank_${folder}))
          list(APPEND broken "${source}: ${line}")
        endif()
      elseif(DEFINED forbidden_${folder} AND line MATCHES "^#include <(${forbidden_${folder}})")
        list(APPEND broken "${source}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(broken)
  string(REPLACE "${ROOT}/" "" broken "${broken}")
  string(REPLACE ";" "\n  " broken "${broken}")
  message(FATAL_ERROR "Includes against the order of the layers:\n  ${broken}")
endif()
