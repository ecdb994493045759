// The table of a sequential refinement: one row per data file with its
// status, agreement and every refined value with its esd.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace koralix::cli {

struct TSeqValue {
    std::string Label;
    double Value = 0;
    double Esd = 0;
};

struct TSeqRow {
    std::string Name; // the data file (or result file)
    int Status = 0;
    std::string Message;
    int Cycles = 0;
    double Rwp = 0, Chi2 = 0;
    std::vector<TSeqValue> Values;
};

// The row in the shape `refine --json` prints (plus "message" and "data").
nlohmann::ordered_json SeqRowJson(const TSeqRow& row);
// A row from that shape; `name` is used when it names no data file.
TSeqRow SeqRowFromJson(const nlohmann::ordered_json& json, const std::string& name);

// CSV: index, file, status, message, cycles, Rwp, chi2, then a value and an
// esd column for every parameter label met in any row (first-met order).
std::string SeqTableCsv(const std::vector<TSeqRow>& rows);

// Draws the chosen parameters (all when none is named) against the file
// index to a PNG, SVG or PDF; false, with a message, when it cannot.
bool DrawSeqPlot(const std::vector<TSeqRow>& rows, const std::vector<std::string>& labels,
                 const std::string& fileName);

} // namespace koralix::cli
