// The histogram editor's "Form Factors" and "Incident Spectrum" buttons.
#pragma once

namespace koralix {

class THistogramForm;

// Each opens its editor modally for the histogram shown; what it keeps goes
// straight into the model, which is then marked edited.
void ConnectScatterEditors(THistogramForm& form);

} // namespace koralix
