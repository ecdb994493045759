# gemmi is header-only in Debian (gemmi-dev) and ships no CMake package, so the
# target is built here: koralix::gemmi brings gemmi's headers, PEGTL for its CIF
# reader and the stb_sprintf shim for its number formatting.
#
# Any source that uses gemmi's formatting (gemmi/sprintf.hpp, pulled in by
# smcif.hpp, to_pdb.hpp, mtz.hpp and others) needs exactly one .cpp of the
# program with `#define GEMMI_WRITE_IMPLEMENTATION` before that include.
include_guard(GLOBAL)

find_path(GEMMI_INCLUDE_DIR gemmi/version.hpp REQUIRED)
find_path(PEGTL_INCLUDE_DIR tao/pegtl.hpp REQUIRED)
find_path(STB_INCLUDE_DIR stb/stb_sprintf.h REQUIRED)

add_library(koralix_gemmi INTERFACE)
add_library(koralix::gemmi ALIAS koralix_gemmi)
# The project root comes first so that gemmi finds our third_party/stb_sprintf.h
# shim (Debian strips gemmi's bundled copy, and the fallback prints a #warning).
target_include_directories(koralix_gemmi SYSTEM INTERFACE
  ${PROJECT_SOURCE_DIR}
  ${GEMMI_INCLUDE_DIR}
  ${PEGTL_INCLUDE_DIR}
  ${STB_INCLUDE_DIR}
)
