#pragma once
// qlm's commands: one function per verb, behind one table in main.cpp.
// Arguments arrive as UTF-8 from the terminal; output is UTF-8.
#include <span>
#include <string_view>

namespace qlm {

// Exit statuses shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

using CommandArgs = std::span<const std::string_view>;

int cmdEval(CommandArgs args);
int cmdPlay(CommandArgs args);
int cmdNew(CommandArgs args);
int cmdList(CommandArgs args);
int cmdShow(CommandArgs args);
int cmdAppend(CommandArgs args);
int cmdSet(CommandArgs args);
int cmdDelete(CommandArgs args);
int cmdMove(CommandArgs args);
int cmdDuplicate(CommandArgs args);
int cmdPicture(CommandArgs args);
int cmdCheck(CommandArgs args);
int cmdRecord(CommandArgs args);
int cmdReplacePicture(CommandArgs args);
int cmdHelp(CommandArgs args);

}  // namespace qlm
