// Reading a whole input file the way every reader of the program needs it:
// folders, unreadable and oversized files refused with the reason, before
// anything is read whole.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace koralix {

// No model, pattern, phase or macro comes near this; a larger file is a wrong
// choice of file, and reading it whole would cost gigabytes of memory.
inline constexpr std::uintmax_t MaxInputFileSize = std::uintmax_t{64} * 1024 * 1024;

struct TextFileRead {
    std::optional<std::string> Text; // the whole content, when it could be read
    bool Missing = false;            // the file does not exist
    std::string Problem;             // why it could not be read: "Cannot read F: ..."
};

// Why `fileName` cannot be opened and read as a file: it does not exist, is a
// folder, is not a regular file (a FIFO or device), or may not be read. Empty
// when it can. Nothing is opened, so a FIFO never blocks the caller.
std::string FileOpenProblem(const std::string& fileName);

// The message for a file that exists but is neither a regular file nor a
// folder (a FIFO, a device); empty otherwise. For readers that open files
// themselves and keep their own messages for missing files and folders.
std::string NotRegularFileProblem(const std::string& fileName);

// Reads the whole file; only a regular file is read. A file of old Macintosh
// programs, whose lines end in a lone CR and which holds no LF at all, gets LF
// line ends, so that every reader sees its lines.
TextFileRead ReadTextFile(const std::string& fileName, std::uintmax_t maxSize = MaxInputFileSize);

// Why a text cannot be the content of a model or macro file: empty, or holding
// control bytes no text file holds (a binary file). Nothing when it is text.
std::optional<std::string> NotTextProblem(const std::string& fileName, const std::string& text);

// Why a file read by ReadTextFile holds no model or macro: why it could not be
// read, or NotTextProblem of its text. Nothing when it holds text.
std::optional<std::string> TextFileProblem(const std::string& fileName, const TextFileRead& read);

// Whether a field read from a file is text: no control bytes, valid UTF-8.
bool IsTextField(const std::string& text);

} // namespace koralix
