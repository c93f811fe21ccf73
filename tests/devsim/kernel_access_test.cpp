// The kernel-call table as the Windows driver takes it from devsim.dll.
#include <devsim/include/devsim.h>
#include <devsim/include/devsim_c.h>

#include "support/kernel_client.h"

#include <gtest/gtest.h>

namespace {

class KernelAccessTable : public ::testing::Test {
protected:
  void SetUp() override { devsim::reset(); }
  void TearDown() override { devsim::reset(); }
};

TEST_F(KernelAccessTable, IsTheExportOfTheLoadedModule) {
  const kernel::KernelAccess* table = devsimtest::devsimTable();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table, devsimKernelAccess());
  EXPECT_EQ(table->size, sizeof(kernel::KernelAccess));
  EXPECT_EQ(table->version, kernel::kKernelAccessVersion);
#if defined(_WIN32)
  // What the driver does when simulation is switched on.
  HMODULE loaded = LoadLibraryA("devsim.dll");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(reinterpret_cast<kernel::KernelAccessExport>(
                reinterpret_cast<void*>(GetProcAddress(loaded, kernel::kKernelAccessExport)))(),
            table);
  FreeLibrary(loaded);
#endif
}

TEST_F(KernelAccessTable, EnumerationAsksForTheSizeFirst) {
  const kernel::KernelAccess& table = *devsimKernelAccess();
  const devsim::DeviceId id = devsim::plug("generic");
  const std::string path = devsim::device(id)->devicePath;
  DWORD required = 0;
  DWORD devInst = 0;
  SetLastError(0);
  EXPECT_FALSE(table.enumerateInterface(&kernel::kInterfaceClass, 0, nullptr, 0, &required, &devInst));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(required, path.size() + 1);
  EXPECT_EQ(devInst, id);
  std::string buffer(required - 1, 'x');
  EXPECT_FALSE(
      table.enumerateInterface(&kernel::kInterfaceClass, 0, buffer.data(), required - 1, nullptr, nullptr));
  EXPECT_EQ(buffer, std::string(required - 1, 'x'));
  buffer.assign(required, 'x');
  EXPECT_TRUE(
      table.enumerateInterface(&kernel::kInterfaceClass, 0, buffer.data(), required, nullptr, nullptr));
  EXPECT_STREQ(buffer.c_str(), path.c_str());
  SetLastError(0);
  EXPECT_FALSE(
      table.enumerateInterface(&kernel::kInterfaceClass, 1, buffer.data(), required, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  EXPECT_FALSE(table.enumerateInterface(nullptr, 0, buffer.data(), required, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(KernelAccessTable, HandlesBelongToTheTable) {
  const kernel::KernelAccess& table = *devsimKernelAccess();
  DWORD returned = 0;
  SetLastError(0);
  EXPECT_FALSE(table.ioControl(reinterpret_cast<HANDLE>(0x1234), kernel::kRequestInterfaceVersion, nullptr, 0,
                               nullptr, 0, &returned));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(table.close(INVALID_HANDLE_VALUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(table.open(nullptr, GENERIC_READ, 0, OPEN_EXISTING, 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

} // namespace
