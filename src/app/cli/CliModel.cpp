#include "Commands.h"
namespace koralix::cli {
int RunModel(const Args&) { return 1; }
int RunConvert(const Args&) { return 1; }
} // namespace koralix::cli
