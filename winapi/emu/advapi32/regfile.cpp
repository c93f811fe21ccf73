// The "Windows Registry Editor Version 5.00" text form of the emulated registry.
#include <winapi/emu/advapi32/registry_store.h>
#include <winapi/emu/internal/codepage.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace kxemu::registry {
namespace {

bool isStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

std::string quote(const std::string& ansi) {
  std::string out = "\"";
  for (char c : ansiToUtf8(ansi)) {
    if (c == '\\' || c == '"') {
      out += '\\';
    }
    out += c;
  }
  return out + "\"";
}

// A REG_SZ can be written as "text" when it holds exactly one terminating zero, at its end,
// and no control characters; anything else is kept exactly as hex(1).
bool plainString(const std::string& data) {
  if (data.empty() || data.back() != '\0') {
    return false;
  }
  for (size_t i = 0; i + 1 < data.size(); ++i) {
    if (static_cast<unsigned char>(data[i]) < 0x20) {
      return false;
    }
  }
  return true;
}

std::string utf16Bytes(const std::string& ansi) {
  std::string out;
  for (char16_t c : ansiToUtf16(ansi)) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

std::string ansiOfUtf16Bytes(const std::string& bytes) {
  std::u16string text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                  (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return utf16ToAnsi(text);
}

void appendHex(std::string& line, std::string& out, const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    line += digits[b >> 4];
    line += digits[b & 15];
    if (i + 1 < bytes.size()) {
      line += ',';
      if (line.size() > 76) {
        out += line + "\\\n";
        line = "  ";
      }
    }
  }
}

void formatValue(const Value& value, std::string& out) {
  std::string line = value.name.empty() ? "@=" : quote(value.name) + "=";
  if (value.type == REG_SZ && plainString(value.data)) {
    line += quote(value.data.substr(0, value.data.size() - 1));
  } else if (value.type == REG_DWORD && value.data.size() == 4) {
    const auto* b = reinterpret_cast<const unsigned char*>(value.data.data());
    char text[16];
    std::snprintf(
        text, sizeof text, "dword:%08x",
        static_cast<unsigned>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<unsigned>(b[3]) << 24)));
    line += text;
  } else if (value.type == REG_BINARY) {
    line += "hex:";
    appendHex(line, out, value.data);
  } else {
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
    line += prefix;
    appendHex(line, out, isStringType(value.type) ? utf16Bytes(value.data) : value.data);
  }
  out += line + "\n";
}

void formatKey(const Key& key, const std::string& path, std::string& out) {
  out += "[" + ansiToUtf8(path) + "]\n";
  for (const auto& value : key.values) {
    formatValue(value, out);
  }
  out += "\n";
  for (const auto& [upper, child] : key.children) {
    formatKey(*child, path + "\\" + child->name, out);
  }
}

// ---- parsing -------------------------------------------------------------------------

std::string trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) {
    ++b;
  }
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) {
    --e;
  }
  return s.substr(b, e - b);
}

// The text after a quote at pos, unescaped; pos moves past the closing quote.
bool readQuoted(const std::string& s, size_t& pos, std::string& out) {
  if (pos >= s.size() || s[pos] != '"') {
    return false;
  }
  out.clear();
  for (++pos; pos < s.size(); ++pos) {
    if (s[pos] == '\\' && pos + 1 < s.size()) {
      out += s[++pos];
    } else if (s[pos] == '"') {
      ++pos;
      return true;
    } else {
      out += s[pos];
    }
  }
  return false;
}

bool parseHexBytes(const std::string& text, std::string& out) {
  out.clear();
  std::string digits;
  for (char c : text) {
    if (c == ',' || c == ' ' || c == '\t' || c == '\\') {
      if (!digits.empty()) {
        out += static_cast<char>(std::strtoul(digits.c_str(), nullptr, 16));
        digits.clear();
      }
    } else if (std::isxdigit(static_cast<unsigned char>(c))) {
      digits += c;
      if (digits.size() > 2) {
        return false;
      }
    } else {
      return false;
    }
  }
  if (!digits.empty()) {
    out += static_cast<char>(std::strtoul(digits.c_str(), nullptr, 16));
  }
  return true;
}

Key* keyForPath(Tree& tree, const std::string& path, bool create, Key** parent, std::string* last) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\') {
      if (!part.empty()) {
        parts.push_back(part);
      }
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) {
    parts.push_back(part);
  }
  if (parts.empty()) {
    return nullptr;
  }
  const std::string root = upperCase(parts[0]);
  Key* key;
  size_t first = 1;
  if (root == "HKEY_LOCAL_MACHINE" || root == "HKLM") {
    key = tree.hives[kLocalMachine].get();
  } else if (root == "HKEY_CURRENT_USER" || root == "HKCU") {
    key = tree.hives[kCurrentUser].get();
  } else if (root == "HKEY_USERS" || root == "HKU") {
    key = tree.hives[kUsers].get();
  } else if (root == "HKEY_CLASSES_ROOT" || root == "HKCR") {
    key = tree.hives[kLocalMachine]->child("SOFTWARE")->child("Classes");
  } else {
    return nullptr;
  }
  if (parent) {
    *parent = nullptr;
  }
  for (size_t i = first; i < parts.size(); ++i) {
    Key* next = create ? key->child(parts[i]) : key->findChild(parts[i]);
    if (!next) {
      return nullptr;
    }
    if (parent) {
      *parent = key;
    }
    if (last) {
      *last = parts[i];
    }
    key = next;
  }
  return key;
}

