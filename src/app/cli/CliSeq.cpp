// seq: one model refined against many data files, each from the same start
// (in parallel processes) or each from the previous result (--chain), with a
// table of every refined value; --collect gathers the JSON results of
// separate `refine --json` runs (a cluster's jobs) into the same table.
#include "Commands.h"
#include "FileTypes.h"
#include "ModelFiles.h"
#include "ModelJson.h"
#include "PathNames.h"
#include "RefineRun.h"
#include "Refine.h"
#include "SafeFile.h"
#include "SeqTable.h"
#include "TextFile.h"

#include <charconv>
#include <optional>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace koralix::cli {

namespace {

namespace fs = std::filesystem;

struct SeqOptions {
    std::string model;
    std::vector<std::string> data;
    bool chain = false;
    bool collect = false;
    int jobs = 1;
    int cycles = -1;
    std::string table;
    std::string plot;
    std::vector<std::string> plotted;
};

bool ToCount(const std::string& text, int& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= 0;
}

std::optional<SeqOptions> Parse(const Args& args) {
    SeqOptions o;
    std::vector<std::string> files;
    for (size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        const bool hasValue = k + 1 < args.size();
        if (a == "--chain") {
            o.chain = true;
        } else if (a == "--collect") {
            o.collect = true;
        } else if (a == "--jobs" && hasValue) {
            if (!ToCount(args[++k], o.jobs) || o.jobs < 1) return std::nullopt;
        } else if (a == "--cycles" && hasValue) {
            if (!ToCount(args[++k], o.cycles)) return std::nullopt;
        } else if (a == "--table" && hasValue) {
            o.table = args[++k];
        } else if (a == "--plot" && hasValue) {
            o.plot = args[++k];
        } else if (a == "--param" && hasValue) {
            o.plotted.push_back(args[++k]);
        } else if (a.rfind("--", 0) == 0) {
            return std::nullopt;
        } else {
            files.push_back(a);
        }
    }
    if (o.table.empty() || files.empty()) return std::nullopt;
    if (!o.collect) {
        o.model = files.front();
        files.erase(files.begin());
        if (files.empty()) return std::nullopt;
    }
    o.data = files;
    return o;
}

TSeqRow RowOf(const std::string& name, const TRunResult& run, const std::string& message) {
    TSeqRow row;
    row.Name = name;
    row.Status = run.Status;
    row.Message = message;
    row.Cycles = run.Cycles;
    if (!run.Histograms.empty()) {
        row.Rwp = run.Histograms.front().Rwp;
        row.Chi2 = run.Histograms.front().Chi2;
    }
    for (const TRunParameter& p : run.Parameters)
        row.Values.push_back({p.Label, p.Value, p.Esd});
    return row;
}

// Collects what the run says on stderr, for the failed file's row.
class CollectingMessenger : public Messenger {
  public:
    void Message(const std::string& text) override {
        std::cerr << text << '\n';
        if (!last.empty()) last += "; ";
        last += text;
    }
    Answer Ask(const std::string& text) override {
        Message(text);
        return Answer::No;
    }
    // Warnings are printed but are no reason a file failed.
    void Notice(const std::string& text) override { StderrMessenger().Notice(text); }
    std::string last;
};

// One data file from `model`; the listing and the refined model go beside
// the data file as DATA.out and DATA.upd.
TSeqRow RefineOne(TRietveld model, const SeqOptions& o, const std::string& data,
                  TRietveld* refined) {
    CollectingMessenger messenger;
    if (!fs::is_regular_file(data)) {
        TSeqRow row;
        row.Name = data;
        row.Status = 6;
        row.Message = "Error opening data file";
        return row;
    }
    const int cycles = o.cycles >= 0 ? o.cycles : model.Cycles;
    const TRunResult run =
        RunRefinement(model, o.model, data, WithoutExtension(data), cycles, true, messenger);
    if (refined && run.Started && run.Status == 0) *refined = model;
    std::string message = run.Status == 0 ? "" : messenger.last;
    if (message.empty() && run.Status != 0) message = RefineStatusMessage(run.Status);
    return RowOf(data, run, message);
}

// Each data file in a process of its own (the engine keeps one refinement
// per process), at most `jobs` at a time; rows come back through files.
std::vector<TSeqRow> RefineParallel(const TRietveld& model, const SeqOptions& o) {
    const fs::path folder = fs::temp_directory_path() / ("koralix_seq_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::vector<TSeqRow> rows(o.data.size());
    std::vector<std::pair<pid_t, size_t>> running;
    // Waits for any child and takes its row.
    auto reapOne = [&] {
        int status = 0;
        const pid_t pid = ::waitpid(-1, &status, 0);
        for (auto it = running.begin(); it != running.end(); ++it) {
            if (it->first != pid) continue;
            const size_t i = it->second;
            std::ifstream in(folder / (std::to_string(i) + ".json"));
            std::stringstream text;
            text << in.rdbuf();
            auto json = nlohmann::ordered_json::parse(text.str(), nullptr, false);
            if (!json.is_discarded() && json.is_object()) {
                rows[i] = SeqRowFromJson(json, o.data[i]);
            } else {
                rows[i].Name = o.data[i];
                rows[i].Status = StatusFault;
                rows[i].Message = "the refinement process ended abnormally";
            }
            running.erase(it);
            return;
        }
        if (pid < 0) running.clear(); // no children left to wait for
    };
    for (size_t i = 0; i < o.data.size(); ++i) {
        while (static_cast<int>(running.size()) >= o.jobs)
            reapOne();
        std::cout << std::flush;
        const pid_t pid = ::fork();
        if (pid == 0) {
            const TSeqRow row = RefineOne(model, o, o.data[i], nullptr);
            std::ofstream(folder / (std::to_string(i) + ".json")) << JsonText(SeqRowJson(row));
            std::_Exit(0);
        }
        if (pid < 0) {
            rows[i] = RefineOne(model, o, o.data[i], nullptr);
            continue;
        }
        running.push_back({pid, i});
    }
    while (!running.empty())
        reapOne();
    fs::remove_all(folder);
    return rows;
}

std::vector<TSeqRow> Collect(const SeqOptions& o) {
    std::vector<TSeqRow> rows;
    for (const std::string& file : o.data) {
        const TextFileRead read = ReadTextFile(file);
        auto json = nlohmann::ordered_json::parse(read.Text.value_or(""), nullptr, false);
        if (!read.Text || json.is_discarded() || !json.is_object()) {
            TSeqRow row;
            row.Name = file;
            row.Status = StatusFault;
            row.Message = read.Text ? "no refine --json result in the file" : read.Problem;
            rows.push_back(row);
            continue;
        }
        rows.push_back(SeqRowFromJson(json, file));
    }
    return rows;
}

} // namespace

int RunSeq(const Args& args) {
    auto options = Parse(args);
    if (!options) {
        std::cerr << "usage: koralix-cli seq MODEL DATA... [--chain] [--jobs N] [--cycles N] "
                     "--table OUT.csv [--plot OUT.png --param LABEL...]\n"
                     "       koralix-cli seq --collect RESULT.json... --table OUT.csv [--plot ...]\n";
        return 2;
    }
    std::vector<TSeqRow> rows;
    if (options->collect) {
        rows = Collect(*options);
    } else {
        TRietveld model;
        StderrMessenger messenger;
        ReadModelFile(model, options->model, messenger);
        if (!model.Loaded) return 1;
        if (options->chain || options->jobs == 1) {
            TRietveld start = model;
            for (const std::string& data : options->data) {
                TRietveld next = start;
                rows.push_back(RefineOne(start, *options, data, options->chain ? &next : nullptr));
                if (options->chain) start = next;
                std::cerr << data << ": " << (rows.back().Status == 0 ? "refined" : rows.back().Message)
                          << '\n';
            }
        } else {
            rows = RefineParallel(model, *options);
        }
    }
    try {
        WriteFileSafely(options->table, SeqTableCsv(rows));
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    if (!options->plot.empty() && !DrawSeqPlot(rows, options->plotted, options->plot)) return 1;
    bool allGood = true;
    for (const TSeqRow& r : rows)
        allGood = allGood && r.Status == 0;
    return allGood ? 0 : 1;
}

} // namespace koralix::cli
