# Warnings for our own code only: third-party headers are not held to them.
add_library(tabulon_warnings INTERFACE)
target_compile_options(tabulon_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
  -Wcast-align -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough
  # C++17 dropped trigraphs; "????/????" placeholders are plain text.
  -Wno-trigraphs)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # GCC 12 reports std::string concatenation at -O2/-O3 as overlapping memcpy (GCC bug 105329),
  # and finds "potential null pointer dereferences" inside libstdc++'s own inlined code
  # (vector::insert, istreambuf_iterator) in optimized builds, the only ones where that warning
  # looks at anything.
  target_compile_options(tabulon_warnings INTERFACE -Wno-restrict -Wno-null-dereference)
endif()
if(TABULON_WERROR)
  target_compile_options(tabulon_warnings INTERFACE -Werror)
endif()
