// export cif: the refined model as a CIF file, with the esds, agreement
// factors and pattern of a refinement run against the model's data.
#include "CifExport.h"
#include "Commands.h"
#include "InputFile.h"
#include "ModelFiles.h"
#include "RefineRun.h"

#include <charconv>
#include <filesystem>
#include <cmath>
#include <memory>
#include <tuple>
#include <iostream>
#include <map>

namespace koralix::cli {

namespace {

namespace fs = std::filesystem;

struct Key {
    TAddress a;
    bool operator<(const Key& o) const {
        return std::tie(a.Histogram, a.Phase, a.Atom, a.Type) <
               std::tie(o.a.Histogram, o.a.Phase, o.a.Atom, o.a.Type);
    }
};

TCifResults ResultsOf(const TRunResult& run) {
    TCifResults r;
    auto esds = std::make_shared<std::map<Key, double>>();
    for (const TRunParameter& p : run.Parameters)
        (*esds)[Key{p.Address}] = p.Esd;
    r.Esd = [esds](const TAddress& a) {
        auto it = esds->find(Key{a});
        return it == esds->end() ? 0.0 : it->second;
    };
    if (!run.Histograms.empty()) {
        const TRunAgreement& h = run.Histograms.front();
        r.HasAgreement = true;
        r.Rp = h.Rp;
        r.Rwp = h.Rwp;
        r.Chi2 = h.Chi2;
        r.Rexp = h.Chi2 > 0 ? h.Rwp / std::sqrt(h.Chi2) : 0;
    }
    const int n = run.Plot.HasPlotArrays() ? run.Plot.HeldPoints() : 0;
    for (int i = 0; i < n && size_t(i) < run.Plot.YCalc.size(); ++i) {
        r.X.push_back(run.Plot.X[size_t(i)]);
        r.Observed.push_back(run.Plot.Y[size_t(i)]);
        r.Calculated.push_back(run.Plot.YCalc[size_t(i)]);
    }
    return r;
}

} // namespace

int RunExportCif(const Args& args) {
    std::string data;
    int cycles = 1;
    Args files;
    for (size_t k = 1; k < args.size(); ++k) {
        if ((args[k] == "--data" || args[k] == "--cycles") && k + 1 < args.size()) {
            const std::string& v = args[++k];
            if (args[k - 1] == "--data") {
                data = v;
            } else {
                auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), cycles);
                if (ec != std::errc() || end != v.data() + v.size() || cycles < 0) files.clear();
            }
        } else {
            files.push_back(args[k]);
        }
    }
    if (files.size() != 2) {
        std::cerr << "usage: koralix-cli export cif IN OUT [--data PATH] [--cycles N]\n";
        return 2;
    }
    TRietveld model;
    StderrMessenger messenger;
    // The refined model the engine leaves (BASE.upd) is an input file too.
    const std::string extension = fs::path(files[0]).extension().string();
    if (extension == ".upd" || extension == ".UPD")
        ReadInputFile(model, files[0], messenger);
    else
        ReadModelFile(model, files[0], messenger);
    if (!model.Loaded) return 1;
    data = ChosenDataFile(files[0], data, model);
    TCifResults results;
    if (!data.empty() && cycles > 0) {
        // The esds come from a cycle at the refined values; the listing of
        // that cycle goes to a private folder, the model's files stay.
        messenger.Message("Refining " + std::to_string(cycles) + " cycle(s) against " + data +
                          " for the esds.");
        TRunResult run = RunRefinement(model, files[0], data, "", cycles, false, messenger);
        if (!run.Started || run.Status != 0) return 1;
        results = ResultsOf(run);
    }
    try {
        ExportCif(model, results, files[1]);
    } catch (const std::exception& e) {
        messenger.Message(e.what());
        return 1;
    }
    return 0;
}

} // namespace koralix::cli
