# Spreadsheet libraries for the atom grid: libxlsxwriter writes .xlsx, liborcus
# reads it, libfreexl reads legacy .xls. liborcus's pkg-config file names an
# include folder Debian does not ship, so IMPORTED_TARGET cannot be used for it:
# koralix::spreadsheets is built here from its variables, without that folder.
include_guard(GLOBAL)

find_package(PkgConfig REQUIRED)
pkg_check_modules(XLSXWRITER REQUIRED IMPORTED_TARGET xlsxwriter)
pkg_check_modules(FREEXL REQUIRED IMPORTED_TARGET freexl)
pkg_check_modules(ORCUS REQUIRED liborcus-0.17 liborcus-spreadsheet-model-0.17)

set(_orcus_includes)
foreach(dir IN LISTS ORCUS_INCLUDE_DIRS)
  if(EXISTS "${dir}")
    list(APPEND _orcus_includes "${dir}")
  endif()
endforeach()

add_library(koralix_spreadsheets INTERFACE)
add_library(koralix::spreadsheets ALIAS koralix_spreadsheets)
target_include_directories(koralix_spreadsheets SYSTEM INTERFACE ${_orcus_includes})
target_link_directories(koralix_spreadsheets INTERFACE ${ORCUS_LIBRARY_DIRS})
target_link_libraries(koralix_spreadsheets INTERFACE ${ORCUS_LIBRARIES}
  PkgConfig::XLSXWRITER PkgConfig::FREEXL)
