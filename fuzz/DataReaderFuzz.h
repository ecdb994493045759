// Shared body of the data-reader fuzz targets: the input becomes a file that
// the reader of one file type reads into a pattern.
#pragma once

#include "Messenger.h"
#include "PlotData.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace koralix::fuzz {

class SilentMessenger : public Messenger {
  public:
    void Message(const std::string&) override {}
    Answer Ask(const std::string&) override { return Answer::No; }
};

inline std::string ScratchFile(const char* extension) {
    const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(folder) + "/koralix-fuzz-" + std::to_string(getpid()) + extension;
}

inline int ReadAsDataFile(const uint8_t* bytes, size_t size, int fileType, const char* extension) {
    static const std::string path = ScratchFile(extension);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    SilentMessenger messenger;
    TPlotData data;
    data.ReadDataFile(path, 1, fileType, messenger);
    // Every point the pattern claims must lie inside its arrays.
    if (data.PointCount < 0 || data.PointCount > data.Capacity || data.Capacity > MaxDataPoints ||
        data.X.size() != static_cast<size_t>(data.Capacity))
        std::abort();
    volatile float sink = data.MinX() + data.MaxX() + data.MinY() + data.MaxY();
    (void)sink;
    return 0;
}

} // namespace koralix::fuzz
