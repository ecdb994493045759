// Any bytes as a space-group symbol followed by a position: resolution never
// fails hard, and a resolved group's own symbol brings back the same setting.
#include "SpaceGroupLibrary.h"
#include "SpaceGroupResolver.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    float position[3] = {0, 0, 0};
    const size_t positionBytes = sizeof position;
    if (size >= positionBytes) {
        std::memcpy(position, data + size - positionBytes, positionBytes);
        size -= positionBytes;
    }
    std::string_view symbol(reinterpret_cast<const char*>(data), size);
    if (const gemmi::SpaceGroup* group = koralix::ResolveSpaceGroup(symbol)) {
        const gemmi::SpaceGroup* again =
            koralix::ResolveSpaceGroup(koralix::SymbolOfSpaceGroup(*group));
        if (again == nullptr || std::strcmp(again->hall, group->hall) != 0) std::abort();
    }
    char buffer[21];
    std::memset(buffer, ' ', 20);
    std::memcpy(buffer, symbol.data(), std::min<size_t>(symbol.size(), 20));
    buffer[20] = '\0';
    int32_t info[10];
    int32_t error = 0;
    koralix::spacegp(buffer, position, info, &error);
    if (error == 0 &&
        (info[0] < 1 || info[0] > 14 || info[1] < 1 || info[2] < 0 || info[2] > info[1]))
        std::abort();
    return 0;
}
