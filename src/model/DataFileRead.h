// What the data-file readers share: the file's lines, the pattern being
// filled, and the one message a read may show.
#pragma once

#include "DataFields.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace koralix {

class Messenger;
class TData;

class DataFileRead {
  public:
    DataFileRead(TData& data, const std::string& fileName, Messenger& messenger);

    // False after saying why the file cannot be read (the reader adds its own
    // message).
    bool Open();
    int LineCount() const { return lines_.Count(); }
    std::string_view Line(int index) const { return lines_[index]; }
    TData& Data() { return data_; }
    const std::string& FileName() const { return fileName_; }

    // Readers stop at the first problem, so at most one such message is shown.
    void Report(const std::string& text);
    // The fixed messages of a file that cannot be read at all.
    void Say(const std::string& text);

    // A number of a fixed record: columns first (0-based) on, count wide;
    // blank columns read as 0, as fixed-format records always have.
    bool FixedField(int lineIndex, std::string_view record, size_t first, size_t count,
                    float& value);
    // A number; a blank text is 0 when blankIsZero, otherwise missing.
    bool Field(int lineIndex, std::string_view text, bool blankIsZero, float& value);

    // "file, line n" for a 0-based line index.
    std::string Where(int lineIndex) const;

    // The point count a header announces, bounded by the arrays; nothing
    // (after a message) when the header gives no points at all.
    std::optional<int> BoundedCount(double announced, int headerLine);
    std::string TooManyPoints() const;

    // Gives the pattern `count` points, with a message when it cannot.
    bool Allocate(int count);
    // The pattern holds `pointsRead` points from a data file.
    void Finish(int pointsRead);

  private:
    TData& data_;
    std::string fileName_;
    Messenger& messenger_;
    TextLines lines_;
    bool reported_ = false;
};

// x of point `index` (0-based) of an evenly spaced pattern.
float GridX(float start, float step, size_t index);
// Round half to even, as the announced point counts have always been rounded.
double RoundCount(double value);

// The extension of a data format's files, as the engine looks for them
// (".DAT", ".GS", ".XY", ".CPI").
const char* DataFormatExtension(int dataFormat);

} // namespace koralix
