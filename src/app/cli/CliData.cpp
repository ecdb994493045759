// koralix-cli data: reads a diffraction data file and prints it as JSON.
#include "Commands.h"
#include "PathNames.h"

#include "FileTypes.h"
#include "FullProfData.h"
#include "Messenger.h"
#include "ModelJson.h"
#include "PlotData.h"
#include "VendorData.h"

#include <charconv>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>

namespace koralix::cli {

namespace {

// The double that prints as the float's shortest decimal form, so JSON shows
// 0.02 and not 0.019999999552965164.
double ShortestSingle(float value) {
    char text[32];
    auto end = std::to_chars(text, text + sizeof text, value).ptr;
    double shortest = value;
    std::from_chars(text, end, shortest);
    return shortest;
}

nlohmann::ordered_json FloatArray(const std::vector<float>& values, int count) {
    auto array = nlohmann::ordered_json::array();
    for (int i = 0; i < count; ++i)
        array.push_back(ShortestSingle(values[static_cast<size_t>(i)]));
    return array;
}

nlohmann::ordered_json DataToJson(const TData& data) {
    const int count = data.HeldPoints();
    nlohmann::ordered_json json;
    json["Kind"] = data.Kind;
    json["PointCount"] = data.PointCount;
    json["HistogramNumber"] = data.HistogramNumber;
    json["Title"] = data.Title;
    json["Start"] = ShortestSingle(data.Start);
    json["Step"] = ShortestSingle(data.Step);
    json["Finish"] = ShortestSingle(data.Finish);
    json["X"] = FloatArray(data.X, count);
    json["Y"] = FloatArray(data.Y, count);
    json["W"] = FloatArray(data.W, count);
    return json;
}

// The file type named on the command line, or that of the file's extension.
int DataFileType(const std::string& fileName, const Args& args) {
    if (args.size() < 2) return FileTypeOf(fileName);
    const std::string& name = args[1];
    if (name == "dat") return FileType::Dat;
    if (name == "gsas") return FileType::GsasRaw;
    if (name == "xy") return FileType::Xy;
    if (name == "cpi") return FileType::Cpi;
    return FileType::Unknown;
}

using ScanReader = bool (*)(const std::string&, TData&, std::string&);

// A file read by one of the readers beside the program's own (xylib's, or
// FullProf's layouts), printed with the name of its format as "Format".
int PrintScan(const std::string& fileName, ScanReader read, const std::string& format) {
    TData data;
    std::string error;
    if (!read(fileName, data, error)) {
        std::cerr << "koralix-cli: " << error << "\n";
        return 1;
    }
    nlohmann::ordered_json json = DataToJson(data);
    json["Format"] = format;
    std::cout << JsonText(json) << "\n";
    return 0;
}

// The readers' fixed messages ("Cannot determine datafile format.") do not
// say which file they mean; a script reading many files needs to know.
class FileNamingMessenger : public StderrMessenger {
  public:
    explicit FileNamingMessenger(std::string fileName) : fileName_(std::move(fileName)) {}
    void Message(const std::string& text) override {
        const std::string name = std::filesystem::path(fileName_).filename().string();
        StderrMessenger::Message(text.find(name) == std::string::npos ? fileName_ + ": " + text
                                                                      : text);
    }

  private:
    std::string fileName_;
};

} // namespace

int RunData(const Args& args) {
    if (args.empty() || args.size() > 2) {
        std::cerr << "usage: koralix-cli data FILE [dat|gsas|xy|cpi]\n";
        return 2;
    }
    const std::string& fileName = args[0];
    // Why a file cannot be read comes before any guess at its format.
    if (const std::string reason = UnreadableReason(fileName); !reason.empty()) {
        std::cerr << reason << "\n";
        return 1;
    }
    if (std::error_code ec; std::filesystem::file_size(fileName, ec) == 0 && !ec) {
        std::cerr << "koralix-cli: " << fileName << " is empty.\n";
        return 1;
    }
    const int type = DataFileType(fileName, args);
    if (args.size() == 1 && type == FileType::Unknown && !VendorFormatOf(fileName).empty())
        return PrintScan(fileName, ReadVendorData, VendorFormatOf(fileName));
    if (args.size() == 1 && (type == FileType::Dat || type == FileType::Unknown))
        if (const std::optional<FullProfLayout> layout = FullProfLayoutOf(fileName))
            return PrintScan(fileName, ReadFullProfData,
                             "fullprof_ins" + std::to_string(static_cast<int>(*layout)));
    if (type != FileType::Dat && type != FileType::GsasRaw && type != FileType::Xy &&
        type != FileType::Cpi) {
        std::cerr
            << "koralix-cli: " << fileName
            << " is not a data file (.dat, .gs, .gsas, .xy, .cpi, or a format xylib reads); name "
               "the format: dat, gsas, xy or cpi\n";
        return 1;
    }
    FileNamingMessenger messenger(fileName);
    TData data;
    data.ReadDataFile(fileName, 1, type, messenger);
    std::cout << JsonText(DataToJson(data)) << "\n";
    return data.Kind == KindDataFile && data.PointCount > 0 ? 0 : 1;
}

} // namespace koralix::cli
