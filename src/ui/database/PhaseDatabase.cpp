#include "PhaseDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <QVariant>

namespace koralix {

namespace {

QString Quote(const QString& name) {
    return "\"" + QString(name).replace("\"", "\"\"") + "\"";
}

QString FolderOf(const QString& path) {
    return QFileInfo(path).absolutePath();
}

QString TableName(const QString& path, const char* fallback) {
    QString name = QFileInfo(path).completeBaseName();
    return name.isEmpty() ? QString(fallback) : name;
}

QString Failure(const QString& what, const QString& file, const QSqlError& e) {
    return what + " (" + file + "): " + e.text();
}

QVariant Optional(const std::optional<double>& v) {
    return v ? QVariant(*v) : QVariant(QMetaType(QMetaType::Double));
}

std::optional<double> OptionalOf(const QVariant& v) {
    if (v.isNull()) return std::nullopt;
    bool ok = false;
    double d = v.toDouble(&ok);
    return ok ? std::optional<double>(d) : std::nullopt;
}

TDbPhase PhaseRecord(const QSqlQuery& q) {
    TDbPhase p;
    p.Number = q.value("PhaseNumber").toInt();
    p.Name = q.value("PhaseName").toString();
    p.SpaceGroup = q.value("SpaceGroup").toString();
    p.A = q.value("A").toDouble();
    p.B = q.value("B").toDouble();
    p.C = q.value("C").toDouble();
    p.Alpha = q.value("Alpha").toDouble();
    p.Beta = q.value("Beta").toDouble();
    p.Gamma = q.value("Gamma").toDouble();
    return p;
}

} // namespace

TPhaseDatabase::TPhaseDatabase(const QString& phasesPath, const QString& atomsPath)
    : phasesPath_(phasesPath), atomsPath_(atomsPath),
      connection_("koralix-phases-" + QUuid::createUuid().toString(QUuid::WithoutBraces)) {}

TPhaseDatabase::~TPhaseDatabase() {
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        if (db.isValid()) db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
}

QString TPhaseDatabase::DatabaseFile() const {
    return QDir(FolderOf(phasesPath_)).filePath(PhaseDatabaseFileName);
}

QString TPhaseDatabase::PhasesTable() const {
    return Quote(TableName(phasesPath_, "Phases"));
}

QString TPhaseDatabase::AtomsTable() const {
    const QString table = Quote(TableName(atomsPath_, "Atoms"));
    return attached_ ? "atomsdb." + table : table;
}

QString TPhaseDatabase::PhasesTableName() const {
    return TableName(phasesPath_, "Phases");
}

QString TPhaseDatabase::AtomsTableName() const {
    const QString table = TableName(atomsPath_, "Atoms");
    return attached_ ? "atomsdb." + table : table;
}

bool TPhaseDatabase::DeletePhase(int number, QString& error) {
    QSqlDatabase db = Connection();
    QSqlQuery q(db);
    bool ok = db.transaction();
    for (const QString& table : {AtomsTable(), PhasesTable()}) {
        if (!ok) break;
        q.prepare("DELETE FROM " + table + " WHERE PhaseNumber = ?");
        q.addBindValue(number);
        ok = q.exec();
    }
    if (ok && db.commit()) return true;
    error = Failure("The phase was not deleted", DatabaseFile(), q.lastError());
    db.rollback();
    return false;
}

QSqlDatabase TPhaseDatabase::Connection() const {
    return QSqlDatabase::database(connection_, false);
}

bool TPhaseDatabase::Open(bool create, QString& error) {
    if (!QSqlDatabase::isDriverAvailable("QSQLITE")) {
        error = "The SQLite driver of Qt (QSQLITE) is not installed, so the phase database "
                "cannot be opened.";
        return false;
    }
    const QString file = DatabaseFile();
    const QString atomsFile =
        QDir(FolderOf(atomsPath_.isEmpty() ? phasesPath_ : atomsPath_)).filePath(PhaseDatabaseFileName);
    for (const QString& f : {file, atomsFile}) {
        if (!create && !QFileInfo::exists(f)) {
            error = "The phase database " + f + " does not exist. Store a phase with \"Add to "
                    "Database\" to create it.";
            return false;
        }
        if (create && !QDir().mkpath(FolderOf(f))) {
            error = "The folder of the phase database " + f + " cannot be created.";
            return false;
        }
    }
    QSqlDatabase db = QSqlDatabase::contains(connection_)
                          ? QSqlDatabase::database(connection_, false)
                          : QSqlDatabase::addDatabase("QSQLITE", connection_);
    db.setDatabaseName(file);
    if (!create) db.setConnectOptions("QSQLITE_OPEN_READONLY");
    if (!db.open()) {
        error = Failure("The phase database cannot be opened", file, db.lastError());
        return false;
    }
    QSqlQuery q(db);
    attached_ = false;
    if (QFileInfo(atomsFile).absoluteFilePath() != QFileInfo(file).absoluteFilePath()) {
        q.prepare("ATTACH DATABASE ? AS atomsdb");
        q.addBindValue(atomsFile);
        if (!q.exec()) {
            error = Failure("The atoms table cannot be opened", atomsFile, q.lastError());
            return false;
        }
        attached_ = true;
    }
    if (create) {
        const QString phases = "CREATE TABLE IF NOT EXISTS " + PhasesTable() +
                               " (PhaseNumber INTEGER PRIMARY KEY, PhaseName VARCHAR(50), "
                               "SpaceGroup VARCHAR(20), A REAL, B REAL, C REAL, Alpha REAL, "
                               "Beta REAL, Gamma REAL)";
        const QString atoms = "CREATE TABLE IF NOT EXISTS " + AtomsTable() +
                              " (PhaseNumber INTEGER, AtomName VARCHAR(4), AtomType VARCHAR(4), "
                              "x REAL, y REAL, z REAL, Biso REAL, Occupation REAL)";
        if (!q.exec(phases) || !q.exec(atoms)) {
            error = Failure("The phase database cannot be used", file, q.lastError());
            return false;
        }
    }
    // A file that is not a database, or lacks a table, fails here rather than
    // in the middle of a command.
    if (!q.exec("SELECT count(*) FROM " + PhasesTable()) ||
        !q.exec("SELECT count(*) FROM " + AtomsTable())) {
        error = Failure("The phase database cannot be read", file, q.lastError());
        return false;
    }
    return true;
}

std::optional<int> TPhaseDatabase::AddPhase(const TDbPhase& phase, const std::vector<TDbAtom>& atoms,
                                            QString& error) {
    QSqlDatabase db = Connection();
    if (!db.transaction()) {
        error = Failure("The phase cannot be stored", DatabaseFile(), db.lastError());
        return std::nullopt;
    }
    auto fail = [&](const QSqlQuery& q) {
        error = Failure("The phase was not stored", DatabaseFile(), q.lastError());
        db.rollback();
        return std::nullopt;
    };
    QSqlQuery q(db);
    if (!q.exec("SELECT coalesce(max(PhaseNumber), 0) + 1 FROM " + PhasesTable()) || !q.next())
        return fail(q);
    const int number = q.value(0).toInt();
    q.prepare("INSERT INTO " + PhasesTable() +
              " (PhaseNumber, PhaseName, SpaceGroup, A, B, C, Alpha, Beta, Gamma) "
              "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const QVariant& v : {QVariant(number), QVariant(phase.Name.left(50)), QVariant(phase.SpaceGroup),
                              QVariant(phase.A), QVariant(phase.B), QVariant(phase.C),
                              QVariant(phase.Alpha), QVariant(phase.Beta), QVariant(phase.Gamma)})
        q.addBindValue(v);
    if (!q.exec()) return fail(q);
    // The five values go in by column position, after the three named columns.
    for (const TDbAtom& a : atoms) {
        q.prepare("INSERT INTO " + AtomsTable() + " VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        for (const QVariant& v : {QVariant(number), QVariant(a.Name.left(4)), QVariant(a.Type.left(4)),
                                  Optional(a.X), Optional(a.Y), Optional(a.Z), Optional(a.Biso),
                                  Optional(a.Occupation)})
            q.addBindValue(v);
        if (!q.exec()) return fail(q);
    }
    if (!db.commit()) {
        error = Failure("The phase was not stored", DatabaseFile(), db.lastError());
        db.rollback();
        return std::nullopt;
    }
    return number;
}