void setValue(Key& key, const std::string& name, DWORD type, std::string data) {
  if (Value* existing = key.findValue(name)) {
    existing->type = type;
    existing->data = std::move(data);
  } else {
    key.values.push_back(Value{name, type, std::move(data)});
  }
}

void parseValueLine(Key& key, const std::string& line, bool unicode) {
  size_t pos = 0;
  std::string name;
  if (line[0] == '@') {
    pos = 1;
  } else if (!readQuoted(line, pos, name)) {
    return;
  }
  name = utf8ToAnsi(name);
  while (pos < line.size() && line[pos] == ' ') {
    ++pos;
  }
  if (pos >= line.size() || line[pos] != '=') {
    return;
  }
  const std::string data = trim(line.substr(pos + 1));
  if (data == "-") {
    for (auto it = key.values.begin(); it != key.values.end(); ++it) {
      if (equalsIgnoreCase(it->name, name)) {
        key.values.erase(it);
        break;
      }
    }
    return;
  }
  if (!data.empty() && data[0] == '"') {
    size_t p = 0;
    std::string text;
    if (readQuoted(data, p, text)) {
      setValue(key, name, REG_SZ, utf8ToAnsi(text) + '\0');
    }
    return;
  }
  const std::string lower = [&] {
    std::string l = data;
    for (char& c : l) {
      c = foldCase(c);
    }
    return l;
  }();
  if (lower.rfind("dword:", 0) == 0) {
    const unsigned long v = std::strtoul(data.c_str() + 6, nullptr, 16);
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) {
      bytes[static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    setValue(key, name, REG_DWORD, bytes);
    return;
  }
  DWORD type;
  size_t start;
  if (lower.rfind("hex:", 0) == 0) {
    type = REG_BINARY;
    start = 4;
  } else if (lower.rfind("hex(", 0) == 0) {
    const size_t close = lower.find("):");
    if (close == std::string::npos) {
      return;
    }
    type = static_cast<DWORD>(std::strtoul(lower.c_str() + 4, nullptr, 16));
    start = close + 2;
  } else {
    return;
  }
  std::string bytes;
  if (!parseHexBytes(data.substr(start), bytes)) {
    return;
  }
  if (isStringType(type) && unicode) {
    bytes = ansiOfUtf16Bytes(bytes);
  }
  setValue(key, name, type, std::move(bytes));
}

std::string utf8OfUtf16File(const std::string& bytes) {
  std::u16string text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                  (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return utf16ToUtf8(text);
}

} // namespace

std::string formatRegFile(const Tree& tree) {
  std::string out = "Windows Registry Editor Version 5.00\n\n";
  for (int hive = 0; hive < kHiveCount; ++hive) {
    const Key& root = *tree.hives[hive];
    if (!root.values.empty()) {
      formatKey(root, hiveName(hive), out);
      continue;
    }
    for (const auto& [upper, child] : root.children) {
      formatKey(*child, std::string(hiveName(hive)) + "\\" + child->name, out);
    }
  }
  return out;
}

void parseRegFile(const std::string& input, Tree& tree) {
  std::string text;
  if (input.size() >= 2 && static_cast<unsigned char>(input[0]) == 0xFF &&
      static_cast<unsigned char>(input[1]) == 0xFE) {
    text = utf8OfUtf16File(input);
  } else if (input.size() >= 3 && input.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    text = input.substr(3);
  } else {
    text = input;
  }

  // Physical lines, joined where a line ends with a backslash (continued hex lists).
  std::vector<std::string> lines;
  std::string pending;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      end = text.size();
    }
    std::string line = trim(text.substr(start, end - start));
    start = end + 1;
    if (!pending.empty()) {
      line = pending + line;
      pending.clear();
    }
    if (!line.empty() && line.back() == '\\' && line[0] != '[') {
      pending = line.substr(0, line.size() - 1);
      continue;
    }
    lines.push_back(line);
  }
  if (!pending.empty()) {
    lines.push_back(pending);
  }

  bool unicode = true;
  Key* current = nullptr;
  for (const std::string& line : lines) {
    if (line.empty() || line[0] == ';' || line[0] == '#') {
      continue;
    }
    if (line == "REGEDIT4") {
      unicode = false;
      continue;
    }
    if (line.rfind("Windows Registry Editor", 0) == 0) {
      unicode = true;
      continue;
    }
    if (line[0] == '[') {
      const auto close = line.rfind(']');
      if (close == std::string::npos) {
        current = nullptr;
        continue;
      }
      std::string path = utf8ToAnsi(line.substr(1, close - 1));
      if (!path.empty() && path[0] == '-') {
        Key* parent = nullptr;
        std::string last;
        if (keyForPath(tree, path.substr(1), false, &parent, &last) && parent) {
          parent->children.erase(upperCase(last));
        }
        current = nullptr;
        continue;
      }
      current = keyForPath(tree, path, true, nullptr, nullptr);
      continue;
    }
    if (current && (line[0] == '"' || line[0] == '@')) {
      parseValueLine(*current, line, unicode);
    }
  }
}

} // namespace kxemu::registry
