// TFileCopy copies one file to another in blocks, asks before it overwrites an
// existing target and reports each of its failures as a message. The copy is
// written to a temporary file beside the target and renamed over it only when
// complete, so a failed copy never replaces a good target by a partial one.
#pragma once

#include <functional>
#include <string>

namespace koralix {
class Messenger;
}

namespace koralix::macro {

class TFileCopy {
  public:
    explicit TFileCopy(Messenger& messenger) : messenger_(messenger) {}

    std::string SourceFile;
    std::string TargetFile;
    bool ShowOverwrite = true; // the question is asked whatever it holds
    // Called after each message so that the owner window can repaint.
    std::function<void()> Repaint;

    // Copies SourceFile to TargetFile; true when the target now holds the copy.
    bool Copy();

  private:
    bool CopyFile();
    bool Failure(const std::string& text);

    Messenger& messenger_;
};

} // namespace koralix::macro
