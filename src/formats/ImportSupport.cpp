#include "ImportSupport.h"

#include "LineSource.h"
#include "Messenger.h"
#include "SpaceGroupServices.h"
#include "TextHelpers.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace koralix {

bool FileExists(const std::string& fileName) {
    std::error_code ec;
    return std::filesystem::exists(fileName, ec);
}

std::optional<std::string> ReadWholeFile(const std::string& fileName) {
    std::error_code ec;
    if (std::filesystem::is_directory(fileName, ec)) return std::nullopt;
    std::ifstream file(fileName, std::ios::binary);
    if (!file) return std::nullopt;
    std::ostringstream content;
    content << file.rdbuf();
    if (file.bad()) return std::nullopt;
    return content.str();
}

std::optional<std::string> ReadImportFile(TRietveld& model, const std::string& fileName,
                                          Messenger& messenger, const char* missingMessage) {
    if (!FileExists(fileName)) {
        messenger.Message(missingMessage);
        return std::nullopt;
    }
    std::optional<std::string> text = ReadWholeFile(fileName);
    if (!text) {
        model.Clear();
        model.Loaded = false;
        model.RecordLabel.Set(1);
        messenger.Message("Error reading Inputfile at line " + model.RecordLabel.Text());
    }
    return text;
}

bool RunImport(TRietveld& model, Messenger& messenger, const std::function<void()>& read) {
    try {
        read();
        return true;
    } catch (const InputError&) {
        messenger.Message("Error reading Inputfile at line " + model.RecordLabel.Text());
    } catch (const NumericOverflow&) {
        messenger.Message("Error reading a numeric value at line " + model.RecordLabel.Text());
    } catch (const std::exception&) {
        messenger.Message("An unindentified error in reading line " + model.RecordLabel.Text());
    }
    model.Loaded = false;
    return false;
}

float OccupancyFromFraction(std::string_view spaceGroup, float fraction, float x, float y,
                            float z) {
    const int general = GeneralMultiplicity(spaceGroup);
    const int site = general > 0 ? SiteMultiplicity(spaceGroup, x, y, z) : 0;
    if (general <= 0 || site <= 0) return fraction;
    return fraction * static_cast<float>(site) / static_cast<float>(general);
}

std::vector<std::string_view> WordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (i < line.size()) {
        while (i < line.size() && blank(line[i]))
            ++i;
        size_t start = i;
        while (i < line.size() && !blank(line[i]))
            ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

TSample NewSample(int h, int p) {
    TSample sample;
    sample.Histogram = h;
    sample.Phase = p;
    return sample;
}

void ResetUncarriedControls(TRietveld& m, THistogram& h) {
    m.FourierFileType = 0;
    m.DataFormat = 0;
    m.LSync = 0;
    m.SeparateData = 0;
    m.RecycleLeBail = 0;
    m.Background12 = 0;
    m.IPREF = 0;
    m.PrintU = 0;
    m.Rmin = 0;
    m.Rmax = 0;
    m.F2Limit = 0;
    h.Weighting = 0;
    h.Scale = 1.0f;
}

} // namespace koralix
