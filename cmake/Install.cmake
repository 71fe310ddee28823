# What `cmake --install` puts under the prefix, split into two components that become the
# Debian packages (cmake/Package.cmake): `runtime` is the versioned shared library alone,
# `development` everything needed to build against it.
#
# Headers go to include/gx/ rather than straight into include/: gx.h is a short name that
# another package could also claim. pkg-config and the CMake package both put include/gx on
# the include path, so programs write #include <gx.h> in the tree and installed alike.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(GX_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/gx)
set(GX_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/gx)

target_include_directories(gx INTERFACE $<INSTALL_INTERFACE:${GX_INSTALL_INCLUDEDIR}>)
install(TARGETS gx EXPORT gxTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
                NAMELINK_COMPONENT development)

# What a program linking libgx.a must add: the libraries behind gx_dependencies, by name
# (their headers are not needed, gx.h includes only standard ones), then the C++ runtime.
# Read from the target, so a library added there reaches gx.pc and the CMake package.
set(GX_STATIC_DEPENDENCY_NAMES)
get_target_property(dependencies gx_dependencies INTERFACE_LINK_LIBRARIES)
foreach(dependency ${dependencies})
  if(dependency STREQUAL "Threads::Threads")
    list(APPEND GX_STATIC_DEPENDENCY_NAMES pthread)
    continue()
  elseif(TARGET ${dependency})
    get_target_property(files ${dependency} INTERFACE_LINK_LIBRARIES)
  else()
    set(files ${dependency})
  endif()
  foreach(file ${files})
    if(file MATCHES "/lib([^/]+)\\.(so|a)(\\.[0-9.]+)?$")  # a library file
      list(APPEND GX_STATIC_DEPENDENCY_NAMES ${CMAKE_MATCH_1})
    elseif(file MATCHES "^[A-Za-z0-9_+.]+$")                 # a bare library name
      list(APPEND GX_STATIC_DEPENDENCY_NAMES ${file})
    endif()
  endforeach()
endforeach()
list(APPEND GX_STATIC_DEPENDENCY_NAMES m)
list(REMOVE_DUPLICATES GX_STATIC_DEPENDENCY_NAMES)
list(TRANSFORM GX_STATIC_DEPENDENCY_NAMES PREPEND "-l" OUTPUT_VARIABLE GX_PC_LIBS_PRIVATE)
list(APPEND GX_PC_LIBS_PRIVATE -lstdc++)
list(JOIN GX_PC_LIBS_PRIVATE " " GX_PC_LIBS_PRIVATE)

if(TARGET gx_static)
  target_include_directories(gx_static INTERFACE $<INSTALL_INTERFACE:${GX_INSTALL_INCLUDEDIR}>)
  target_link_libraries(gx_static INTERFACE "$<INSTALL_INTERFACE:${GX_STATIC_DEPENDENCY_NAMES}>")
  install(TARGETS gx_static EXPORT gxTargets
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
  # A stripped install (the packages) strips the shared library; CMake leaves archives
  # alone, and the archive's debug information is most of its size.
  install(CODE "
    set(archive \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:gx_static>\")
    if(CMAKE_INSTALL_DO_STRIP AND EXISTS \"\${archive}\")
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug \"\${archive}\" COMMAND_ERROR_IS_FATAL ANY)
    endif()" COMPONENT development)
endif()

# Every public header in include/, so a new one is installed without editing this file.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/include/ DESTINATION ${GX_INSTALL_INCLUDEDIR}
        COMPONENT development FILES_MATCHING PATTERN "*.h" PATTERN "*.hpp")

# pkg-config: the prefix is found from the file's own place, so the same file serves an
# install under any prefix and the packages under /usr.
file(RELATIVE_PATH GX_PC_PREFIX_FROM_PCFILEDIR
     /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" GX_PC_PREFIX_FROM_PCFILEDIR "${GX_PC_PREFIX_FROM_PCFILEDIR}")
configure_file(${CMAKE_SOURCE_DIR}/cmake/gx.pc.in ${CMAKE_BINARY_DIR}/gx.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/gx.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT development)

# The CMake package: find_package(gx CONFIG) gives gx::gx (and gx::gx_static where built).
install(EXPORT gxTargets NAMESPACE gx:: DESTINATION ${GX_INSTALL_CMAKEDIR}
        COMPONENT development)
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/gxConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/gxConfig.cmake
                              INSTALL_DESTINATION ${GX_INSTALL_CMAKEDIR})
# Version 0.x promises the ABI of soname libgx.so.0: any 0.y satisfies a request for 0.x.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/gxConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/gxConfig.cmake ${CMAKE_BINARY_DIR}/gxConfigVersion.cmake
        DESTINATION ${GX_INSTALL_CMAKEDIR} COMPONENT development)

include(${CMAKE_SOURCE_DIR}/cmake/Package.cmake)
