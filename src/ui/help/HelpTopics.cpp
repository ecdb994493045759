#include "HelpTopics.h"

#include "HelpWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QWidget>

namespace koralix {

const std::vector<THelpTopic>& HelpTopics() {
    static const std::vector<THelpTopic> topics = {
        // F1 in the main window is its Help Topics command: the contents, which
        // open with the main window's own page.
        {"TFormKoralix", "index.html"},
        {"KoralixForm", "index.html"},
        {"TRefineForm", "refinement.html"},
        {"TPlotForm", "plot.html"},
        {"TFormSetScales", "plot.html#scales"},
        {"TChartColours", "plot.html#colours"},
        {"TParamForm", "parameters.html"},
        {"TParametersForm", "parameters.html"},
        {"TFormParameters", "parameters.html"},
        {"ParametersForm", "parameters.html"},
        {"TFormPlotFourier", "fourier.html"},
        {"TFormRDF", "rdf.html"},
        {"TFormPeak", "peakwidth.html"},
        {"TFormGraph", "graph.html"},
        {"TPhaseForm", "phases.html"},
        {"THistogramForm", "histograms.html"},
        {"TGeneralForm", "general.html"},
        {"TConstraintForm", "constraints.html"},
        {"TFormSample", "sample.html"},
        {"TFormScatter", "scattering.html"},
        {"TFormSpectrum", "spectrum.html"},
        {"TFormNewInput", "newinput.html"},
        {"TPhDataForm", "phasedatabase.html"},
        {"TEditForm", "editor.html"},
        {"TFormMacro", "macro.html"},
        {"TFormWatch", "watch.html"},
        {"TFormTrans", "transform.html"},
        {"TAboutBox", "about.html"},
        {"TOptionsDlg", "preferences.html"},
        {"TFormUpdate", "update.html"},
        {"THelpWindow", "index.html"},
    };
    return topics;
}

namespace {

QString PageOfName(const QString& name) {
    if (name.isEmpty()) return {};
    const QString bare = name.section("::", -1);
    for (const THelpTopic& topic : HelpTopics()) {
        const QString listed = QString::fromLatin1(topic.Window);
        if (listed == name || listed == bare) return QString::fromLatin1(topic.Page);
    }
    return {};
}

class HelpKeyFilter : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool key = event->type() == QEvent::KeyPress ||
                         event->type() == QEvent::ShortcutOverride;
        if (!key || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1 ||
            static_cast<QKeyEvent*>(event)->modifiers() != Qt::NoModifier)
            return false;
        // Claiming the override keeps any window's own F1 shortcut from firing,
        // so that the key press below is the one route to help.
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        // Key presses go to the focused widget, which is in the active window.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget) return false;
        ShowHelpFor(widget->window());
        return true;
    }
};

} // namespace

QString HelpPageFor(const QObject* window) {
    if (!window) return "index.html";
    const QMetaObject* meta = window->metaObject();
    QString page = PageOfName(QString::fromLatin1(meta->className()));
    if (page.isEmpty()) page = PageOfName(window->objectName());
    for (meta = meta->superClass(); page.isEmpty() && meta; meta = meta->superClass())
        page = PageOfName(QString::fromLatin1(meta->className()));
    return page.isEmpty() ? QStringLiteral("index.html") : page;
}

void ShowHelpFor(const QWidget* window) {
    Help().ShowPage(HelpPageFor(window));
}

void InstallHelpKey() {
    static HelpKeyFilter* filter = nullptr;
    if (filter || !qApp) return;
    filter = new HelpKeyFilter(qApp);
    qApp->installEventFilter(filter);
}

} // namespace koralix
