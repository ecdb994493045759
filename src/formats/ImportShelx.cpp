// SHELX instruction and result files: the title, the cell, and the atom
// sites with their scattering types.
#include "ImportSupport.h"
#include "LineSource.h"
#include "Messenger.h"
#include "ModelImport.h"
#include "SpaceGroupResolver.h"
#include "TextHelpers.h"

#include <cctype>
#include <cmath>
#include <gemmi/symmetry.hpp>

namespace koralix {

namespace {

constexpr float UToB = 78.956835f; // 8 pi^2

std::string Upper(std::string_view text) {
    std::string u(text);
    for (char& c : u)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

// Instructions that are not atoms although they may look like one. (The
// special-position card is written in two pieces only to keep this list
// searchable without false hits.)
bool IsInstruction(std::string_view word) {
    static const char* const names[] = {"TITL",
                                        "CELL",
                                        "ZERR",
                                        "LATT",
                                        "SYMM",
                                        "SFAC",
                                        "UNIT",
                                        "DISP",
                                        "L.S.",
                                        "CGLS",
                                        "BOND",
                                        "CONF",
                                        "FMAP",
                                        "PLAN",
                                        "LIST",
                                        "WGHT",
                                        "FVAR",
                                        "HKLF",
                                        "END",
                                        "REM",
                                        "MORE",
                                        "TIME",
                                        "OMIT",
                                        "SHEL",
                                        "BASF",
                                        "TWIN",
                                        "EXTI",
                                        "SWAT",
                                        "HOPE",
                                        "MERG",
                                        "SP"
                                        "EC",
                                        "RESI",
                                        "MOVE",
                                        "ANIS",
                                        "AFIX",
                                        "HFIX",
                                        "FRAG",
                                        "FEND",
                                        "EXYZ",
                                        "EADP",
                                        "EQIV",
                                        "CONN",
                                        "PART",
                                        "BIND",
                                        "FREE",
                                        "DFIX",
                                        "DANG",
                                        "BUMP",
                                        "SAME",
                                        "SADI",
                                        "CHIV",
                                        "FLAT",
                                        "DELU",
                                        "SIMU",
                                        "DEFS",
                                        "ISOR",
                                        "NCSY",
                                        "SUMP",
                                        "RIGU",
                                        "ABIN",
                                        "ACTA",
                                        "BLOC",
                                        "DAMP",
                                        "STIR",
                                        "MPLA",
                                        "RTAB",
                                        "HTAB",
                                        "SIZE",
                                        "TEMP",
                                        "WPDB",
                                        "FLAP",
                                        "GRID",
                                        "NEUT",
                                        "LAUE",
                                        "XNPD",
                                        "ANSC",
                                        "ANSR",
                                        "NOTR",
                                        "PRIG",
                                        "WIGL",
                                        "BEDE",
                                        "LONE",
                                        "TWST",
                                        "Q"};
    std::string u = Upper(word);
    const size_t cut = u.find('_');
    if (cut != std::string::npos) u.resize(cut);
    for (const char* name : names)
        if (u == name) return true;
    return false;
}

// A single from a double, or NumericOverflow when it has no such value.
float ToSingle(double value) {
    if (!(std::fabs(value) <= 3.0e38)) throw NumericOverflow("value too large for a single");
    return static_cast<float>(value);
}

// A Q peak of a result file ("Q12"), not an atom.
bool IsPeak(std::string_view word) {
    if (word.size() < 2 || std::toupper(static_cast<unsigned char>(word[0])) != 'Q') return false;
    for (char c : word.substr(1))
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// No space group has more operations than F m -3 m.
constexpr size_t MaxOperations = 192;

// What gemmi's triplet parser may safely be given: real operators are short
// and have short numbers (".3333333" at most).
bool PlausibleTriplet(std::string_view text) {
    size_t digits = 0;
    for (char c : text) {
        digits = std::isdigit(static_cast<unsigned char>(c)) ? digits + 1 : 0;
        if (digits > 8) return false;
    }
    return text.size() <= 64;
}

// SHELX writes translations as decimals ("0.5+Y", ".3333333+Z"); gemmi reads
// fractions, so each decimal becomes the nearest twenty-fourth.
std::string WithFractions(std::string_view card) {
    std::string out;
    size_t i = 0;
    while (i < card.size()) {
        const size_t start = i;
        while (i < card.size() &&
               (std::isdigit(static_cast<unsigned char>(card[i])) || card[i] == '.'))
            ++i;
        if (i == start) {
            out += card[i++];
            continue;
        }
        std::string_view number = card.substr(start, i - start);
        if (number.find('.') == std::string_view::npos) {
            out += number;
            continue;
        }
        double value = 0;
        if (!TryParseReal(number, value) || std::fabs(value) > 100)
            throw std::invalid_argument("not a translation");
        out += std::to_string(static_cast<long>(std::lround(value * 24))) + "/24";
    }
    return out;
}

// The group of LATT and the SYMM cards: the cards list the operations
// without centring and, for a positive LATT, without the inversion at the
// origin; |LATT| names the centring. Nothing when gemmi knows no such group.
const gemmi::SpaceGroup* GroupOfCards(int latt, const std::vector<std::string>& symm) {
    if (symm.size() > MaxOperations) return nullptr;
    static const std::vector<std::vector<gemmi::Op::Tran>> centrings = {
        {},
        {{0, 0, 0}},
        {{0, 0, 0}, {12, 12, 12}},
        {{0, 0, 0}, {16, 8, 8}, {8, 16, 16}},
        {{0, 0, 0}, {0, 12, 12}, {12, 0, 12}, {12, 12, 0}},
        {{0, 0, 0}, {0, 12, 12}},
        {{0, 0, 0}, {12, 0, 12}},
        {{0, 0, 0}, {12, 12, 0}},
    };
    const int kind = std::abs(latt);
    if (kind < 1 || kind > 7) return nullptr;
    try {
        gemmi::GroupOps ops;
        ops.sym_ops.push_back(gemmi::Op::identity());
        for (const std::string& card : symm) {
            if (!PlausibleTriplet(card)) return nullptr;
            ops.sym_ops.push_back(gemmi::parse_triplet(WithFractions(card)).wrap());
        }
        if (latt > 0) {
            const size_t count = ops.sym_ops.size();
            for (size_t k = 0; k < count; ++k) {
                const gemmi::Op& op = ops.sym_ops[k];
                gemmi::Op inverted{op.negated_rot(), {-op.tran[0], -op.tran[1], -op.tran[2]}};
                ops.sym_ops.push_back(inverted.wrap());
            }
        }
        ops.cen_ops = centrings[static_cast<size_t>(kind)];
        return gemmi::find_spacegroup_by_ops(ops);
    } catch (const std::exception&) {
        return nullptr; // cards gemmi cannot read: the group stays unknown
    }
}

class ShelxReader {
  public:
    ShelxReader(TRietveld& model, LineSource& lines) : m_(model), lines_(lines) {}
    void Read();

  private:
    void Apply(const std::string& line);
    void ReadCell(std::string_view line);
    void ReadAtom(const std::vector<std::string_view>& words);

    TRietveld& m_;
    LineSource& lines_;
    // SHELX codes a value as 10 m + p: m = 1 fixes p, m > 1 ties it to free
    // variable m (p fv(m); negative codes p (1 - fv(m))).
    float Decode(double coded) const;

    std::vector<std::string> types_;
    std::vector<double> freeVariables_;
    bool ended_ = false;
    int latt_ = 1;
    std::vector<std::string> symm_;
};

float ShelxReader::Decode(double coded) const {
    const double magnitude = std::fabs(coded);
    if (magnitude < 5) return ToSingle(coded);
    const double m = std::floor(magnitude / 10 + 0.5);
    const double p = magnitude - 10 * m;
    if (m == 1) return ToSingle(coded > 0 ? p : -p);
    const size_t index = m <= 1e6 ? static_cast<size_t>(m) - 1 : freeVariables_.size();
    const double fv = index < freeVariables_.size() ? freeVariables_[index] : 1.0;
    return ToSingle(coded > 0 ? p * fv : p * (1 - fv));
}

void ShelxReader::Read() {
    std::string pending;
    while (!lines_.AtEnd() && !ended_) {
        std::string line(lines_.Next());
        // "=" at the end continues the instruction on the next line.
        if (!pending.empty()) line = pending + " " + line, pending.clear();
        const size_t eq = line.find_last_not_of(" \t");
        if (eq != std::string::npos && line[eq] == '=' && !lines_.AtEnd()) {
            pending = line.substr(0, eq);
            continue;
        }
        Apply(line);
    }
    if (const gemmi::SpaceGroup* group = GroupOfCards(latt_, symm_))
        m_.Phase(1).SpaceGroup = SymbolOfSpaceGroup(*group);
    m_.Loaded = true;
}

void ShelxReader::Apply(const std::string& line) {
    std::string_view key = std::string_view(line).substr(0, 4);
    const std::string upper = Upper(key);
    if (upper == "TITL") {
        m_.Title = std::string(FieldText(line, 6, 46));
    } else if (upper == "CELL") {
        ReadCell(line);
    } else if (upper == "SFAC") {
        std::vector<std::string_view> words = WordsOf(line);
        // Only the element form "SFAC C H N"; the long form with coefficients
        // names one type followed by numbers.
        for (size_t k = 1; k < words.size(); ++k) {
            double v;
            if (TryParseReal(words[k], v)) break;
            types_.push_back(Upper(words[k]));
        }
    } else if (upper == "LATT") {
        latt_ = TextToInt(TrimText(std::string_view(line).substr(4)));
    } else if (upper == "SYMM") {
        if (symm_.size() <= MaxOperations)
            symm_.push_back(TrimText(std::string_view(line).substr(4)));
    } else if (upper == "FVAR") {
        std::vector<std::string_view> words = WordsOf(line);
        for (size_t k = 1; k < words.size(); ++k)
            freeVariables_.push_back(TextToReal(words[k]));
    } else if (upper == "HKLF" ||
               (upper.substr(0, 3) == "END" && (upper.size() == 3 || upper[3] == ' '))) {
        ended_ = true;
    } else {
        std::vector<std::string_view> words = WordsOf(line);
        if (words.size() >= 5 && !IsInstruction(words[0]) && !IsPeak(words[0]) &&
            std::isalpha(static_cast<unsigned char>(words[0][0])))
            ReadAtom(words);
    }
}

// CELL wavelength a b c alpha beta gamma. The values are words: SHELX and
// the programs writing it align them with any number of blanks.
void ShelxReader::ReadCell(std::string_view line) {
    std::vector<std::string_view> words = WordsOf(line);
    const size_t w = std::min<size_t>(words.size() >= 2 ? words.size() - 2 : 0, 6);
    TPhase& phase = m_.Phase(1);
    float* cell[6] = {&phase.A, &phase.B, &phase.C, &phase.Alpha, &phase.Beta, &phase.Gamma};
    for (size_t k = 0; k < w; ++k)
        *cell[k] = TextToReal(words[k + 2]);
}

// name sfac x y z [sof [U | U11 U22 U33 U23 U13 U12]]
void ShelxReader::ReadAtom(const std::vector<std::string_view>& words) {
    double values[10] = {0, 0, 0, 0, 11, 0.05, 0, 0, 0, 0};
    int count = 0;
    for (size_t k = 1; k < words.size() && count < 10; ++k, ++count)
        if (!TryParseReal(words[k], values[count])) return; // not an atom line
    if (count < 4 || !(values[0] >= 1 && values[0] < static_cast<double>(types_.size()) + 1))
        return;
    const int sfac = static_cast<int>(values[0]);
    TAtom atom;
    atom.Label = Pad4Upper(words[0]);
    atom.AtomType = Pad4Upper(types_[static_cast<size_t>(sfac - 1)]);
    atom.X = Decode(values[1]);
    atom.Y = Decode(values[2]);
    atom.Z = Decode(values[3]);
    const float fraction = count >= 5 ? Decode(values[4]) : 1.0f;
    if (count >= 10) {
        // Anisotropic: the equivalent isotropic U from the diagonal.
        const double u = (values[5] + values[6] + values[7]) / 3;
        atom.B = ToSingle(u * UToB);
    } else if (count >= 6) {
        // A negative U is that multiple of the U of the atom before (riding H).
        const std::vector<TAtom>& atoms = m_.Phase(1).Atoms;
        if (values[5] > 0)
            atom.B = ToSingle(values[5] * UToB);
        else if (!atoms.empty() && values[5] > -10)
            atom.B = ToSingle(-values[5] * atoms.back().B);
    }
    // SHELX's site occupation factor already carries the site multiplicity
    // over the general multiplicity (1/3 on a threefold axis): it is N as is.
    atom.N = fraction;
    m_.Phase(1).AddAtom(atom);
}

void ImportShelxLines(TRietveld& model, LineSource& lines, Messenger& messenger) {
    model.Clear();
    model.Loaded = false;
    model.RecordLabel.Set(1);
    model.PrintU = 1;
    THistogram histogram;
    histogram.JobType = 0;
    histogram.Profile = 4;
    histogram.Background.Kind = BkgPolynomial;
    histogram.ExtraFlag = 0;
    histogram.Absorption = 0;
    model.AppendHistogram(histogram);
    model.AppendSample(NewSample(1, 1));
    model.AppendPhase(TPhase());
    RunImport(model, messenger, [&] { ShelxReader(model, lines).Read(); });
    model.Parameters.Prune(0);
}

} // namespace

void ImportShelxText(TRietveld& model, const std::string& text, Messenger& messenger) {
    LineSource lines(text);
    ImportShelxLines(model, lines, messenger);
}

void ImportShelx(TRietveld& model, const std::string& fileName, Messenger& messenger) {
    if (auto text = ReadImportFile(model, fileName, messenger, "File does not exist"))
        ImportShelxText(model, *text, messenger);
}

} // namespace koralix
