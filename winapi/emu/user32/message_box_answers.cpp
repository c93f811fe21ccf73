#include <winapi/emu/user32/message_box_policy.h>

#include <cstdlib>
#include <sstream>
#include <strings.h>

namespace kxemu::user32 {

namespace {

struct AnswerName {
  const char* name;
  int answer;
};

constexpr AnswerName kAnswerNames[] = {
    {"OK", IDOK},       {"CANCEL", IDCANCEL},     {"ABORT", IDABORT},
    {"RETRY", IDRETRY}, {"IGNORE", IDIGNORE},     {"YES", IDYES},
    {"NO", IDNO},       {"TRYAGAIN", IDTRYAGAIN}, {"CONTINUE", IDCONTINUE},
};

int answerFromText(const std::string& entry) {
  for (const AnswerName& known : kAnswerNames) {
    if (strcasecmp(entry.c_str(), known.name) == 0) {
      return known.answer;
    }
  }
  char* end = nullptr;
  const long number = std::strtol(entry.c_str(), &end, 10);
  return !entry.empty() && *end == '\0' && number > 0 && number <= IDCONTINUE ? static_cast<int>(number) : 0;
}

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  const auto last = text.find_last_not_of(" \t");
  return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

} // namespace

std::vector<int> buttonAnswers(UINT type) {
  switch (type & MB_TYPEMASK) {
  case MB_OK:
    return {IDOK};
  case MB_OKCANCEL:
    return {IDOK, IDCANCEL};
  case MB_ABORTRETRYIGNORE:
    return {IDABORT, IDRETRY, IDIGNORE};
  case MB_YESNOCANCEL:
    return {IDYES, IDNO, IDCANCEL};
  case MB_YESNO:
    return {IDYES, IDNO};
  case MB_RETRYCANCEL:
    return {IDRETRY, IDCANCEL};
  case MB_CANCELTRYCONTINUE:
    return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
  default:
    return {};
  }
}

int defaultAnswer(UINT type) {
  const auto buttons = buttonAnswers(type);
  if (buttons.empty()) {
    return 0;
  }
  const std::size_t index = (type & MB_DEFMASK) >> 8;
  return index < buttons.size() ? buttons[index] : buttons.front();
}

std::vector<int> parseAnswers(const std::string& list) {
  std::vector<int> answers;
  std::istringstream entries(list);
  std::string entry;
  while (std::getline(entries, entry, ',')) {
    answers.push_back(answerFromText(trimmed(entry)));
  }
  return answers;
}

} // namespace kxemu::user32
