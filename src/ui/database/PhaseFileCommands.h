// The phase editor's commands for the phase database and the atom files:
// "Add to Database" and "Select from Database" on the phase menu, and the
// atom list, EXPO, and spreadsheet commands on the atom grid's menu.
#pragma once

#include "AtomSheet.h"
#include "PhDataForm.h"

#include <QString>

namespace koralix {

class FileChooser;
class TPhaseForm;

// Adds the six commands to the editor's menus.
void AddPhaseFileCommands(TPhaseForm& form, FileChooser& files);

// The atom grid as spreadsheet rows, header first; tick boxes as "1" or "".
TSheetRows GridRows(const TPhaseForm& form);

void AddPageToDatabase(TPhaseForm& form);
// Shows the database dialog (through `run` when given) and fills the shown
// phase from the stored one the user chose.
void SelectPhaseFromDatabase(TPhaseForm& form, const TDialogRunner& run = {});
void ReadAtomsFromTextFile(TPhaseForm& form, const QString& fileName);
void ReadExpoFile(TPhaseForm& form, const QString& fileName);
void SaveGridToSheet(TPhaseForm& form, const QString& fileName);
void ReadAtomsFromSheet(TPhaseForm& form, const QString& fileName);

} // namespace koralix
