#include "host/choice_list.h"

#include <cctype>

#include "host/number_text.h"

namespace oxhost {

namespace {

std::vector<std::string> SplitAtCommas(const std::string& list) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  while (true) {
    auto comma = list.find(',', start);
    parts.push_back(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) return parts;
    start = comma + 1;
  }
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::string::size_type i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace

bool ParseChoiceList(const std::string& list, std::vector<Choice>& choices, std::string& error) {
  choices.clear();
  int32_t position = 0;
  for (const std::string& entry : SplitAtCommas(list)) {
    auto equals = entry.find('=');
    if (equals == std::string::npos) {
      choices.push_back({Trimmed(entry), position});
    } else {
      int32_t number = 0;
      if (!ParseWholeNumber(entry.substr(equals + 1), number)) {
        error = "choice '" + entry + "' does not end in a whole number";
        return false;
      }
      choices.push_back({Trimmed(entry.substr(0, equals)), number});
    }
    ++position;
  }
  return true;
}

const Choice* FindChoiceByLabel(const std::vector<Choice>& choices, const std::string& label) {
  for (const Choice& choice : choices) {
    if (choice.label == label) return &choice;
  }
  const Choice* found = nullptr;
  for (const Choice& choice : choices) {
    if (!EqualIgnoringCase(choice.label, label)) continue;
    if (found) return nullptr;
    found = &choice;
  }
  return found;
}

const Choice* FindChoiceByValue(const std::vector<Choice>& choices, int32_t value) {
  for (const Choice& choice : choices) {
    if (choice.value == value) return &choice;
  }
  return nullptr;
}

std::string ChoiceLabels(const std::vector<Choice>& choices) {
  std::string text;
  for (const Choice& choice : choices) {
    if (!text.empty()) text += ", ";
    text += choice.label;
  }
  return text;
}

}  // namespace oxhost
