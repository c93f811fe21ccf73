#include <winapi/emu/user32/message_box_policy.h>

#include <cstdlib>
#include <sstream>

namespace kxemu::user32 {

namespace {

// Fields are separated by tabs, so tabs, line ends and the escape character itself are
// escaped inside the texts.
std::string escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
    case '\\':
      out += "\\\\";
      break;
    case '\t':
      out += "\\t";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\r':
      out += "\\r";
      break;
    default:
      out += c;
    }
  }
  return out;
}

bool unescaped(const std::string& text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) {
      return false;
    }
    switch (text[i]) {
    case '\\':
      out += '\\';
      break;
    case 't':
      out += '\t';
      break;
    case 'n':
      out += '\n';
      break;
    case 'r':
      out += '\r';
      break;
    default:
      return false;
    }
  }
  return true;
}

bool hexField(const std::string& field, unsigned long long& value) {
  char* end = nullptr;
  value = std::strtoull(field.c_str(), &end, 16);
  return !field.empty() && *end == '\0';
}

} // namespace

// answer, style (hex), owner (hex), caption, text
std::string formatLogLine(const MessageBoxRecord& record) {
  std::ostringstream line;
  line << record.answer << '\t' << std::hex << record.type << '\t'
       << reinterpret_cast<std::uintptr_t>(record.owner) << '\t' << escaped(record.caption) << '\t'
       << escaped(record.text) << '\n';
  return line.str();
}

bool parseLogLine(const std::string& line, MessageBoxRecord& record) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  fields.push_back(line.substr(start));
  unsigned long long type = 0;
  unsigned long long owner = 0;
  char* end = nullptr;
  if (fields.size() != 5 || fields[0].empty()) {
    return false;
  }
  record.answer = static_cast<int>(std::strtol(fields[0].c_str(), &end, 10));
  if (*end != '\0' || !hexField(fields[1], type) || !hexField(fields[2], owner) ||
      !unescaped(fields[3], record.caption) || !unescaped(fields[4], record.text)) {
    return false;
  }
  record.type = static_cast<UINT>(type);
  record.owner = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(owner));
  return true;
}

} // namespace kxemu::user32
