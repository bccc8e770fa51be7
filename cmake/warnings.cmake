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
