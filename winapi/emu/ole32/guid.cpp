// Class ids as text and task memory.
#include <winapi/emu/internal/errors.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" const IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
extern "C" const IID IID_IClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
extern "C" const GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

namespace {

constexpr int kGuidTextLength = 38; // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"

void formatGuid(const GUID& guid, char* text) {
  std::snprintf(text, kGuidTextLength + 1, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
}

int hexValue(OLECHAR c) {
  if (c >= u'0' && c <= u'9') {
    return c - u'0';
  }
  if (c >= u'a' && c <= u'f') {
    return c - u'a' + 10;
  }
  if (c >= u'A' && c <= u'F') {
    return c - u'A' + 10;
  }
  return -1;
}

bool parseHex(LPCOLESTR text, int digits, unsigned long long& value) {
  value = 0;
  for (int i = 0; i < digits; ++i) {
    const int v = hexValue(text[i]);
    if (v < 0) {
      return false;
    }
    value = (value << 4) | static_cast<unsigned>(v);
  }
  return true;
}

bool parseGuid(LPCOLESTR text, GUID& guid) {
  if (!text) {
    return false;
  }
  int length = 0;
  while (text[length] && length <= kGuidTextLength) {
    ++length;
  }
  if (length != kGuidTextLength || text[0] != u'{' || text[9] != u'-' || text[14] != u'-' ||
      text[19] != u'-' || text[24] != u'-' || text[37] != u'}') {
    return false;
  }
  unsigned long long v;
  if (!parseHex(text + 1, 8, v)) {
    return false;
  }
  guid.Data1 = static_cast<DWORD>(v);
  if (!parseHex(text + 10, 4, v)) {
    return false;
  }
  guid.Data2 = static_cast<WORD>(v);
  if (!parseHex(text + 15, 4, v)) {
    return false;
  }
  guid.Data3 = static_cast<WORD>(v);
  static constexpr int offsets[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!parseHex(text + offsets[i], 2, v)) {
      return false;
    }
    guid.Data4[i] = static_cast<BYTE>(v);
  }
  return true;
}

} // namespace

extern "C" int WINAPI StringFromGUID2(REFGUID guid, LPOLESTR text, int size) {
  if (!text || size < kGuidTextLength + 1) {
    return 0;
  }
  char narrow[kGuidTextLength + 1];
  formatGuid(guid, narrow);
  for (int i = 0; i <= kGuidTextLength; ++i) {
    text[i] = static_cast<OLECHAR>(narrow[i]);
  }
  return kGuidTextLength + 1;
}

extern "C" HRESULT WINAPI StringFromCLSID(REFCLSID clsid, LPOLESTR* text) {
  if (!text) {
    return E_INVALIDARG;
  }
  *text = static_cast<LPOLESTR>(CoTaskMemAlloc((kGuidTextLength + 1) * sizeof(OLECHAR)));
  if (!*text) {
    return E_OUTOFMEMORY;
  }
  StringFromGUID2(clsid, *text, kGuidTextLength + 1);
  return S_OK;
}

extern "C" HRESULT WINAPI StringFromIID(REFIID iid, LPOLESTR* text) { return StringFromCLSID(iid, text); }

extern "C" HRESULT WINAPI CLSIDFromString(LPCOLESTR text, LPCLSID clsid) {
  if (!clsid) {
    return E_INVALIDARG;
  }
  if (!text) {
    *clsid = GUID_NULL; // a null string is CLSID_NULL, as in ole32
    return S_OK;
  }
  GUID guid;
  if (!parseGuid(text, guid)) {
    *clsid = GUID_NULL;
    return CO_E_CLASSSTRING;
  }
  *clsid = guid;
  return S_OK;
}

extern "C" HRESULT WINAPI IIDFromString(LPCOLESTR text, IID* iid) {
  if (!iid) {
    return E_INVALIDARG;
  }
  if (!text) {
    *iid = GUID_NULL;
    return S_OK;
  }
  GUID guid;
  if (!parseGuid(text, guid)) {
    return E_INVALIDARG;
  }
  *iid = guid;
  return S_OK;
}

extern "C" LPVOID WINAPI CoTaskMemAlloc(SIZE_T size) { return std::malloc(size ? size : 1); }

extern "C" LPVOID WINAPI CoTaskMemRealloc(LPVOID block, SIZE_T size) {
  return std::realloc(block, size ? size : 1);
}

extern "C" void WINAPI CoTaskMemFree(LPVOID block) { std::free(block); }
