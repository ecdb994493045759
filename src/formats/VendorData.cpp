#include "VendorData.h"

#include "FileTypes.h"
#include "FullProfData.h"
#include "Messenger.h"
#include "Model.h"
#include "SafeFile.h"

#include <xylib/xylib.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace koralix {

namespace {

namespace fs = std::filesystem;

constexpr int GsasEsdFormat = 3;
constexpr int XyFormat = 4;
// The XY reader stops before its 10000th line.
constexpr int MaxXyPoints = 9999;

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Extensions read as plain columns only when named so: xylib's guess falls
// back to plain text for anything it does not recognise (a GSAS .raw file).
bool IsColumnText(const std::string& extension) {
    return extension == ".csv" || extension == ".txt" || extension == ".xye" ||
           extension == ".chi" || extension == ".asc";
}

std::string ColumnFormat(const std::string& extension) {
    return extension == ".csv" ? "csv" : "text";
}

std::unique_ptr<xylib::DataSet> LoadScanFile(const std::string& path, const std::string& format) {
    std::unique_ptr<xylib::DataSet> set(xylib::load_file(path, format));
    // A CSV file whose separator xylib does not find is read as plain columns.
    if (format == "csv" && set && set->get_block_count() >= 1 &&
        set->get_block(0)->get_column_count() < 2)
        set.reset(xylib::load_file(path, "text"));
    return set;
}

// Reads the first block; `esds` tells whether a third column gave the esds.
bool ReadScan(const std::string& path, TData& data, bool& esds, std::string& error) {
    const std::string format = VendorFormatOf(path);
    if (format.empty()) {
        error = path + ": not a data file xylib reads";
        return false;
    }
    try {
        const std::unique_ptr<xylib::DataSet> set = LoadScanFile(path, format);
        if (!set || set->get_block_count() < 1) {
            error = path + ": no scan in the file";
            return false;
        }
        const xylib::Block* block = set->get_block(0);
        if (block->get_column_count() < 2) {
            error = path + ": the scan has no intensities";
            return false;
        }
        const xylib::Column& x = block->get_column(1);
        const xylib::Column& y = block->get_column(2);
        esds = block->get_column_count() >= 3;
        const int n = block->get_point_count();
        if (n > MaxDataPoints) {
            error = path + ": " + std::to_string(n) + " points, more than the " +
                    std::to_string(MaxDataPoints) + " a pattern may hold";
            return false;
        }
        if (n <= 0 || !data.AllocatePoints(n)) {
            error = path + ": no points in the scan";
            return false;
        }
        for (int i = 0; i < n; ++i) {
            const auto k = static_cast<size_t>(i);
            data.X[k] = static_cast<float>(x.get_value(i));
            data.Y[k] = static_cast<float>(y.get_value(i));
            data.W[k] = esds ? static_cast<float>(block->get_column(3).get_value(i)) : 1.0f;
        }
        data.PointCount = n;
        data.HistogramNumber = 1;
        data.Kind = KindDataFile;
        data.Title =
            block->get_name().empty() ? fs::path(path).filename().string() : block->get_name();
        data.Start = data.X[0];
        data.Finish = data.X[static_cast<size_t>(n - 1)];
        const double span = x.get_value(n - 1) - x.get_value(0);
        data.Step = n > 1 ? static_cast<float>(span / (n - 1)) : 0;
        return true;
    } catch (const std::exception& e) {
        error = path + ": " + e.what();
        return false;
    }
}

// Whether every point lies on the grid Start + i * Step (GSAS CONST binning)
// to a hundredth of a step.
bool EvenlyStepped(const TData& data) {
    if (data.PointCount < 2 || !(data.Step > 0)) return false;
    for (int i = 0; i < data.PointCount; ++i) {
        const double grid = double(data.Start) + double(i) * data.Step;
        if (std::abs(data.X[size_t(i)] - grid) > 0.01 * data.Step) return false;
    }
    return true;
}

// `value` right-aligned in `width` columns with as many decimals (up to
// three) as fit; always with a decimal point, whatever the locale.
std::string FixedField(double value, int width, const std::string& fileName) {
    for (int decimals = 3; decimals >= 0; --decimals) {
        char text[32];
        const auto [end, ec] =
            std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
        const auto length = static_cast<int>(end - text);
        if (ec == std::errc() && length <= width)
            return std::string(static_cast<size_t>(width - length), ' ') + std::string(text, end);
    }
    throw std::runtime_error(fileName + ": the value " + std::to_string(value) + " does not fit " +
                             std::to_string(width) + " columns");
}

// The shortest text that reads back as the same single-precision number.
std::string FreeText(float value) {
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return std::string(text, ec == std::errc() ? end : text);
}

// One line of a GSAS file: 80 columns, no line breaks inside.
std::string Record80(std::string line) {
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    line.resize(80, ' ');
    return line + "\n";
}

// GSAS raw data in the ESD layout: title, BANK line (x in centidegrees), and
// five points to a record, each the count and its esd in 8 columns.
std::string GsasEsdText(const TData& data, bool esds, const std::string& fileName) {
    const int n = data.PointCount;
    const int records = (n + 4) / 5;
    std::string text = Record80(data.Title.substr(0, 80));
    text += Record80("BANK 1 " + std::to_string(n) + " " + std::to_string(records) + " CONST " +
                     FreeText(data.Start * 100) + " " + FreeText(data.Step * 100) + " 0 0 ESD");
    std::string record;
    for (int i = 0; i < n; ++i) {
        const double y = data.Y[size_t(i)];
        const double esd =
            esds && data.W[size_t(i)] > 0 ? data.W[size_t(i)] : std::sqrt(std::max(y, 1.0));
        record += FixedField(y, 8, fileName) + FixedField(esd, 8, fileName);
        if (i % 5 == 4 || i == n - 1) {
            text += Record80(record);
            record.clear();
        }
    }
    return text;
}

std::string XyText(const TData& data) {
    std::string text = Record80(data.Title);
    for (int i = 0; i < data.PointCount; ++i)
        text += FreeText(data.X[size_t(i)]) + " " + FreeText(data.Y[size_t(i)]) + "\n";
    return text;
}

// `base` + `extension`, else base_2, base_3, ...: the first name that no
// file holds in either case of the extension (the engine tries both).
fs::path UnusedName(const fs::path& base, const std::string& extension) {
    const auto taken = [&](const fs::path& stem) {
        return fs::exists(stem.string() + extension) ||
               fs::exists(stem.string() + Lower(extension));
    };
    fs::path stem = base;
    for (int k = 2; taken(stem); ++k)
        stem = base.string() + "_" + std::to_string(k);
    return stem.string() + extension;
}

struct TWrittenScan {
    std::string path;
    int dataFormat = 0;
};

TWrittenScan WriteScanBeside(const std::string& path, const TData& data, bool esds) {
    const fs::path base = fs::path(path).replace_extension();
    if (EvenlyStepped(data)) {
        const fs::path target = UnusedName(base, ".GS");
        WriteFileSafely(target.string(), GsasEsdText(data, esds, target.string()));
        return {target.string(), GsasEsdFormat};
    }
    if (data.PointCount > MaxXyPoints)
        throw std::runtime_error(path + ": " + std::to_string(data.PointCount) +
                                 " points at an uneven step; an XY data file holds at most " +
                                 std::to_string(MaxXyPoints));
    const fs::path target = UnusedName(base, ".XY");
    WriteFileSafely(target.string(), XyText(data));
    return {target.string(), XyFormat};
}

} // namespace

