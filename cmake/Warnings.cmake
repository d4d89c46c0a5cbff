# Warnings every Tonwerk target compiles with. Third-party headers come in as system includes.
add_library(tonwerk_warnings INTERFACE)
target_compile_options(tonwerk_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
  -Wunused -Woverloaded-virtual -Wconversion -Wsign-conversion -Wnull-dereference
  -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
