# The Windows programs' resources: the icon file drawn at build time from
# app/icon.cpp, one manifest, and version information from the project's
# version. fenrow_program_resources(target description) gives a program all
# three.

# The icon is drawn by a tool of the build machine, so a cross build compiles
# it with the build machine's compiler (it needs only the standard library).
set(icon_tool_sources ${PROJECT_SOURCE_DIR}/app/icon.cpp ${PROJECT_SOURCE_DIR}/app/tools/icon_file.cpp)
set(FENROW_ICON_FILE ${PROJECT_BINARY_DIR}/app/fenrow.ico)
if(CMAKE_CROSSCOMPILING)
  find_program(FENROW_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
  set(icon_tool ${PROJECT_BINARY_DIR}/app/icon_file)
  add_custom_command(OUTPUT ${icon_tool}
    COMMAND ${FENROW_HOST_CXX} -std=c++20 -O2 -I${PROJECT_SOURCE_DIR} ${icon_tool_sources} -o ${icon_tool}
    DEPENDS ${icon_tool_sources} ${PROJECT_SOURCE_DIR}/app/icon.h
    COMMENT "Building the icon tool for the build machine")
else()
  add_executable(icon_file ${icon_tool_sources})
  target_include_directories(icon_file PRIVATE ${PROJECT_SOURCE_DIR})
  set(icon_tool icon_file)
endif()
add_custom_command(OUTPUT ${FENROW_ICON_FILE}
  COMMAND ${icon_tool} ${FENROW_ICON_FILE}
  DEPENDS ${icon_tool} COMMENT "Drawing fenrow.ico")
add_custom_target(fenrow_icon_file DEPENDS ${FENROW_ICON_FILE})

# Four numbers: 2.4 is 2.4.0.0 (2,4,0,0 in the version's fixed part).
string(REGEX MATCHALL "[0-9]+" version_numbers "${PROJECT_VERSION}.0.0.0")
list(SUBLIST version_numbers 0 4 version_numbers)
list(JOIN version_numbers . version)
set(FENROW_VERSION_QUAD ${version} CACHE INTERNAL "The project's version in four numbers")
configure_file(${CMAKE_CURRENT_LIST_DIR}/fenrow.manifest.in ${PROJECT_BINARY_DIR}/app/fenrow.manifest @ONLY)

# Called from the programs' own folders: what it needs is found from the
# project's folders, not from variables of this one.
function(fenrow_program_resources target description)
  set(FENROW_RC_NAME ${target})
  set(FENROW_RC_DESCRIPTION "${description}")
  set(FENROW_ICON_FILE ${PROJECT_BINARY_DIR}/app/fenrow.ico)
  set(FENROW_MANIFEST_FILE ${PROJECT_BINARY_DIR}/app/fenrow.manifest)
  string(REPLACE . , FENROW_VERSION_COMMAS ${FENROW_VERSION_QUAD})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/program.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  # windres reports no dependencies: the files it reads are named here.
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${FENROW_ICON_FILE};${FENROW_MANIFEST_FILE}")
  add_dependencies(${target} fenrow_icon_file)
endfunction()