bool TPhaseDatabase::Phases(std::vector<TDbPhase>& phases, QString& error) const {
    phases.clear();
    QSqlQuery q(Connection());
    if (!q.exec("select * from " + PhasesTable() + " order by PhaseName")) {
        error = Failure("The phases cannot be listed", DatabaseFile(), q.lastError());
        return false;
    }
    while (q.next()) phases.push_back(PhaseRecord(q));
    return true;
}

bool TPhaseDatabase::Atoms(int number, std::vector<TDbAtom>& atoms, QString& error) const {
    atoms.clear();
    QSqlQuery q(Connection());
    q.prepare("select AtomName, AtomType, x, y, z, Biso, Occupation from " + AtomsTable() +
              " where phasenumber = :phasenumber");
    q.bindValue(":phasenumber", number);
    if (!q.exec()) {
        error = Failure("The atoms cannot be read", DatabaseFile(), q.lastError());
        return false;
    }
    while (q.next()) {
        TDbAtom a;
        a.Name = q.value(0).toString();
        a.Type = q.value(1).toString();
        a.X = OptionalOf(q.value(2));
        a.Y = OptionalOf(q.value(3));
        a.Z = OptionalOf(q.value(4));
        a.Biso = OptionalOf(q.value(5));
        a.Occupation = OptionalOf(q.value(6));
        atoms.push_back(a);
    }
    return true;
}

