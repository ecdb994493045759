#include "LineSource.h"

#include "TextHelpers.h"

#include <algorithm>

namespace koralix {

namespace {

// A truncated file needs empty lines to complete its records, but never more
// than a few times what it holds; counts beyond that were read from garbage.
long long LinesAllowedPastEnd(size_t lineCount) {
    return 1000 + 2 * static_cast<long long>(lineCount);
}

bool IsSpace(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

std::vector<std::string_view> SplitLines(std::string_view all) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(all.substr(start));
            break;
        }
        lines.push_back(all.substr(start, end - start));
        start = end + 1;
        if (all[end] == '\r' && start < all.size() && all[start] == '\n') ++start;
    }
    return lines;
}

LineSource::LineSource(std::string text) : text_(std::move(text)), lines_(SplitLines(text_)) {}

std::string_view LineSource::Next() {
    inFreeLine_ = false;
    if (next_ < lines_.size()) return lines_[next_++];
    PastEnd();
    if (++pastEnd_ > LinesAllowedPastEnd(lines_.size()))
        throw InputError("file ends long before its records");
    return {};
}

bool LineSource::CanSupply(long long lines) const {
    const long long left = static_cast<long long>(lines_.size() - std::min(next_, lines_.size()));
    return lines <= left + (LinesAllowedPastEnd(lines_.size()) - pastEnd_);
}

void LineSource::Skip(long long count) {
    inFreeLine_ = false;
    for (long long k = 0; k < count && next_ < lines_.size(); ++k)
        ++next_;
}

float LineSource::NextFreeNumber() {
    while (true) {
        if (!inFreeLine_) {
            if (AtEnd()) {
                PastEnd();
                return 0.0f;
            }
            freeLine_ = lines_[next_++];
            freePos_ = 0;
            inFreeLine_ = true;
        }
        while (freePos_ < freeLine_.size() && IsSpace(freeLine_[freePos_]))
            ++freePos_;
        if (freePos_ >= freeLine_.size()) {
            inFreeLine_ = false;
            continue;
        }
        size_t end = freePos_;
        while (end < freeLine_.size() && !IsSpace(freeLine_[end]))
            ++end;
        std::string_view token = freeLine_.substr(freePos_, end - freePos_);
        freePos_ = end;
        double value = 0;
        if (!TryParseReal(token, value)) throw InputError("not a number: " + std::string(token));
        return TextToReal(token);
    }
}

void LineSource::PastEnd() {
    if (pastEndSeen_) return;
    pastEndSeen_ = true;
    if (onPastEnd_) onPastEnd_();
}

void LineSource::EndFreeLine() {
    inFreeLine_ = false;
}

} // namespace koralix
