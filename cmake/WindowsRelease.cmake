# What the Windows zip holds: both programs and the DLLs they load beside them, the textures and the
# soundtrack in assets/, a README and the libraries' licences. `cmake --install` lays it out.
#
# The files go in assets/ rather than beside the programs: the programs look there whatever folder they are
# started from (a double-click, a shortcut, a console elsewhere), and the folder a user opens shows the two
# programs and the README instead of two dozen data files.

# GUI programs: a double-click opens the show without a console window; the program writes into the console
# it is started from, if any (platform/windows/ParentConsole.cpp). Our own main() stays the entry point:
# mingw-w64's start-up code calls main() in a GUI program as in a console one, so SDL2main is neither built
# nor linked.
target_compile_definitions(quessaly_core PUBLIC SDL_MAIN_HANDLED)
enable_language(RC)
foreach(program quessaly-1024x768 quessaly-1280x720)
  target_sources(${program} PRIVATE ${PROJECT_SOURCE_DIR}/platform/windows/quessaly.rc)
  set_target_properties(${program} PROPERTIES WIN32_EXECUTABLE TRUE)
endforeach()

set(QUESSALY_ASSET_DIR ${PROJECT_SOURCE_DIR}/build/assets CACHE PATH
  "The textures and the soundtrack, as the native build's asset tool makes them")
if(NOT EXISTS ${QUESSALY_ASSET_DIR}/Quessaly.mp3)
  message(FATAL_ERROR "No soundtrack in ${QUESSALY_ASSET_DIR}: build the native asset tool's `assets` target first")
endif()
file(GLOB mpg123_dll ${QUESSALY_WINDOWS_DEPS}/bin/libmpg123-*.dll)

install(TARGETS quessaly-1024x768 quessaly-1280x720 RUNTIME DESTINATION .)
install(IMPORTED_RUNTIME_ARTIFACTS SDL2::SDL2 DESTINATION .)
install(FILES ${mpg123_dll} DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/scripts/windows-readme.txt DESTINATION . RENAME README.txt)
install(DIRECTORY ${QUESSALY_ASSET_DIR}/ DESTINATION assets FILES_MATCHING PATTERN "*.png" PATTERN "*.mp3")
install(DIRECTORY ${QUESSALY_WINDOWS_DEPS}/licenses/ DESTINATION licenses)
# The compiler's C++ runtime and winpthreads are linked into the programs.
install(FILES /usr/share/doc/mingw-w64-x86-64-dev/copyright DESTINATION licenses/mingw-w64)
install(FILES /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright DESTINATION licenses/gcc-runtime)