bool TPhaseDatabase::ReadPhase(int number, TPhase& phase, QString& error) const {
    QSqlQuery q(Connection());
    q.prepare("Select * from " + PhasesTable() + " where phasenumber = :phasenumber");
    q.bindValue(":phasenumber", number);
    if (!q.exec()) {
        error = Failure("The phase cannot be read", DatabaseFile(), q.lastError());
        return false;
    }
    if (!q.next()) {
        error = "The phase database " + DatabaseFile() + " holds no phase number " +
                QString::number(number) + ".";
        return false;
    }
    std::vector<TDbAtom> atoms;
    if (!Atoms(number, atoms, error)) return false;
    const TDbPhase stored = PhaseRecord(q);
    phase.A = float(stored.A);
    phase.B = float(stored.B);
    phase.C = float(stored.C);
    phase.Alpha = float(stored.Alpha);
    phase.Beta = float(stored.Beta);
    phase.Gamma = float(stored.Gamma);
    phase.Name = stored.Name.toStdString();
    phase.SpaceGroup = stored.SpaceGroup.left(20).toStdString();
    phase.ClearAtoms();
    for (const TDbAtom& a : atoms) {
        TAtom atom;
        atom.Label = a.Name.trimmed().left(4).leftJustified(4).toStdString();
        atom.AtomType = a.Type.trimmed().left(4).leftJustified(4).toStdString();
        atom.X = float(a.X.value_or(atom.X));
        atom.Y = float(a.Y.value_or(atom.Y));
        atom.Z = float(a.Z.value_or(atom.Z));
        atom.B = float(a.Biso.value_or(atom.B));
        atom.N = float(a.Occupation.value_or(atom.N));
        phase.AddAtom(atom);
    }
    return true;
}

TDbPhase DbPhaseFrom(const TPhase& p) {
    TDbPhase d;
    d.Name = QString::fromStdString(p.Name);
    d.SpaceGroup = QString::fromStdString(p.SpaceGroup.str());
    d.A = p.A;
    d.B = p.B;
    d.C = p.C;
    d.Alpha = p.Alpha;
    d.Beta = p.Beta;
    d.Gamma = p.Gamma;
    return d;
}

std::vector<TDbAtom> DbAtomsFrom(const TPhase& p) {
    std::vector<TDbAtom> atoms;
    for (const TAtom& a : p.Atoms)
        atoms.push_back({QString::fromStdString(a.Label.str()).trimmed(),
                         QString::fromStdString(a.AtomType.str()).trimmed(), a.X, a.Y, a.Z, a.B,
                         a.N});
    return atoms;
}

} // namespace koralix
