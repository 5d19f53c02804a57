# Where `cmake --install` puts things: the GNU folders under the prefix, with the
# speech engines in a private folder under the multiarch library folder
# (lib/<multiarch>/zelvora) whatever the prefix, so that an install under any
# folder has the same shape as the Debian package and runs from there.
include(GNUInstallDirs)
if(CMAKE_LIBRARY_ARCHITECTURE AND CMAKE_INSTALL_LIBDIR STREQUAL "lib")
  set(zelvora_engine_dir "lib/${CMAKE_LIBRARY_ARCHITECTURE}/zelvora")
else()
  set(zelvora_engine_dir "${CMAKE_INSTALL_LIBDIR}/zelvora")
endif()
set(ZELVORA_ENGINE_INSTALL_DIR "${zelvora_engine_dir}" CACHE PATH
  "Where the speech engines are installed, relative to the prefix")
# Every install rule without a COMPONENT belongs to the main package's component,
# `zelvora`; each engine but espeak-ng's has its own (see zelvora_install_engine()).
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME zelvora)
# The about box opens <bin>/../share/doc/zelvora/README.md.
set(ZELVORA_DOC_INSTALL_DIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/zelvora")

# The program's RUNPATH: the engine folder relative to the program's own folder.
# The build tree uses the same one (bin/ and a folder of links to the engines), so
# nothing is rewritten at install and no padding ever lands in the RUNPATH.
file(RELATIVE_PATH zelvora_engine_relative "${CMAKE_INSTALL_FULL_BINDIR}"
     "${CMAKE_INSTALL_PREFIX}/${ZELVORA_ENGINE_INSTALL_DIR}")
set(ZELVORA_ENGINE_RUNPATH "$ORIGIN/${zelvora_engine_relative}")
get_filename_component(ZELVORA_BUILD_ENGINE_DIR
  "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${zelvora_engine_relative}" ABSOLUTE)

# Everything an install needs, so that a package build can make only these
# (`cmake --build B --target installables`) and leave out tests and benchmarks.
add_custom_target(installables)
# The build tree's engine folder, with a link to every engine: the built program
# depends on it.
add_custom_target(zelvora_engine_links)

# Installs a speech engine (a shared library behind speech/upctv.h) into the
# private engine folder, where the installed program's RUNPATH finds it, and links
# it into the build tree's engine folder so the built program finds it the same
# way. Every engine in speech/engines/ except the test double calls this.
#
#   zelvora_install_engine(<target> [COMPONENT <engine>])
#
# With COMPONENT the engine is installed in its own install component, which the
# Debian package turns into the package zelvora-<engine> (packaging/EnginePackages.cmake);
# without, it belongs to the main package. The component is recorded in the global
# property ZELVORA_ENGINE_COMPONENTS, so only built engines get a package.
function(zelvora_install_engine target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "COMPONENT" "")
  set(component ${CMAKE_INSTALL_DEFAULT_COMPONENT_NAME})
  if(arg_COMPONENT)
    set(component ${arg_COMPONENT})
    set_property(GLOBAL APPEND PROPERTY ZELVORA_ENGINE_COMPONENTS ${component})
  endif()
  install(TARGETS ${target}
    LIBRARY DESTINATION "${ZELVORA_ENGINE_INSTALL_DIR}" COMPONENT ${component}
    PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  file(RELATIVE_PATH library_folder "${ZELVORA_BUILD_ENGINE_DIR}" "${CMAKE_LIBRARY_OUTPUT_DIRECTORY}")
  string(REGEX REPLACE "/$" "" library_folder "${library_folder}")
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set(name "${CMAKE_SHARED_LIBRARY_PREFIX}${name}${CMAKE_SHARED_LIBRARY_SUFFIX}")
  add_custom_command(OUTPUT "${ZELVORA_BUILD_ENGINE_DIR}/${name}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${ZELVORA_BUILD_ENGINE_DIR}"
    COMMAND ${CMAKE_COMMAND} -E create_symlink "${library_folder}/${name}" "${ZELVORA_BUILD_ENGINE_DIR}/${name}"
    DEPENDS ${target}
    VERBATIM)
  add_custom_target(${target}_in_engine_folder DEPENDS "${ZELVORA_BUILD_ENGINE_DIR}/${name}")
  add_dependencies(zelvora_engine_links ${target}_in_engine_folder)
  add_dependencies(installables ${target})
endfunction()
