// The message box as the user sees it; the emulation records what would be shown.
#include <driver/toolkit/message_box.h>
#include <winapi/include/emu/user32_control.h>
#include <winapi/include/winapi.h>

#include <gtest/gtest.h>

namespace {

class MessageBoxKinds : public ::testing::Test {
protected:
  void SetUp() override { kxemu::resetMessageBoxes(); }
};

TEST_F(MessageBoxKinds, CaptionsAndIcons) {
  struct Case {
    int (KxMessageBox::*show)(const KxString&);
    const char* caption;
    UINT style;
  };
  const Case cases[] = {{&KxMessageBox::info, "Info", MB_OK | MB_ICONINFORMATION},
                        {&KxMessageBox::warning, "Warning", MB_OK | MB_ICONWARNING},
                        {&KxMessageBox::error, "Error", MB_OK | MB_ICONERROR}};
  for (const auto& c : cases) {
    kxemu::resetMessageBoxes();
    KxMessageBox box;
    EXPECT_EQ((box.*c.show)(KxString("something happened")), 0);
    const auto shown = kxemu::messageBoxRecords();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, c.caption);
    EXPECT_EQ(shown[0].text, "something happened");
    EXPECT_EQ(shown[0].type, c.style);
    EXPECT_EQ(shown[0].owner, nullptr);
  }
}

TEST_F(MessageBoxKinds, DefaultsAndAnUnknownKind) {
  KxMessageBox box;
  EXPECT_STREQ(box.text().text(), "KxMessageBox");
  EXPECT_STREQ(box.caption().text(), "Message");
  EXPECT_EQ(box.kind(), 0);
  EXPECT_EQ(box.show(3, KxString("plain"), KxString("Caption")), 0);
  const auto shown = kxemu::messageBoxRecords();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK)) << "no icon";
  EXPECT_EQ(box.kind(), 3);
}

TEST_F(MessageBoxKinds, TheAnswerIsNotReported) {
  kxemu::setMessageBoxAnswers({IDCANCEL});
  EXPECT_EQ(KxMessageBox().error(KxString("x")), 0);
}

} // namespace
