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
};

// Keeps every message and answers questions from a script (default Yes).
class RecordingMessenger : public Messenger {
  public:
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<Answer> answers; // consumed front to back
    void Message(const std::string& text) override { messages.push_back(text); }
    Answer Ask(const std::string& question) override;
};

// Prints messages one per line on stderr; questions are answered No.
class StderrMessenger : public Messenger {
  public:
    void Message(const std::string& text) override;
    Answer Ask(const std::string& question) override;
};

} // namespace koralix
