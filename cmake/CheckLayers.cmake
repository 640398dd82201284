# Fails on any include that points up the layers (cmake -DSOURCE_DIR=<tree> -P CheckLayers.cmake; make test
# runs it). A folder may include itself and the folders of lower layers; two folders on one layer never
# include each other. The README's Layout draws the same order.
set(layers
  "math platform"
  "gl"
  "geometry"
  "sequence"
  "effects/sync"
  "effects/isosurface effects/scenes"
  "effects"
  "app"
  "tools/shared"
  "tools/assets tools/render tools/sanitize"
  "tests bench fuzz")

# The layer of a path: that of the longest folder in the table it lies in (platform/web is platform's).
function(layer_of path out_layer out_folder)
  set(best_layer -1)
  set(best_folder "")
  set(index 0)
  foreach(row IN LISTS layers)
    string(REPLACE " " ";" folders "${row}")
    foreach(folder IN LISTS folders)
      string(LENGTH "${folder}" length)
      string(LENGTH "${best_folder}" best_length)
      if(path MATCHES "^${folder}/" AND length GREATER best_length)
        set(best_layer ${index})
        set(best_folder ${folder})
      endif()
    endforeach()
    math(EXPR index "${index} + 1")
  endforeach()
  set(${out_layer} ${best_layer} PARENT_SCOPE)
  set(${out_folder} "${best_folder}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}"
  "${SOURCE_DIR}/math/*" "${SOURCE_DIR}/platform/*" "${SOURCE_DIR}/gl/*" "${SOURCE_DIR}/geometry/*"
  "${SOURCE_DIR}/sequence/*" "${SOURCE_DIR}/effects/*" "${SOURCE_DIR}/app/*" "${SOURCE_DIR}/tools/*")
list(FILTER sources INCLUDE REGEX "\\.(h|cpp)$")
set(upward "")
foreach(source IN LISTS sources)
  layer_of("${source}" own_layer own_folder)
  file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" included "${line}")
    layer_of("${included}" their_layer their_folder)
    if(their_layer LESS 0 OR their_folder STREQUAL own_folder)
      continue()
    endif()
    if(NOT their_layer LESS own_layer)
      list(APPEND upward "${source} includes ${included}")
    endif()
  endforeach()
endforeach()
list(LENGTH sources checked)
if(checked EQUAL 0)
  message(FATAL_ERROR "no sources found under ${SOURCE_DIR}")
endif()
if(upward)
  list(JOIN upward "\n  " report)
  message(FATAL_ERROR "includes that point up the layers:\n  ${report}")
endif()
message(STATUS "${checked} files, every include points down")
