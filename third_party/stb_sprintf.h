// gemmi looks for its bundled "third_party/stb_sprintf.h"; Debian removed that
// copy in favour of libstb-dev. This shim hands gemmi the system header.
#pragma once
#include <stb/stb_sprintf.h>
