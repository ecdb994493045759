#include "AboutBox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QSysInfo>
#include <QVBoxLayout>

namespace koralix {

namespace {

// The share of physical memory in use, from the kernel's own account.
QString MemoryLoad() {
    QFile meminfo("/proc/meminfo");
    if (!meminfo.open(QIODevice::ReadOnly)) return "?";
    double total = 0, available = 0;
    for (const QByteArray& line : meminfo.readAll().split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() < 2) continue;
        if (words[0] == "MemTotal:") total = words[1].toDouble();
        if (words[0] == "MemAvailable:") available = words[1].toDouble();
    }
    if (total <= 0) return "?";
    return QString::number(qRound(100.0 * (total - available) / total)) + "%";
}

const char* References =
    "Rietveld, H. M. (1969). A profile refinement method for nuclear and magnetic "
    "structures. J. Appl. Cryst. 2, 65-71.\n\n"
    "Howard, C. J. (1982). The approximation of asymmetric neutron powder diffraction peaks "
    "by sums of Gaussians. J. Appl. Cryst. 15, 615-620.\n\n"
    "Le Bail, A., Duroy, H. & Fourquet, J. L. (1988). Ab-initio structure determination of "
    "LiSbWO6 by X-ray powder diffraction. Mat. Res. Bull. 23, 447-452.\n\n"
    "Koralix is built on Qt, gemmi (space groups, CIF), Eigen, QCustomPlot and "
    "nlohmann-json.";

// The platform families the box names; this program runs on none of the
// Windows ones.
QString SystemFamily() {
    const QString kernel = QSysInfo::kernelType();
    if (kernel == "winnt") return "Windows NT";
    return "Unknown system";
}

} // namespace

QString KoralixVersion() {
#ifdef KORALIX_VERSION
    return QStringLiteral(KORALIX_VERSION);
#else
    return QStringLiteral("1.0");
#endif
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle("About Koralix");
    setWindowFlag(Qt::WindowStaysOnTopHint);
    auto* icon = new QLabel;
    icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));
    auto* name = new QLabel("Koralix");
    QFont big = name->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    name->setFont(big);
    VersionLabel = new QLabel("Version " + KoralixVersion());
    MemoryLabel = new QLabel;
    SystemLabel = new QLabel;
    auto* site = new QLabel("<a href=\"https://koralix.example.org\">koralix.example.org</a>");
    site->setOpenExternalLinks(true);
    site->setCursor(Qt::PointingHandCursor);
    auto* mail = new QLabel("<a href=\"mailto:koralix@example.org\">koralix@example.org</a>");
    mail->setOpenExternalLinks(true);
    mail->setCursor(Qt::PointingHandCursor);
    auto* references = new QPlainTextEdit(References);
    references->setReadOnly(true);
    references->setMinimumSize(380, 150);

    auto* facts = new QGridLayout;
    facts->addWidget(icon, 0, 0, 2, 1);
    facts->addWidget(name, 0, 1);
    facts->addWidget(VersionLabel, 1, 1);
    facts->addWidget(new QLabel("Memory Load:"), 2, 0);
    facts->addWidget(MemoryLabel, 2, 1);
    facts->addWidget(new QLabel("System:"), 3, 0);
    facts->addWidget(SystemLabel, 3, 1);
    facts->addWidget(site, 4, 0, 1, 2);
    facts->addWidget(mail, 5, 0, 1, 2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(facts);
    layout->addWidget(new QLabel("References:"));
    layout->addWidget(references);
    layout->addWidget(buttons);
}

void TAboutBox::showEvent(QShowEvent* event) {
    MemoryLabel->setText(MemoryLoad());
    SystemLabel->setText(SystemFamily());
    if (QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

} // namespace koralix
