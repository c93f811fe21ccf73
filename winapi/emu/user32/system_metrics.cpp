#include <winapi/include/winapi.h>

namespace {

// A fixed screen and the classic Windows frame metrics.
constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;
constexpr int kCaption = 19;

struct Metric {
  int index;
  int value;
};

constexpr Metric kMetrics[] = {
    {SM_CXSCREEN, kScreenWidth},
    {SM_CYSCREEN, kScreenHeight},
    {SM_CXVSCROLL, 17},
    {SM_CYHSCROLL, 17},
    {SM_CYCAPTION, kCaption},
    {SM_CXBORDER, 1},
    {SM_CYBORDER, 1},
    {SM_CXDLGFRAME, 3},
    {SM_CYDLGFRAME, 3},
    {SM_CYVTHUMB, 17},
    {SM_CXHTHUMB, 17},
    {SM_CXICON, 32},
    {SM_CYICON, 32},
    {SM_CXCURSOR, 32},
    {SM_CYCURSOR, 32},
    {SM_CYMENU, 19},
    {SM_CXFULLSCREEN, kScreenWidth},
    {SM_CYFULLSCREEN, kScreenHeight - kCaption},
    {SM_CXMIN, 112},
    {SM_CYMIN, 27},
    {SM_CXFRAME, 4},
    {SM_CYFRAME, 4},
    {SM_CXDOUBLECLK, 4},
    {SM_CYDOUBLECLK, 4},
    {SM_CMOUSEBUTTONS, 3},
    {SM_CXEDGE, 2},
    {SM_CYEDGE, 2},
    {SM_XVIRTUALSCREEN, 0},
    {SM_YVIRTUALSCREEN, 0},
    {SM_CXVIRTUALSCREEN, kScreenWidth},
    {SM_CYVIRTUALSCREEN, kScreenHeight},
    {SM_CMONITORS, 1},
};

} // namespace

// Unknown indices give 0, as on Windows.
extern "C" int WINAPI GetSystemMetrics(int nIndex) {
  for (const Metric& metric : kMetrics) {
    if (metric.index == nIndex) {
      return metric.value;
    }
  }
  return 0;
}
