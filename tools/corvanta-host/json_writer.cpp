#include "json_writer.h"

#include <cstdio>

void JsonWriter::prefix(const char* key) {
  if (needComma_) {
    out_ += ',';
  }
  if (depth_ > 0) {
    out_ += '\n';
    out_.append(static_cast<std::size_t>(depth_) * 2, ' ');
  }
  if (key != nullptr) {
    quoted(key);
    out_ += ": ";
  }
}

void JsonWriter::quoted(const std::string& text) {
  out_ += '"';
  for (const char c : text) {
    switch (c) {
    case '"':
      out_ += "\\\"";
      break;
    case '\\':
      out_ += "\\\\";
      break;
    case '\n':
      out_ += "\\n";
      break;
    case '\t':
      out_ += "\\t";
      break;
    default:
      if (static_cast<unsigned char>(c) < 0x20) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x",
                      static_cast<unsigned>(static_cast<unsigned char>(c)));
        out_ += escaped;
      } else {
        out_ += c;
      }
    }
  }
  out_ += '"';
}

void JsonWriter::open(const char* key, char bracket) {
  prefix(key);
  out_ += bracket;
  ++depth_;
  needComma_ = false;
}

void JsonWriter::close(char bracket) {
  --depth_;
  out_ += '\n';
  out_.append(static_cast<std::size_t>(depth_) * 2, ' ');
  out_ += bracket;
  needComma_ = true;
}

void JsonWriter::value(const char* key, const std::string& text) {
  prefix(key);
  quoted(text);
  needComma_ = true;
}

void JsonWriter::value(const char* key, long long number) {
  prefix(key);
  out_ += std::to_string(number);
  needComma_ = true;
}

void JsonWriter::value(const char* key, double number) {
  prefix(key);
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", number);
  out_ += text;
  needComma_ = true;
}

void JsonWriter::value(const char* key, bool flag) {
  prefix(key);
  out_ += flag ? "true" : "false";
  needComma_ = true;
}
