// The one way core code talks to the user: messages to show and questions to
// ask. The workbench shows boxes, koralix-cli prints to stderr, tests record.
#pragma once

#include <string>
#include <vector>

namespace koralix {

enum class Answer { Yes, No, Cancel };

class Messenger {
  public:
    virtual ~Messenger() = default;
    virtual void Message(const std::string& text) = 0;
    // A confirmation question (Yes, No, Cancel).
    virtual Answer Ask(const std::string& question) = 0;
    // Something the user should know that is not a failure (one item a line):
    // the work it comes from goes on. Shown as a message unless the messenger
    // has a quieter place for it.
    virtual void Notice(const std::string& text) { Message(text); }
};

// Keeps every message, apart from the notices, and answers questions from a
// script (default Yes).
class RecordingMessenger : public Messenger {
  public:
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<std::string> notices;
    std::vector<Answer> answers; // consumed front to back
    void Message(const std::string& text) override { messages.push_back(text); }
    Answer Ask(const std::string& question) override;
    void Notice(const std::string& text) override { notices.push_back(text); }
};

// Prints messages one per line on stderr, each line of a notice after
// "Warning: "; questions are answered No.
class StderrMessenger : public Messenger {
  public:
    void Message(const std::string& text) override;
    Answer Ask(const std::string& question) override;
    void Notice(const std::string& text) override;
};

} // namespace koralix
