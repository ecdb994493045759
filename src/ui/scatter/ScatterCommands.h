// The histogram editor's "Form Factors" and "Incident Spectrum" buttons.
#pragma once

namespace koralix {

class TFormScatter;
class TFormSpectrum;
class THistogramForm;

// Each opens its editor modally for the histogram the editor shows and gives
// it (nullptr when there is none, or, for the spectrum, when it is not a
// time-of-flight histogram); the editor frees itself when closed.
TFormScatter* OpenScatterEditor(THistogramForm& form);
TFormSpectrum* OpenSpectrumEditor(THistogramForm& form);

// Connects the two buttons of the histogram editor.
void ConnectScatterEditors(THistogramForm& form);

} // namespace koralix
