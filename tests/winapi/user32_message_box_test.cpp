#include <winapi/include/emu/user32_control.h>

#include "user32_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using user32test::createWindow;
using user32test::recordingProc;
using user32test::ScopedClass;

namespace {

class User32MessageBox : public testing::Test {
protected:
  void SetUp() override {
    unsetenv("KX_MESSAGEBOX_ANSWERS");
    unsetenv("KX_MESSAGEBOX_LOG");
    kxemu::resetMessageBoxes();
  }
};

std::string temporaryPath(const char* stem) { return testing::TempDir() + stem + std::to_string(getpid()); }

struct DefaultCase {
  const char* name;
  UINT type;
  int answer;
};

class User32MessageBoxDefaults : public User32MessageBox, public testing::WithParamInterface<DefaultCase> {};

} // namespace

TEST_P(User32MessageBoxDefaults, UnscriptedBoxGivesItsDefaultButton) {
  EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", GetParam().type), GetParam().answer) << GetParam().type;
}

INSTANTIATE_TEST_SUITE_P(
    Styles, User32MessageBoxDefaults,
    testing::Values(DefaultCase{"Ok", MB_OK | MB_ICONERROR, IDOK}, DefaultCase{"OkCancel", MB_OKCANCEL, IDOK},
                    DefaultCase{"OkCancelSecond", MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
                    DefaultCase{"YesNo", MB_YESNO | MB_ICONQUESTION, IDYES},
                    DefaultCase{"YesNoSecond", MB_YESNO | MB_DEFBUTTON2, IDNO},
                    DefaultCase{"YesNoCancelThird", MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
                    DefaultCase{"AbortRetryIgnoreSecond", MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
                    DefaultCase{"CancelTryContinueThird", MB_CANCELTRYCONTINUE | MB_DEFBUTTON3, IDCONTINUE},
                    // A default button the box does not have falls back to the first.
                    DefaultCase{"RetryCancelMissingThird", MB_RETRYCANCEL | MB_DEFBUTTON3, IDRETRY},
                    DefaultCase{"YesNoMissingFourth", MB_YESNO | MB_DEFBUTTON4, IDYES}),
    user32test::CaseName());

TEST_F(User32MessageBox, ScriptedAnswersAreTakenInOrderThenDefaultsAgain) {
  kxemu::setMessageBoxAnswers({IDNO, IDYES, IDCANCEL});
  EXPECT_EQ(MessageBoxA(nullptr, "a", "c", MB_YESNO), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "b", "c", MB_YESNO), IDYES);
  EXPECT_EQ(MessageBoxA(nullptr, "c", "c", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBoxA(nullptr, "d", "c", MB_YESNO | MB_DEFBUTTON2), IDNO);
}

TEST_F(User32MessageBox, ScriptedAnswerTheButtonsCannotGiveYieldsTheDefault) {
  kxemu::setMessageBoxAnswers({IDYES, IDCANCEL});
  EXPECT_EQ(MessageBoxA(nullptr, "only OK", "c", MB_OK), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "yes or no", "c", MB_YESNO), IDYES);
}

TEST_F(User32MessageBox, EveryShownBoxIsRecorded) {
  ScopedClass windowClass(recordingProc);
  HWND owner = createWindow(windowClass);
  kxemu::setMessageBoxAnswers({IDNO});
  MessageBoxA(owner, "Exit Setup now ?", "ferrowave Setup", MB_YESNO | MB_ICONQUESTION);
  MessageBoxA(nullptr, "Register Server failed ! (-101)", nullptr, MB_OK);
  const auto records = kxemu::messageBoxRecords();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].owner, owner);
  EXPECT_EQ(records[0].text, "Exit Setup now ?");
  EXPECT_EQ(records[0].caption, "ferrowave Setup");
  EXPECT_EQ(records[0].type, MB_YESNO | MB_ICONQUESTION);
  EXPECT_EQ(records[0].answer, IDNO);
  EXPECT_EQ(records[1].owner, nullptr);
  EXPECT_EQ(records[1].caption, "Error") << "Windows' caption for a box without one";
  EXPECT_EQ(records[1].answer, IDOK);
  DestroyWindow(owner);
}

TEST_F(User32MessageBox, RefusedBoxesAreNeitherShownNorRecorded) {
  ScopedClass windowClass(recordingProc);
  HWND gone = createWindow(windowClass);
  DestroyWindow(gone);
  SetLastError(0);
  EXPECT_EQ(MessageBoxA(nullptr, "t", "c", 7), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MSGBOX_STYLE));
  SetLastError(0);
  EXPECT_EQ(MessageBoxA(gone, "t", "c", MB_OK), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_TRUE(kxemu::messageBoxRecords().empty());
}

TEST_F(User32MessageBox, ScriptComesFromTheEnvironment) {
  setenv("KX_MESSAGEBOX_ANSWERS", "no, 2 ,bogus,Retry", 1);
  kxemu::resetMessageBoxes();
  EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNO), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNO | MB_DEFBUTTON2), IDNO)
      << "an unknown entry gives the default";
  EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_RETRYCANCEL | MB_DEFBUTTON2), IDRETRY);
}

TEST_F(User32MessageBox, AnotherProcessesBoxesCanBeReadFromTheLog) {
  const std::string log = temporaryPath("kx_messagebox_log_");
  std::remove(log.c_str());
  const std::string text = "line one\nline\ttwo \\ end";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setenv("KX_MESSAGEBOX_LOG", log.c_str(), 1);
    setenv("KX_MESSAGEBOX_ANSWERS", "CANCEL", 1);
    kxemu::resetMessageBoxes();
    MessageBoxA(nullptr, text.c_str(), "ferrowave Setup", MB_OKCANCEL | MB_ICONWARNING);
    MessageBoxA(nullptr, "second", "ferrowave Setup", MB_OK);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));

  const auto records = kxemu::readMessageBoxLog(log);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].text, text);
  EXPECT_EQ(records[0].caption, "ferrowave Setup");
  EXPECT_EQ(records[0].type, MB_OKCANCEL | MB_ICONWARNING);
  EXPECT_EQ(records[0].answer, IDCANCEL);
  EXPECT_EQ(records[1].text, "second");
  EXPECT_EQ(records[1].answer, IDOK);
  EXPECT_TRUE(kxemu::messageBoxRecords().empty()) << "the other process's boxes are not this one's";
  std::remove(log.c_str());
}

TEST_F(User32MessageBox, LogReaderSkipsDamagedLinesAndMissingFiles) {
  const std::string log = temporaryPath("kx_messagebox_damaged_");
  {
    std::ofstream file(log);
    file << "garbage\n1\t0\t0\tcaption\ttext\n2\tzz\t0\tc\tt\n6\t4\t0\tbad escape \\q\tt\n";
  }
  const auto records = kxemu::readMessageBoxLog(log);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].caption, "caption");
  EXPECT_EQ(records[0].text, "text");
  std::remove(log.c_str());
  EXPECT_TRUE(kxemu::readMessageBoxLog(log).empty());
}
