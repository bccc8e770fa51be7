# Warnings and sanitizers for every target of the project, as one interface library to link.
add_library(torvel_build_flags INTERFACE)
target_compile_options(torvel_build_flags INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wold-style-cast
  -Wcast-align -Wformat=2 -Wimplicit-fallthrough -Wmissing-declarations)
if(TORVEL_WERROR)
  target_compile_options(torvel_build_flags INTERFACE -Werror)
endif()
if(TORVEL_SANITIZE)
  target_compile_options(torvel_build_flags INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                         -fno-sanitize-recover=undefined)
  target_link_options(torvel_build_flags INTERFACE -fsanitize=address,undefined)
endif()
if(TORVEL_FUZZ)
  # Coverage for libFuzzer in every library, not only in the fuzz targets' own files: the code under test
  # (the value reader, the design file's JSON reader, the settings file) lives in the libraries.
  target_compile_options(torvel_build_flags INTERFACE -fsanitize=fuzzer-no-link)
endif()
