#include "SeqTable.h"

#include "ChartExport.h"
#include "ModelJson.h"

#include <QApplication>
#include <qcustomplot.h>

#include <cstdio>
#include <cmath>
#include <iostream>

namespace koralix::cli {

namespace {

std::string Number(double value) {
    if (!std::isfinite(value)) return "";
    // Seven significant digits: what a single-precision value holds.
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.7g", value);
    return buffer;
}

// A CSV field, quoted when it holds a separator, a quote or a line end.
std::string Field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::vector<std::string> LabelsOf(const std::vector<TSeqRow>& rows) {
    std::vector<std::string> labels;
    for (const TSeqRow& r : rows)
        for (const TSeqValue& v : r.Values)
            if (std::find(labels.begin(), labels.end(), v.Label) == labels.end())
                labels.push_back(v.Label);
    return labels;
}

const TSeqValue* Find(const TSeqRow& row, const std::string& label) {
    for (const TSeqValue& v : row.Values)
        if (v.Label == label) return &v;
    return nullptr;
}

double Get(const nlohmann::ordered_json& j, const char* key) {
    return j.contains(key) && j[key].is_number() ? j[key].get<double>() : 0;
}

} // namespace

nlohmann::ordered_json SeqRowJson(const TSeqRow& row) {
    nlohmann::ordered_json parameters = nlohmann::ordered_json::array();
    for (const TSeqValue& v : row.Values)
        parameters.push_back(
            {{"label", v.Label}, {"value", JsonNumber(float(v.Value))}, {"esd", JsonNumber(float(v.Esd))}});
    return {{"data", row.Name},
            {"cycles", row.Cycles},
            {"status", row.Status},
            {"message", row.Message},
            {"histograms", {{{"Rwp", JsonNumber(float(row.Rwp))}, {"chi2", JsonNumber(float(row.Chi2))}}}},
            {"parameters", parameters}};
}

TSeqRow SeqRowFromJson(const nlohmann::ordered_json& json, const std::string& name) {
    TSeqRow row;
    row.Name = json.contains("data") && json["data"].is_string() ? json["data"].get<std::string>()
                                                                  : name;
    row.Status = json.contains("status") ? static_cast<int>(Get(json, "status")) : 0;
    row.Cycles = static_cast<int>(Get(json, "cycles"));
    if (json.contains("message") && json["message"].is_string())
        row.Message = json["message"].get<std::string>();
    if (json.contains("histograms") && json["histograms"].is_array() &&
        !json["histograms"].empty()) {
        row.Rwp = Get(json["histograms"][0], "Rwp");
        row.Chi2 = Get(json["histograms"][0], "chi2");
    }
    if (json.contains("parameters") && json["parameters"].is_array())
        for (const auto& p : json["parameters"])
            if (p.contains("label") && p["label"].is_string())
                row.Values.push_back({p["label"].get<std::string>(), Get(p, "value"), Get(p, "esd")});
    return row;
}

std::string SeqTableCsv(const std::vector<TSeqRow>& rows) {
    const std::vector<std::string> labels = LabelsOf(rows);
    std::string t = "index,file,status,message,cycles,Rwp,chi2";
    for (const std::string& l : labels)
        t += "," + Field(l) + "," + Field(l + " esd");
    t += "\n";
    for (size_t i = 0; i < rows.size(); ++i) {
        const TSeqRow& r = rows[i];
        const bool good = r.Status == 0;
        t += std::to_string(i + 1) + "," + Field(r.Name) + "," + std::to_string(r.Status) + "," +
             Field(r.Message) + "," + std::to_string(r.Cycles) + "," +
             (good ? Number(r.Rwp) : "") + "," + (good ? Number(r.Chi2) : "");
        for (const std::string& l : labels) {
            const TSeqValue* v = good ? Find(r, l) : nullptr;
            t += "," + (v ? Number(v->Value) : "") + "," + (v ? Number(v->Esd) : "");
        }
        t += "\n";
    }
    return t;
}

bool DrawSeqPlot(const std::vector<TSeqRow>& rows, const std::vector<std::string>& labels,
                 const std::string& fileName) {
    const std::vector<std::string> chosen = labels.empty() ? LabelsOf(rows) : labels;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "koralix-cli";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QCustomPlot plot;
    plot.resize(800, 250 * std::max<int>(1, static_cast<int>(chosen.size())));
    plot.plotLayout()->clear();
    int row = 0;
    for (const std::string& label : chosen) {
        auto* rect = new QCPAxisRect(&plot);
        plot.plotLayout()->addElement(row++, 0, rect);
        QCPGraph* graph = plot.addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        graph->setLineStyle(QCPGraph::lsLine);
        graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, 6));
        QCPErrorBars* bars = new QCPErrorBars(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        QVector<double> x, y, e;
        for (size_t i = 0; i < rows.size(); ++i)
            if (const TSeqValue* v = rows[i].Status == 0 ? Find(rows[i], label) : nullptr) {
                x << double(i + 1);
                y << v->Value;
                e << v->Esd;
            }
        graph->setData(x, y);
        bars->setDataPlottable(graph);
        bars->setData(e);
        rect->axis(QCPAxis::atBottom)->setLabel("Data file index");
        rect->axis(QCPAxis::atLeft)->setLabel(QString::fromStdString(label));
        rect->axis(QCPAxis::atBottom)->setRange(0.5, double(rows.size()) + 0.5);
        graph->rescaleValueAxis(false, true);
        auto* left = rect->axis(QCPAxis::atLeft);
        const double pad = std::max(1e-9, 0.1 * left->range().size());
        left->setRange(left->range().lower - pad, left->range().upper + pad);
    }
    if (chosen.empty()) {
        std::cerr << "No refined parameter to plot.\n";
        return false;
    }
    const QString out = QString::fromStdString(fileName);
    const int w = plot.width(), h = plot.height();
    const std::string problem = WriteChart(plot, out, {w, h, "Sequential refinement"});
    if (!problem.empty()) std::cerr << problem << '\n';
    return problem.empty();
}

} // namespace koralix::cli
