#include "ImportSupport.h"

#include "LineSource.h"
#include "Messenger.h"
#include "ModelText.h"
#include "SpaceGroupServices.h"
#include "TextFile.h"
#include "TextHelpers.h"

namespace koralix {

std::optional<std::string> ReadImportFile(TRietveld& model, const std::string& fileName,
                                          Messenger& messenger, const char* missingMessage) {
    TextFileRead file = ReadTextFile(fileName);
    if (file.Missing) {
        messenger.Message(missingMessage);
        return std::nullopt;
    }
    const std::optional<std::string> problem = TextFileProblem(fileName, file);
    if (!problem) return file.Text;
    model.Clear();
    model.Loaded = false;
    model.RecordLabel.Set(1);
    messenger.Message(*problem);
    return std::nullopt;
}

bool RunImport(TRietveld& model, Messenger& messenger, const std::function<void()>& read) {
    try {
        read();
        if (auto field = NonTextField(model))
            messenger.Message("The imported model: " + *field + " holds bytes that are not text.");
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
