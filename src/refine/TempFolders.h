// The private temporary folders of refinements, known process-wide so that
// they are removed when the process is ended by a signal, not only when the
// driver that made them is destroyed.
#pragma once

#include <string>

namespace koralix {

void RegisterTempFolder(const std::string& path);
// Forgets the folder (the driver removes it itself).
void ForgetTempFolder(const std::string& path);
// Removes every registered folder with its content now.
void RemoveTempFolders();

// Makes SIGINT, SIGTERM and SIGHUP remove the registered folders and then end
// the process by the same signal, as it would have ended without this. The
// handler only writes the signal's number to a pipe; a watcher thread does
// the removal outside the signal context. Calling it again does nothing.
void RemoveTempFoldersOnSignals();

} // namespace koralix
