#pragma once

// The interface of the small in-process server the emulation's COM test loads.
#include <winapi/include/winapi.h>

// {9F3A1C2B-4D5E-4F60-8172-93A4B5C6D7E8}
constexpr CLSID kTestServerClass = {
    0x9F3A1C2B, 0x4D5E, 0x4F60, {0x81, 0x72, 0x93, 0xA4, 0xB5, 0xC6, 0xD7, 0xE8}};
// {0A1B2C3D-4E5F-4061-8273-8495A6B7C8D9}
constexpr IID kTestAdderInterface = {
    0x0A1B2C3D, 0x4E5F, 0x4061, {0x82, 0x73, 0x84, 0x95, 0xA6, 0xB7, 0xC8, 0xD9}};

struct ITestAdder : public IUnknown {
  virtual int STDMETHODCALLTYPE add(int a, int b) = 0;

protected:
  ~ITestAdder() = default;
};

// Exported by the server besides the COM entry points: how often DllMain saw each reason.
using TestServerCountsFunction = void (*)(int* attaches, int* detaches, LONG* objects);
extern "C" void kxTestServerCounts(int* attaches, int* detaches, LONG* objects);
