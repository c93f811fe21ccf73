#pragma once

// How the headless message box chooses its answer and how its records are written down.
#include <winapi/include/emu/user32_control.h>

#include <string>
#include <vector>

namespace kxemu::user32 {

// The answers the buttons of a box style give, in button order; empty for a style with
// no known button set.
std::vector<int> buttonAnswers(UINT type);
// The answer of the box's default button (MB_DEFBUTTONn, the first button when the box
// has fewer); 0 for a style with no known button set.
int defaultAnswer(UINT type);
// Answers from a comma-separated list of numbers and answer names; an entry that is
// neither stays in the list as 0, which no box accepts.
std::vector<int> parseAnswers(const std::string& list);

// One record as one line of a log file, and back.
std::string formatLogLine(const MessageBoxRecord& record);
bool parseLogLine(const std::string& line, MessageBoxRecord& record);

} // namespace kxemu::user32
