#include "ModelImportFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return koralix::fuzz::ImportAndWrite(koralix::ImportFullProfText, data, size);
}
