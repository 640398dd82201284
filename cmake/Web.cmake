# The browser build (emcmake, from `make web`): the show as WebAssembly over WebGL2, its music through
# WebAudio, on the platform back end in platform/web. No SDL2, mpg123 or GLEW: the page is the window and
# the browser decodes the MP3. zlib and libpng are those scripts/web-deps.sh builds (QUESSALY_WEB_DEPS);
# the textures and the soundtrack come from the native build's asset tool (QUESSALY_ASSETS).
set(QUESSALY_WEB_DEPS "" CACHE PATH "The folder scripts/web-deps.sh prints")
set(QUESSALY_ASSETS "" CACHE PATH "The folder of textures and soundtrack packed into the page's data file")
if(NOT IS_DIRECTORY "${QUESSALY_WEB_DEPS}" OR NOT IS_DIRECTORY "${QUESSALY_ASSETS}")
  message(FATAL_ERROR "The browser build needs QUESSALY_WEB_DEPS and QUESSALY_ASSETS (make web sets both)")
endif()
# Libraries found in an earlier folder (another cache, another recipe) are looked for again.
if(NOT QUESSALY_WEB_DEPS STREQUAL "${quessaly_web_deps_found_in}")
  foreach(found ZLIB_INCLUDE_DIR ZLIB_LIBRARY_RELEASE ZLIB_LIBRARY_DEBUG PNG_PNG_INCLUDE_DIR PNG_LIBRARY_RELEASE
                PNG_LIBRARY_DEBUG)
    unset(${found} CACHE)
  endforeach()
  set(quessaly_web_deps_found_in "${QUESSALY_WEB_DEPS}" CACHE INTERNAL "")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH ${QUESSALY_WEB_DEPS})
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)

file(GLOB_RECURSE WEB_SOURCES CONFIGURE_DEPENDS
  math/*.cpp app/*.cpp sequence/*.cpp geometry/*.cpp gl/*.cpp effects/*.cpp platform/web/*.cpp)
list(FILTER WEB_SOURCES EXCLUDE REGEX "/app/main\\.cpp$")
# WebGL2 has no fixed function: the GL layer leaves its fixed back end out, and with it every call to it.
list(FILTER WEB_SOURCES EXCLUDE REGEX "/gl/FixedBackend\\.cpp$")
add_executable(quessaly-web ${WEB_SOURCES})
target_include_directories(quessaly-web PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(quessaly-web PRIVATE QUESSALY_NO_FIXED_FUNCTION)
set_source_files_properties(app/AssetFolder.cpp PROPERTIES COMPILE_DEFINITIONS QUESSALY_INSTALLED_DATA_DIR="")
target_link_libraries(quessaly-web PRIVATE PNG::PNG ZLIB::ZLIB)

file(GLOB web_assets CONFIGURE_DEPENDS ${QUESSALY_ASSETS}/*.png ${QUESSALY_ASSETS}/*.mp3)
set_target_properties(quessaly-web PROPERTIES OUTPUT_NAME quessaly SUFFIX .js
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/site LINK_DEPENDS "${web_assets}")
target_link_options(quessaly-web PRIVATE
  -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2
  # The show's scenes and textures take a few hundred megabytes; the heap grows as they load.
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=64MB -sTOTAL_STACK=1MB
  # The page calls main in its start click, where the browser lets sound begin.
  -sINVOKE_RUN=0 -sEXIT_RUNTIME=0 -sENVIRONMENT=web
  "-sEXPORTED_RUNTIME_METHODS=['callMain']"
  "-sEXPORTED_FUNCTIONS=['_main','_quessalyPlayAgain']"
  --preload-file ${QUESSALY_ASSETS}@/)

configure_file(platform/web/index.html ${CMAKE_BINARY_DIR}/site/index.html COPYONLY)
