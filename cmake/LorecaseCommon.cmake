include(GenerateExportHeader)

# Project-wide compile settings, carried by one interface target.
add_library(lorecase_common INTERFACE)
target_compile_features(lorecase_common INTERFACE cxx_std_20)
target_compile_definitions(lorecase_common INTERFACE
  QT_NO_CONTEXTLESS_CONNECT
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_KEYWORDS
  LORECASE_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  LORECASE_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  LORECASE_VERSION_PATCH=${PROJECT_VERSION_PATCH})
target_compile_options(lorecase_common INTERFACE -Wall -Wextra -Wno-unused-parameter -Wshadow
  -Wold-style-cast -Woverloaded-virtual -Wnon-virtual-dtor -Wpedantic)
option(LORECASE_WERROR "Treat warnings as errors" OFF)
if(LORECASE_WERROR)
  target_compile_options(lorecase_common INTERFACE -Werror)
endif()

# lorecase_add_test(name SOURCES a.cpp b.cpp LIBS x y)
function(lorecase_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE lorecase_common lorecase_testsupport Qt6::Test ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300 ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen;QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox;LORECASE_TOOLS=${LORECASE_HOME_DIR}")
endfunction()

# lorecase_add_component(Name [LIBS public libraries] [PRIVATE_LIBS private libraries])
# A component is a shared library of its folder's sources on the platform layer, with its own
# export header (name in lower case + _export.h).
function(lorecase_add_component name)
  cmake_parse_arguments(C "" "" "LIBS;PRIVATE_LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${name} SHARED ${sources})
  string(TOLOWER ${name} export_name)
  generate_export_header(${name} BASE_NAME ${export_name})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR})
  target_link_libraries(${name} PUBLIC lorecase_common lcbase Qt6::Widgets ${C_LIBS}
    PRIVATE ${C_PRIVATE_LIBS})
endfunction()
