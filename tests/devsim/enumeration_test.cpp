// Finding the simulated devices and opening their two handles, as the device manager does.
#include "support/devsim_fixture.h"

#include <algorithm>
#include <cctype>

using devsimtest::DevsimTest;
using devsimtest::KernelClient;
using devsimtest::plugPath;

namespace {

std::string upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

class Enumeration : public DevsimTest {};

TEST_P(Enumeration, ListsPresentDevicesOfTheDriversClassInPlugOrder) {
  devsim::DeviceId first = 0, other = 0, second = 0;
  const std::string firstPath = plugPath("generic", &first);
  plugPath("other-class", &other);
  const std::string secondPath = plugPath("orin-unit4", &second);

  const auto found = client().enumerate();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].path, firstPath);
  EXPECT_EQ(found[0].devInst, first);
  EXPECT_EQ(found[1].path, secondPath);
  EXPECT_EQ(found[1].devInst, second);
  EXPECT_NE(first, 0u);
  EXPECT_NE(first, second);

  // The other device is found under its own class only.
  const auto hid = client().enumerate(devsim::kHidInterfaceClass);
  ASSERT_EQ(hid.size(), 1u);
  EXPECT_EQ(hid[0].devInst, other);

  ASSERT_TRUE(devsim::unplug(first));
  const auto after = client().enumerate();
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0].devInst, second);
}

TEST_P(Enumeration, DeviceIdentityFollowsTheUsbIds) {
  devsim::DeviceId id = 0;
  const std::string path = plugPath("orin-unit5", &id);
  const auto info = devsim::device(id);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->profile, "orin-unit5");
  EXPECT_EQ(info->instanceId.rfind("USB\\VID_2F1C&PID_0111\\DEVSIM", 0), 0u) << info->instanceId;
  ASSERT_EQ(info->hardwareIds.size(), 2u);
  EXPECT_EQ(info->hardwareIds[0], "USB\\VID_2F1C&PID_0111&REV_0100");
  EXPECT_EQ(info->hardwareIds[1], "USB\\VID_2F1C&PID_0111");
  EXPECT_EQ(path.rfind("\\\\?\\usb#vid_2f1c&pid_0111#devsim", 0), 0u) << path;
  EXPECT_NE(path.find("#{a7d2f4c8-1e36-4b5a-9c07-6f2e8b4d3c19}"), std::string::npos) << path;
  EXPECT_TRUE(info->setupClass == devsim::kMediaSetupClass);
  EXPECT_TRUE(info->present);

  // The same device also has an interface of the system's audio class, with a path of its own.
  ASSERT_EQ(info->interfacePaths.size(), 2u);
  EXPECT_EQ(info->interfacePaths[0], path);
  const auto audio = client().enumerate(devsim::kAudioInterfaceClass);
  ASSERT_EQ(audio.size(), 1u);
  EXPECT_EQ(audio[0].path, info->interfacePaths[1]);
  EXPECT_EQ(audio[0].devInst, id);
  EXPECT_NE(audio[0].path.find("#{6994ad04-93ef-11d0-a3cc-00a0c9223196}"), std::string::npos);
  HANDLE audioHandle = client().open(audio[0].path);
  EXPECT_NE(audioHandle, INVALID_HANDLE_VALUE);
  client().close(audioHandle);
}

TEST_P(Enumeration, OpensTheControlAndStreamingPathsIgnoringCase) {
  const std::string path = plugPath("generic");
  const KernelClient kernel = client();
  HANDLE control = kernel.open(upper(path));
  ASSERT_NE(control, INVALID_HANDLE_VALUE);
  HANDLE streaming = kernel.open(path + "\\io");
  ASSERT_NE(streaming, INVALID_HANDLE_VALUE);
  std::uint32_t version = 0;
  EXPECT_TRUE(kernel.send(control, kernel::kRequestInterfaceVersion, version).ok);
  std::uint8_t mme = 0;
  EXPECT_TRUE(kernel.send(streaming, kernel::kRequestMmeMode, mme).ok);
  EXPECT_TRUE(kernel.close(streaming));
  EXPECT_TRUE(kernel.close(control));
}

struct OpenCase {
  const char* name;
  const char* suffix; // appended to the device path
  DWORD disposition;
  DWORD error;
};

TEST_P(Enumeration, RefusesPathsThatAreNotDevicesAndOtherDispositions) {
  const std::string path = plugPath("generic");
  const OpenCase cases[] = {
      {"unknown suffix", "\\XY", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
      {"streaming path with more", "\\IO\\1", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
      {"create on the device", "", CREATE_ALWAYS, ERROR_INVALID_PARAMETER},
      {"create on the streaming path", "\\IO", OPEN_ALWAYS, ERROR_INVALID_PARAMETER},
  };
  for (const OpenCase& c : cases) {
    DWORD error = 0;
    EXPECT_EQ(client().open(path + c.suffix, &error, c.disposition), INVALID_HANDLE_VALUE) << c.name;
    EXPECT_EQ(error, c.error) << c.name;
  }
  DWORD error = 0;
  EXPECT_EQ(client().open("\\\\?\\usb#vid_9999&pid_9999#x#{a7d2f4c8-1e36-4b5a-9c07-6f2e8b4d3c19}", &error),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_P(Enumeration, OneStreamingHandleAtATime) {
  const std::string path = plugPath("generic");
  const KernelClient kernel = client();
  HANDLE first = kernel.open(path + "\\IO");
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  DWORD error = 0;
  EXPECT_EQ(kernel.open(path + "\\IO", &error), INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_BUSY));
  HANDLE control2 = kernel.open(path);
  HANDLE control1 = kernel.open(path);
  EXPECT_NE(control1, INVALID_HANDLE_VALUE); // control handles are not limited
  EXPECT_NE(control2, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(kernel.close(first));
  HANDLE again = kernel.open(path + "\\IO");
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  kernel.close(again);
  kernel.close(control1);
  kernel.close(control2);
}

TEST_P(Enumeration, AnotherClassesDeviceOpensButIsNotTheKernelDriver) {
  devsim::DeviceId id = 0;
  plugPath("other-class", &id);
  const auto info = devsim::device(id);
  ASSERT_TRUE(info && info->devicePath.empty());
  ASSERT_EQ(info->interfacePaths.size(), 1u);
  const KernelClient kernel = client();
  HANDLE handle = kernel.open(info->interfacePaths[0]);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  std::uint32_t version = 0;
  const auto reply = kernel.send(handle, kernel::kRequestInterfaceVersion, version);
  EXPECT_FALSE(reply.ok);
  EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_INVALID_FUNCTION));
  DWORD error = 0;
  EXPECT_EQ(kernel.open(info->interfacePaths[0] + "\\IO", &error), INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  kernel.close(handle);
}

TEST_P(Enumeration, ClosedHandlesAreRefused) {
  const std::string path = plugPath("generic");
  const KernelClient kernel = client();
  HANDLE control = kernel.open(path);
  ASSERT_TRUE(kernel.close(control));
  EXPECT_FALSE(kernel.close(control));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  std::uint32_t version = 0;
  const auto reply = kernel.send(control, kernel::kRequestInterfaceVersion, version);
  EXPECT_FALSE(reply.ok);
  EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

DEVSIM_ON_EVERY_BACKEND(Enumeration);

} // namespace
