#include "Messenger.h"

#include <iostream>
#include <sstream>

namespace koralix {

Answer RecordingMessenger::Ask(const std::string& question) {
    questions.push_back(question);
    if (answers.empty()) return Answer::Yes;
    Answer a = answers.front();
    answers.erase(answers.begin());
    return a;
}

void StderrMessenger::Message(const std::string& text) {
    std::cerr << text << '\n';
}

void StderrMessenger::Notice(const std::string& text) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        std::cerr << "Warning: " << line << '\n';
}

Answer StderrMessenger::Ask(const std::string& question) {
    std::cerr << question << " [No]\n";
    return Answer::No;
}

} // namespace koralix