std::string VendorFormatOf(const std::string& path) {
    std::error_code ec;
    if (FileTypeOf(path) != FileType::Unknown || !fs::is_regular_file(path, ec)) return {};
    const std::string extension = Lower(fs::path(path).extension().string());
    // Column files by their extension: xylib's guess may take a "# chi"
    // header for a Chiplot file of another layout.
    if (IsColumnText(extension)) return ColumnFormat(extension);
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in) return {};
        const xylib::FormatInfo* format = xylib::guess_filetype(path, in, nullptr);
        if (!format) return {};
        const std::string name = format->name;
        if (name == "text" || name == "csv") return {};
        return name;
    } catch (const std::exception&) {
        return {};
    }
}

bool ReadVendorData(const std::string& path, TData& data, std::string& error) {
    bool esds = false;
    return ReadScan(path, data, esds, error);
}

std::string PrepareDataFile(TRietveld& model, const std::string& dataFile, Messenger& messenger) {
    if (dataFile.empty()) return dataFile;
    const bool vendor = !VendorFormatOf(dataFile).empty();
    if (!vendor && !FullProfLayoutOf(dataFile)) return dataFile;
    TData scan;
    bool esds = !vendor; // FullProf's layouts all give esds, or their counting statistics
    std::string error;
    if (vendor ? !ReadScan(dataFile, scan, esds, error)
               : !ReadFullProfData(dataFile, scan, error)) {
        messenger.Message(error);
        return dataFile;
    }
    try {
        const TWrittenScan written = WriteScanBeside(dataFile, scan, esds);
        model.DataFormat = written.dataFormat;
        messenger.Message("The scan of " + dataFile + " is written to " + written.path +
                          (written.dataFormat == GsasEsdFormat
                               ? " (GSAS ESD) for the engine; the model's data format is now 3."
                               : " (XY) for the engine; the model's data format is now 4."));
        return written.path;
    } catch (const std::exception& e) {
        messenger.Message(e.what());
        return dataFile;
    }
}

} // namespace koralix
