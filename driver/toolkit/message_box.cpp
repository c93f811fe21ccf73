#include <driver/toolkit/message_box.h>
#include <winapi/include/winapi.h>

namespace {

UINT iconFor(std::int32_t kind) {
  switch (kind) {
  case KxMessageBox::kInformation:
    return MB_ICONINFORMATION;
  case KxMessageBox::kWarning:
    return MB_ICONWARNING;
  case KxMessageBox::kError:
    return MB_ICONERROR;
  default:
    return 0;
  }
}

} // namespace

int KxMessageBox::show(std::int32_t kind, const KxString& text, const KxString& caption) {
  kind_ = kind;
  text_ = text;
  caption_ = caption;
  MessageBoxA(nullptr, text_.text(), caption_.text(), MB_OK | iconFor(kind_));
  return 0;
}
