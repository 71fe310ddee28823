# Third-party libraries the implementation links, gathered behind one interface target.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(Boost 1.74 REQUIRED)

# The platform layer's glyph sources: FreeType outlines, fontconfig choosing the family.
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)

# The platform layer's image codecs. giflib ships no pkg-config file, so it is found by
# its library and header.
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(JPEG REQUIRED IMPORTED_TARGET libjpeg)
pkg_check_modules(TIFF REQUIRED IMPORTED_TARGET libtiff-4)
find_library(GIF_LIBRARY NAMES gif REQUIRED)
find_path(GIF_INCLUDE_DIR gif_lib.h REQUIRED)

# The GPU renderer: Vulkan headers only (the loader is opened at run time, so the library
# works without it), and shaderc, a compiler library, linked in. Debian's libshaderc.so
# carries its own copy of glslang's SPIR-V back end that does not match the packaged
# glslang (compiles crash), so the static shaderc goes with the static glslang it was built
# against.
find_path(VULKAN_INCLUDE_DIR vulkan/vulkan.h REQUIRED)
find_path(SHADERC_INCLUDE_DIR shaderc/shaderc.h REQUIRED)
set(GX_SHADERC_LIBRARIES)
foreach(lib shaderc_combined SPIRV glslang MachineIndependent GenericCodeGen OSDependent
            OGLCompiler HLSL SPIRV-Tools-opt SPIRV-Tools)
  find_library(GX_LIB_${lib} NAMES lib${lib}.a REQUIRED)
  list(APPEND GX_SHADERC_LIBRARIES ${GX_LIB_${lib}})
endforeach()

# Windows, device contexts and native bitmaps: Xlib with MIT-SHM from libXext, pixman for the
# pixel work of blits and presents, Cairo for contexts over a caller's cairo_t and for the
# print canvas (its PDF, PostScript and SVG surfaces).
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11 xext)
pkg_check_modules(PIXMAN REQUIRED IMPORTED_TARGET pixman-1)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)

add_library(gx_dependencies INTERFACE)
target_link_libraries(gx_dependencies INTERFACE Threads::Threads Boost::headers
                      PkgConfig::FREETYPE PkgConfig::FONTCONFIG PkgConfig::PNG PkgConfig::JPEG
                      PkgConfig::TIFF ${GIF_LIBRARY} PkgConfig::X11 PkgConfig::PIXMAN
                      PkgConfig::CAIRO ${CMAKE_DL_LIBS}
                      "$<LINK_GROUP:RESCAN,${GX_SHADERC_LIBRARIES}>")
target_include_directories(gx_dependencies INTERFACE ${GIF_INCLUDE_DIR} ${VULKAN_INCLUDE_DIR}
                           ${SHADERC_INCLUDE_DIR})

# Baselines that the benchmarks measure against in the same run.
pkg_check_modules(POLYCLIPPING IMPORTED_TARGET polyclipping)
add_library(gx_bench_baselines INTERFACE)
if(CAIRO_FOUND)
  target_link_libraries(gx_bench_baselines INTERFACE PkgConfig::CAIRO)
endif()
if(PIXMAN_FOUND)
  target_link_libraries(gx_bench_baselines INTERFACE PkgConfig::PIXMAN)
endif()
if(POLYCLIPPING_FOUND)
  target_link_libraries(gx_bench_baselines INTERFACE PkgConfig::POLYCLIPPING)
endif()
