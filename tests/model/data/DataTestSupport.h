// Shared fixture of the data-file tests: a private temporary folder for
// hand-made files and a way to read them through TData.
#pragma once

#include "Messenger.h"
#include "PlotData.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace koralix::test {

class DataFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name =
            "koralix-data-" + std::string(info->test_suite_name()) + "-" + info->name();
        for (char& c : name)
            if (c == '/') c = '_'; // parameterised tests have slashes in their names
        folder_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string Write(const std::string& name, const std::string& content) {
        const auto path = folder_ / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    std::string MakeFolder(const std::string& name) {
        const auto path = folder_ / name;
        std::filesystem::create_directories(path);
        return path.string();
    }

    // Reads a file through ReadDataFile into `data`, recording messages.
    void Read(const std::string& path, int type, int histogram = 1) {
        messenger = RecordingMessenger();
        data.ReadDataFile(path, histogram, type, messenger);
    }

    TPlotData data;
    RecordingMessenger messenger;

  private:
    std::filesystem::path folder_;
};

// The 8-column text of one value, right-aligned.
inline std::string Col8(const std::string& text) {
    return std::string(text.size() < 8 ? 8 - text.size() : 0, ' ') + text;
}

} // namespace koralix::test
