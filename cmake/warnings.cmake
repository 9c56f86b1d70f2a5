# Warning flags shared by every target of ours.
add_library(tgw_warnings INTERFACE)
target_compile_options(tgw_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Wunused
  -Woverloaded-virtual -Wnull-dereference -Wdouble-promotion -Wformat=2
  $<$<BOOL:${TGW_WERROR}>:-Werror>)
