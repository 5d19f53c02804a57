# The engine packages and the desktop actions, included by packaging/CMakeLists.txt.
#
# Every engine installed in a component of its own (zelvora_install_engine(<target>
# COMPONENT <engine>), see InstallLayout.cmake) becomes the Debian package
# zelvora-<engine>: it depends on the main package of exactly the same version, on
# what dpkg-shlibdeps finds for its libraries and on the packages below that it
# reads or runs without linking them, and the main package recommends it. The
# desktop entry gains an action that starts the program with that engine. An engine
# that is not built (the Festival engine without festival-dev) has neither.

# Per engine: the packages it needs at run time beyond its libraries' own, the
# package's description (the first line is the summary; no straight double quotes,
# which CPack's configuration file would not keep) and the desktop action's name
# in English, Catalan and Spanish.
#
# speechd: the engine runs the user's speech-dispatcher (it starts the server when
# it is not running, as a desktop does), so without the server it says nothing.
set(engine_speechd_depends "speech-dispatcher")
set(engine_speechd_description "speech-dispatcher engine for the Zelvora talking book reader
With this engine Zelvora reads books through the user's own
speech-dispatcher, the speech server of the Orca screen reader and most
Linux programs, with the speech module and voices configured there for
Catalan and Spanish. Start it with the command zelvora --engine speechd or
from the desktop menu: “Zelvora with the system voice”.")
set(engine_speechd_action "Zelvora with the system voice" "Zelvora amb la veu del sistema"
  "Zelvora con la voz del sistema")
# festival: Festival's own Scheme library (/usr/share/festival, in festival) and
# the Catalan voice ona; Spanish is espeak-ng's voice, whose data the engine reads.
set(engine_festival_depends "festival, festvox-ca-ona-hts, espeak-ng-data")
set(engine_festival_description "natural Catalan voice for the Zelvora talking book reader
With this engine Zelvora reads Catalan books with the Festival speech
synthesis system and its natural voice “ona”; Spanish is spoken by
espeak-ng inside the same engine. Start it with the command
zelvora --engine festival or from the desktop menu: “Zelvora with a natural
voice”.")
set(engine_festival_action "Zelvora with a natural voice" "Zelvora amb veu natural"
  "Zelvora con voz natural")

# The engines built, in the order of the menu's actions and the recommendations.
get_property(built GLOBAL PROPERTY ZELVORA_ENGINE_COMPONENTS)
set(engines "")
foreach(engine speechd festival)
  if(engine IN_LIST built)
    list(APPEND engines ${engine})
    list(REMOVE_ITEM built ${engine})
  endif()
endforeach()
if(built)
  message(FATAL_ERROR "No package description here for the engine components: ${built}")
endif()

set(DESKTOP_ACTIONS "")
set(DESKTOP_ACTION_GROUPS "")
set(engine_packages "")
foreach(engine IN LISTS engines)
  string(TOUPPER ${engine} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME zelvora-${engine})
  set(CPACK_COMPONENT_${upper}_DEPENDS zelvora)
  set(CPACK_DEBIAN_${upper}_PACKAGE_DEPENDS "${engine_${engine}_depends}")
  set(CPACK_DEBIAN_${upper}_DESCRIPTION "${engine_${engine}_description}")
  list(APPEND engine_packages zelvora-${engine})
  # Every package has its own copyright file and changelog.
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
    DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/zelvora-${engine}" COMPONENT ${engine})

  list(GET engine_${engine}_action 0 name)
  list(GET engine_${engine}_action 1 name_ca)
  list(GET engine_${engine}_action 2 name_es)
  string(APPEND DESKTOP_ACTIONS "${engine};")
  string(APPEND DESKTOP_ACTION_GROUPS "\n\n[Desktop Action ${engine}]\nName=${name}\n"
    "Name[ca]=${name_ca}\nName[es]=${name_es}\nExec=zelvora --engine ${engine}")
endforeach()
if(engines)
  set(DESKTOP_ACTIONS "\nActions=${DESKTOP_ACTIONS}${DESKTOP_ACTION_GROUPS}")
endif()
list(JOIN engine_packages ", " CPACK_DEBIAN_ZELVORA_PACKAGE_RECOMMENDS)
set(CPACK_COMPONENTS_ALL zelvora ${engines})

# The names of the packages `cpack -G DEB` makes, one a line, main package first,
# for build-deb.sh and check-package.sh.
list(TRANSFORM engines PREPEND zelvora- OUTPUT_VARIABLE names)
list(PREPEND names zelvora)
list(JOIN names "\n" names)
file(WRITE "${CMAKE_BINARY_DIR}/deb-packages" "${names}\n")
