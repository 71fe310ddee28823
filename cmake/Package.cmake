# Debian packages from the install components (cmake/Install.cmake): libgx0 holds the
# shared library under its soname, libgx-dev the headers, the development link, the
# archive, gx.pc and the CMake package. scripts/package.sh builds them. Each description
# starts with its own summary line, so no package-wide summary is set.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME libgx)
set(CPACK_PACKAGE_VENDOR "libgx")
set(CPACK_PACKAGE_CONTACT "libgx developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL runtime development)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libgx${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
string(CONCAT CPACK_DEBIAN_RUNTIME_DESCRIPTION
       "2D vector graphics in the PDF imaging model - shared library\n"
       "Paths, strokes, bitmaps, gradients, text, clipping, the sixteen PDF blend modes,\n"
       "transparency groups and soft masks, drawn by an anti-aliased software rasterizer\n"
       "behind a flat C interface.")
# dpkg-shlibdeps reads the library's own needs (libc, libstdc++, FreeType, codecs, ...);
# the shlibs file lets packages built against libgx depend on it the same way, and with it
# CPack adds the scripts that refresh the linker cache.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libgx-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
string(CONCAT CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
       "2D vector graphics in the PDF imaging model - development files\n"
       "The C header gx.h, the C++ header gx.hpp, pkg-config and CMake package files,\n"
       "and the static library.")
# The exact libgx0 for the development link; the -dev packages of what libgx.a calls,
# so static linking finds them.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
    "${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME} (= ${PROJECT_VERSION})")
if(TARGET gx_static)
  string(APPEND CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
         ", libfreetype-dev, libfontconfig-dev, libpng-dev, libjpeg-dev, libtiff-dev, libgif-dev")
endif()

include(CPack)
