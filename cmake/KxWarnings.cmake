# Warning set shared by every target of the project (not by third-party code).
add_library(kx_warnings INTERFACE)
target_compile_options(kx_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
  -Wcast-qual -Wformat=2 -Wimplicit-fallthrough -Wmissing-declarations)
if(KX_WERROR)
  target_compile_options(kx_warnings INTERFACE -Werror)
endif()
if(WIN32)
  # COM interfaces in the system headers have no virtual destructor by design: objects go
  # through their reference counts.
  target_compile_options(kx_warnings INTERFACE -Wno-non-virtual-dtor)
endif()
