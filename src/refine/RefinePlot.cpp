// Fetching the plot arrays of a histogram from the engine.
#include "PlotData.h"
#include "Refine.h"

namespace koralix {

void TRefine::GetPlot(TPlotData& plot, int32_t hist) {
    plot.Kind = KindEngine;
    plot.HistogramNumber = hist;
    if (Model) plot.Title = Model->Title;
    if (!loaded_) return;
    int32_t npts = 0, nrefl = 0;
    float start = 0, step = 0;
    Guarded([&] { entries_.getplotinfo(&hist, &npts, &nrefl, &start, &step); });
    // The engine fills as many elements as it announces: sizes it cannot have
    // must never reach getplot.
    if (npts < 1 || npts > engine::MaxPlotPoints || nrefl < 0 || nrefl > engine::MaxPlotPoints) {
        plot.PointCount = 0;
        plot.SetReflectionCount(0);
        plot.Title = "No plot data from the refinement engine";
        return;
    }
    plot.PointCount = npts;
    plot.AllocatePlot(npts, nrefl);
    if (!plot.HasPlotArrays()) {
        plot.PointCount = 0;
        plot.Title = "Low Memory - unable to plot data";
        return;
    }
    plot.Start = start;
    plot.Step = step;
    plot.Finish = static_cast<float>(npts - 1) * step + start;
    plot.SetReflectionCount(nrefl);
    int32_t final = state_ == RefineState::Closed ? 1 : 0;
    int32_t spare = 0;
    // Reflection arrays of length zero still need a valid address.
    if (nrefl == 0) {
        plot.ReflCodes.resize(1);
        plot.ReflPositions.resize(1);
    }
    Guarded([&] {
        entries_.getplot(&hist, &final, &spare, plot.X.data(), plot.Y.data(), plot.YCalc.data(),
                         plot.ReflCodes.data(), plot.ReflPositions.data());
    });
    plot.Finish = plot.X[static_cast<size_t>(npts - 1)];
}

} // namespace koralix
