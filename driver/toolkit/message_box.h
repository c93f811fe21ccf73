#pragma once

#include <kxtools/inc/kxstring.h>

#include <cstdint>

// A text, a caption and a kind, shown in the platform's standard message box with an OK
// button. The user's answer is not reported.
class KxMessageBox {
public:
  enum Kind : std::int32_t { kInformation = 0, kWarning = 1, kError = 2 };

  KxMessageBox() = default;
  KxMessageBox(std::int32_t kind, const KxString& text, const KxString& caption)
      : text_(text), caption_(caption), kind_(kind) {}
  virtual ~KxMessageBox() = default;

  int show(std::int32_t kind, const KxString& text, const KxString& caption);
  int info(const KxString& text) { return show(kInformation, text, KxString("Info")); }
  int warning(const KxString& text) { return show(kWarning, text, KxString("Warning")); }
  int error(const KxString& text) { return show(kError, text, KxString("Error")); }

  const KxString& text() const { return text_; }
  const KxString& caption() const { return caption_; }
  std::int32_t kind() const { return kind_; }

private:
  KxString text_{"KxMessageBox"};
  KxString caption_{"Message"};
  std::int32_t kind_ = kInformation;
};
