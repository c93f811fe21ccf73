#pragma once

#include <string>

// A small streaming JSON writer: objects, arrays, and scalar members, with commas and
// string escaping taken care of.
class JsonWriter {
public:
  void beginObject(const char* key = nullptr) { open(key, '{'); }
  void endObject() { close('}'); }
  void beginArray(const char* key = nullptr) { open(key, '['); }
  void endArray() { close(']'); }

  void value(const char* key, const std::string& text);
  void value(const char* key, const char* text) { value(key, std::string(text)); }
  void value(const char* key, long long number);
  void value(const char* key, int number) { value(key, static_cast<long long>(number)); }
  void value(const char* key, double number);
  void value(const char* key, bool flag);

  const std::string& text() const { return out_; }

private:
  void open(const char* key, char bracket);
  void close(char bracket);
  void prefix(const char* key);
  void quoted(const std::string& text);

  std::string out_;
  bool needComma_ = false;
  int depth_ = 0;
};
