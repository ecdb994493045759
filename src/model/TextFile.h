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

// Reads the whole file. A file of old Macintosh programs, whose lines end in a
// lone CR and which holds no LF at all, gets LF line ends, so that every
// reader sees its lines.
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
