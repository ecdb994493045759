// Fuzzes the .gs reader.
#include "DataReaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    return koralix::fuzz::ReadAsDataFile(bytes, size, koralix::GsasFileType, ".gs");
}
