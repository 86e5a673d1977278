# Precompiled headers for the test builds (LUMICAR_PCH, turned on by
# ./test.sh). Nearly every translation unit parses the same Qt, standard
# library and GoogleTest headers (over 100 000 lines each time); the sanitizer
# builds compile without ccache, so parsing them once per build saves a large
# part of their compile time.
#
# Off by default: an ordinary build compiles every file from its own
# #include lines, which is what catches a forgotten include that a
# precompiled header would hide (the release build of run.sh has no PCH).
#
# Two headers are precompiled once each and reused by every target that can
# use them: lumicar_pch_lib (Qt and the standard library) for libraries and
# programs, lumicar_pch_test (the same plus GoogleTest) for everything that
# links GoogleTest. GCC only takes a reused PCH when the flags that shape it
# match: all our Qt targets compile with the same sanitizer options and -fPIC
# (Qt requires it). GCC also rejects it when a macro defined while it was made
# is missing later, so the two headers are made with only the definitions
# every user has (QT_CORE_LIB, GTEST_HAS_PTHREAD for the tests); the Gui and
# Widgets headers below do not look at the QT_*_LIB definitions the users add
# (QtTest does, so it stays out). Targets without Qt (the SIMD kernels and
# their tests) compile without -fPIC and keep parsing their headers. A PCH
# GCC rejects costs time without breaking anything: -Winvalid-pch names it as
# a warning in the build log. Clang (./test.sh's compiler) is stricter: a
# mismatched PCH is an error, so a target whose options would not match fails
# to build instead of quietly compiling slower.

set(LUMICAR_PCH_HEADERS
  <algorithm>
  <atomic>
  <chrono>
  <condition_variable>
  <cstdint>
  <cstring>
  <functional>
  <map>
  <memory>
  <mutex>
  <optional>
  <string>
  <thread>
  <utility>
  <vector>
  <QtCore/QByteArray>
  <QtCore/QCoreApplication>
  <QtCore/QObject>
  <QtCore/QPointer>
  <QtCore/QString>
  <QtCore/QStringList>
  <QtCore/QTimer>
  <QtCore/QVariant>
  <QtGui/QImage>
  <QtGui/QPainter>
  <QtWidgets/QApplication>
  <QtWidgets/QWidget>)

# Collects whether <target> links Qt and GoogleTest, directly or through
# other targets (private dependencies of static libraries included).
function(lumicar_pch_links target out_qt out_gtest)
  set(pending ${target})
  set(seen "")
  set(qt OFF)
  set(gtest OFF)
  while(pending)
    list(POP_FRONT pending item)
    if(item MATCHES "^\\$<LINK_ONLY:([^$<>]+)>$")
      set(item ${CMAKE_MATCH_1})
    endif()
    if(item MATCHES "[$<>]" OR item MATCHES "^::@" OR item IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${item})
    if(item MATCHES "^Qt6::")
      set(qt ON)
    elseif(item MATCHES "^GTest::")
      set(gtest ON)
    endif()
    if(NOT TARGET ${item})
      continue()
    endif()
    get_target_property(type ${item} TYPE)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(links ${item} LINK_LIBRARIES)
      if(links)
        list(APPEND pending ${links})
      endif()
    endif()
    get_target_property(links ${item} INTERFACE_LINK_LIBRARIES)
    if(links)
      list(APPEND pending ${links})
    endif()
  endwhile()
  set(${out_qt} ${qt} PARENT_SCOPE)
  set(${out_gtest} ${gtest} PARENT_SCOPE)
endfunction()

function(lumicar_pch_collect_targets dir out)
  get_directory_property(targets DIRECTORY ${dir} BUILDSYSTEM_TARGETS)
  get_directory_property(subdirs DIRECTORY ${dir} SUBDIRECTORIES)
  foreach(sub ${subdirs})
    lumicar_pch_collect_targets(${sub} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Runs once the whole tree is configured, so that every target and its links
# are known.
function(lumicar_apply_pch)
  set(anchor ${PROJECT_BINARY_DIR}/lumicar_pch_anchor.cpp)
  file(CONFIGURE OUTPUT ${anchor} CONTENT "// Compiles the shared precompiled header.\n")
  add_library(lumicar_pch_lib OBJECT ${anchor})
  target_link_libraries(lumicar_pch_lib PRIVATE Qt6::Core)
  target_precompile_headers(lumicar_pch_lib PRIVATE ${LUMICAR_PCH_HEADERS})
  set_target_properties(lumicar_pch_lib PROPERTIES AUTOMOC OFF)
  find_package(GTest)
  if(TARGET GTest::gtest)
    add_library(lumicar_pch_test OBJECT ${anchor})
    target_link_libraries(lumicar_pch_test PRIVATE Qt6::Core GTest::gtest)
    target_precompile_headers(lumicar_pch_test PRIVATE ${LUMICAR_PCH_HEADERS} <gtest/gtest.h>)
    set_target_properties(lumicar_pch_test PROPERTIES AUTOMOC OFF)
  endif()

  lumicar_pch_collect_targets(${PROJECT_SOURCE_DIR} targets)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$"
       OR target MATCHES "^lumicar_pch_")
      continue()
    endif()
    lumicar_pch_links(${target} qt gtest)
    if(NOT qt)
      continue()
    endif()
    if(gtest AND TARGET lumicar_pch_test)
      target_precompile_headers(${target} REUSE_FROM lumicar_pch_test)
    elseif(NOT gtest)
      target_precompile_headers(${target} REUSE_FROM lumicar_pch_lib)
    else()
      continue()
    endif()
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      target_compile_options(${target} PRIVATE -Winvalid-pch -Wno-error=invalid-pch)
    endif()
  endforeach()
endfunction()

if(LUMICAR_PCH)
  cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL lumicar_apply_pch)
endif()
