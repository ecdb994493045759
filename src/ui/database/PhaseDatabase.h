// The phase database: a phases table and an atoms table in one SQLite file.
// The settings name each table by a file path; the folder of the phases path
// holds the database file, and each table takes its path's base name, so
// ".../db/Phases.db" and ".../db/Atoms.db" are the tables Phases and Atoms of
// ".../db/koralix-phases.sqlite". An atoms path in another folder is the
// database file of that folder, attached to the first.
#pragma once

#include "Model.h"

#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

namespace koralix {

struct TDbPhase {
    int Number = 0;
    QString Name;
    QString SpaceGroup;
    double A = 0, B = 0, C = 0, Alpha = 0, Beta = 0, Gamma = 0;
};

// Values the page did not hold as numbers are stored empty (NULL).
struct TDbAtom {
    QString Name;
    QString Type;
    std::optional<double> X, Y, Z, Biso, Occupation;
};

// The file name of the database inside its folder.
inline constexpr const char* PhaseDatabaseFileName = "koralix-phases.sqlite";

class TPhaseDatabase {
  public:
    TPhaseDatabase(const QString& phasesPath, const QString& atomsPath);
    ~TPhaseDatabase();
    TPhaseDatabase(const TPhaseDatabase&) = delete;
    TPhaseDatabase& operator=(const TPhaseDatabase&) = delete;

    // Opens the database; with `create` a missing file and missing tables are
    // made. False with a message naming the file when it cannot be used.
    bool Open(bool create, QString& error);

    QString DatabaseFile() const;
    QString PhasesTable() const; // quoted, ready for SQL text
    QString AtomsTable() const;
    // The same names unquoted ("atomsdb.Atoms" when attached), for table models.
    QString PhasesTableName() const;
    QString AtomsTableName() const;
    // Removes a phase and its atoms in one transaction.
    bool DeletePhase(int number, QString& error);
    QSqlDatabase Connection() const;

    // Stores a phase and its atoms in one transaction under the next free
    // number; on failure nothing is stored. The number, or none with `error`.
    std::optional<int> AddPhase(const TDbPhase& phase, const std::vector<TDbAtom>& atoms,
                                QString& error);
    // Every phase, by name.
    bool Phases(std::vector<TDbPhase>& phases, QString& error) const;
    bool Atoms(int number, std::vector<TDbAtom>& atoms, QString& error) const;
    // Replaces the phase's title, symbol (20 characters), cell and atoms by
    // the stored phase `number`. False, the phase untouched, when it is missing.
    bool ReadPhase(int number, TPhase& phase, QString& error) const;

  private:
    QString phasesPath_;
    QString atomsPath_;
    QString connection_;
    bool attached_ = false;
};

TDbPhase DbPhaseFrom(const TPhase& phase);
std::vector<TDbAtom> DbAtomsFrom(const TPhase& phase);

} // namespace koralix
