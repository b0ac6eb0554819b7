#include "runtime/command_table.h"

namespace orv {

namespace {

const CommandInfo kCommands[kCommandCount] = {
    {u"", 0, 0, false, {}, ""},  // 0
    {u"=", 1, 2, true, {}, "o"},  // 1
    {u":=", 1, 2, false, {2}, "o"},  // 2
    {u"", 1, 1, false, {1}, ""},  // 3
    {u"+=", 2, 3, false, {2}, "o"},  // 4
    {u"-=", 1, 3, false, {2}, "o"},  // 5
    {u"*=", 2, 2, false, {2}, "o"},  // 6
    {u"/=", 2, 2, false, {2}, "o"},  // 7
    {u"Static", 1, 1, false, {1}, ""},  // 8
    {u"in", 2, 2, false, {}, "i"},  // 9
    {u"not in", 2, 2, false, {}, "i"},  // 10
    {u"contains", 2, 2, false, {}, "i"},  // 11
    {u"not contains", 2, 2, false, {}, "i"},  // 12
    {u"is", 2, 2, false, {}, "i"},  // 13
    {u"is not", 2, 2, false, {}, "i"},  // 14
    {u"between", 1, 3, false, {}, "i"},  // 15
    {u"not between", 1, 3, false, {}, "i"},  // 16
    {u"", 1, 1, false, {1}, ""},  // 17
    {u"=", 1, 2, false, {}, "i"},  // 18
    {u"<>", 1, 2, false, {}, "i"},  // 19
    {u">", 1, 2, false, {}, "i"},  // 20
    {u">=", 1, 2, false, {}, "i"},  // 21
    {u"<", 1, 2, false, {}, "i"},  // 22
    {u"<=", 1, 2, false, {}, "i"},  // 23
    {u"IfWinExist", 0, 4, false, {}, ""},  // 24
    {u"IfWinNotExist", 0, 4, false, {}, ""},  // 25
    {u"IfWinActive", 0, 4, false, {}, ""},  // 26
    {u"IfWinNotActive", 0, 4, false, {}, ""},  // 27
    {u"IfInString", 2, 2, false, {}, "i"},  // 28
    {u"IfNotInString", 2, 2, false, {}, "i"},  // 29
    {u"IfExist", 1, 1, false, {}, ""},  // 30
    {u"IfNotExist", 1, 1, false, {}, ""},  // 31
    {u"IfMsgBox", 1, 1, false, {}, ""},  // 32
    {u"Else", 0, 0, false, {}, ""},  // 33
    {u"MsgBox", 0, 4, false, {}, ""},  // 34
    {u"InputBox", 1, 11, true, {5, 6, 7, 8, 10}, "o"},  // 35
    {u"SplashTextOn", 0, 4, false, {1, 2}, ""},  // 36
    {u"SplashTextOff", 0, 0, false, {}, ""},  // 37
    {u"Progress", 0, 6, false, {}, ""},  // 38
    {u"SplashImage", 0, 7, false, {}, ""},  // 39
    {u"ToolTip", 0, 4, false, {2, 3, 4}, ""},  // 40
    {u"TrayTip", 0, 4, false, {3, 4}, ""},  // 41
    {u"Input", 0, 4, true, {}, "o"},  // 42
    {u"Transform", 2, 4, true, {}, "o"},  // 43
    {u"StringLeft", 3, 3, false, {3}, "oi"},  // 44
    {u"StringRight", 3, 3, false, {3}, "oi"},  // 45
    {u"StringMid", 3, 5, false, {3, 4}, "oi"},  // 46
    {u"StringTrimLeft", 3, 3, false, {3}, "oi"},  // 47
    {u"StringTrimRight", 3, 3, false, {3}, "oi"},  // 48
    {u"StringLower", 2, 3, false, {}, "oi"},  // 49
    {u"StringUpper", 2, 3, false, {}, "oi"},  // 50
    {u"StringLen", 2, 2, false, {}, "oi"},  // 51
    {u"StringGetPos", 3, 5, false, {5}, "oi"},  // 52
    {u"StringReplace", 3, 5, false, {}, "oi"},  // 53
    {u"StringSplit", 2, 5, false, {}, "-i"},  // 54
    {u"SplitPath", 1, 6, true, {}, "iooooo"},  // 55
    {u"Sort", 1, 2, false, {}, "i"},  // 56
    {u"EnvGet", 2, 2, true, {}, "o"},  // 57
    {u"EnvSet", 1, 2, false, {}, ""},  // 58
    {u"EnvUpdate", 0, 0, false, {}, ""},  // 59
    {u"RunAs", 0, 3, false, {}, ""},  // 60
    {u"Run", 1, 4, true, {}, "---o"},  // 61
    {u"RunWait", 1, 4, true, {}, "---o"},  // 62
    {u"URLDownloadToFile", 2, 2, false, {}, ""},  // 63
    {u"GetKeyState", 2, 3, true, {}, "o"},  // 64
    {u"Send", 1, 1, false, {}, ""},  // 65
    {u"SendRaw", 1, 1, false, {}, ""},  // 66
    {u"SendInput", 1, 1, false, {}, ""},  // 67
    {u"SendPlay", 1, 1, false, {}, ""},  // 68
    {u"SendEvent", 1, 1, false, {}, ""},  // 69
    {u"ControlSend", 0, 6, false, {}, ""},  // 70
    {u"ControlSendRaw", 0, 6, false, {}, ""},  // 71
    {u"ControlClick", 0, 8, false, {5}, ""},  // 72
    {u"ControlMove", 0, 9, false, {2, 3, 4, 5}, ""},  // 73
    {u"ControlGetPos", 0, 9, true, {}, "oooo"},  // 74
    {u"ControlFocus", 0, 5, false, {}, ""},  // 75
    {u"ControlGetFocus", 1, 5, true, {}, "o"},  // 76
    {u"ControlSetText", 0, 6, false, {}, ""},  // 77
    {u"ControlGetText", 1, 6, true, {}, "o"},  // 78
    {u"Control", 1, 7, false, {}, ""},  // 79
    {u"ControlGet", 2, 8, true, {}, "o"},  // 80
    {u"SendMode", 1, 1, false, {}, ""},  // 81
    {u"SendLevel", 1, 1, false, {1}, ""},  // 82
    {u"CoordMode", 1, 2, false, {}, ""},  // 83
    {u"SetDefaultMouseSpeed", 1, 1, false, {1}, ""},  // 84
    {u"Click", 0, 1, false, {}, ""},  // 85
    {u"MouseMove", 2, 4, false, {1, 2, 3}, ""},  // 86
    {u"MouseClick", 0, 7, false, {2, 3, 4, 5}, ""},  // 87
    {u"MouseClickDrag", 1, 7, false, {2, 3, 4, 5, 6}, ""},  // 88
    {u"MouseGetPos", 0, 5, true, {5}, "oooo"},  // 89
    {u"StatusBarGetText", 1, 6, true, {2}, "o"},  // 90
    {u"StatusBarWait", 0, 8, false, {2, 3, 6}, ""},  // 91
    {u"ClipWait", 0, 2, false, {1, 2}, ""},  // 92
    {u"KeyWait", 1, 2, false, {}, ""},  // 93
    {u"Sleep", 1, 1, false, {1}, ""},  // 94
    {u"Random", 0, 3, false, {2, 3}, "o"},  // 95
    {u"Goto", 1, 1, false, {}, ""},  // 96
    {u"Gosub", 1, 1, false, {}, ""},  // 97
    {u"OnExit", 0, 2, false, {}, ""},  // 98
    {u"Hotkey", 1, 3, false, {}, ""},  // 99
    {u"SetTimer", 0, 3, false, {3}, ""},  // 100
    {u"Critical", 0, 1, false, {}, ""},  // 101
    {u"Thread", 1, 3, false, {2, 3}, ""},  // 102
    {u"Return", 0, 1, false, {1}, ""},  // 103
    {u"Exit", 0, 1, false, {1}, ""},  // 104
    {u"Loop", 0, 4, false, {}, ""},  // 105
    {u"For", 1, 3, false, {3}, "oo"},  // 106
    {u"While", 1, 1, false, {1}, ""},  // 107
    {u"Until", 1, 1, false, {1}, ""},  // 108
    {u"Break", 0, 1, false, {}, ""},  // 109
    {u"BreakIf", 1, 2, false, {1}, ""},  // 110
    {u"Continue", 0, 1, false, {}, ""},  // 111
    {u"ContinueIf", 1, 2, false, {1}, ""},  // 112
    {u"Try", 0, 0, false, {}, ""},  // 113
    {u"Catch", 0, 1, false, {}, "o"},  // 114
    {u"Finally", 0, 0, false, {}, ""},  // 115
    {u"Throw", 0, 1, false, {1}, ""},  // 116
    {u"{", 0, 0, false, {}, ""},  // 117
    {u"}", 0, 0, false, {}, ""},  // 118
    {u"WinActivate", 0, 4, false, {}, ""},  // 119
    {u"WinActivateBottom", 0, 4, false, {}, ""},  // 120
    {u"WinWait", 0, 5, false, {3}, ""},  // 121
    {u"WinWaitClose", 0, 5, false, {3}, ""},  // 122
    {u"WinWaitActive", 0, 5, false, {3}, ""},  // 123
    {u"WinWaitNotActive", 0, 5, false, {3}, ""},  // 124
    {u"WinMinimize", 0, 4, false, {}, ""},  // 125
    {u"WinMaximize", 0, 4, false, {}, ""},  // 126
    {u"WinRestore", 0, 4, false, {}, ""},  // 127
    {u"WinHide", 0, 4, false, {}, ""},  // 128
    {u"WinShow", 0, 4, false, {}, ""},  // 129
    {u"WinMinimizeAll", 0, 0, false, {}, ""},  // 130
    {u"WinMinimizeAllUndo", 0, 0, false, {}, ""},  // 131
    {u"WinClose", 0, 5, false, {3}, ""},  // 132
    {u"WinKill", 0, 5, false, {3}, ""},  // 133
    {u"WinMove", 0, 8, false, {1, 2, 3, 4, 5, 6}, ""},  // 134
    {u"WinMenuSelectItem", 0, 11, false, {}, ""},  // 135
    {u"Process", 1, 3, false, {}, ""},  // 136
    {u"WinSet", 1, 6, false, {}, ""},  // 137
    {u"WinSetTitle", 0, 5, false, {}, ""},  // 138
    {u"WinGetTitle", 1, 5, true, {}, "o"},  // 139
    {u"WinGetClass", 1, 5, true, {}, "o"},  // 140
    {u"WinGet", 1, 6, true, {}, "o"},  // 141
    {u"WinGetPos", 0, 8, true, {}, "oooo"},  // 142
    {u"WinGetText", 1, 5, true, {}, "o"},  // 143
    {u"SysGet", 2, 4, true, {}, "o"},  // 144
    {u"PostMessage", 1, 8, false, {1, 2, 3}, ""},  // 145
    {u"SendMessage", 1, 9, false, {1, 2, 3, 9}, ""},  // 146
    {u"PixelGetColor", 3, 4, true, {2, 3}, "o"},  // 147
    {u"PixelSearch", 0, 9, true, {3, 4, 5, 6, 7, 8}, "oo"},  // 148
    {u"ImageSearch", 0, 7, true, {3, 4, 5, 6}, "oo"},  // 149
    {u"GroupAdd", 1, 6, false, {}, ""},  // 150
    {u"GroupActivate", 1, 2, false, {}, ""},  // 151
    {u"GroupDeactivate", 1, 2, false, {}, ""},  // 152
    {u"GroupClose", 1, 2, false, {}, ""},  // 153
    {u"DriveSpaceFree", 2, 2, true, {}, "o"},  // 154
    {u"Drive", 1, 3, false, {}, ""},  // 155
    {u"DriveGet", 0, 3, true, {}, "o"},  // 156
    {u"SoundGet", 1, 4, true, {4}, "o"},  // 157
    {u"SoundSet", 1, 4, false, {1, 4}, ""},  // 158
    {u"SoundGetWaveVolume", 1, 2, true, {2}, "o"},  // 159
    {u"SoundSetWaveVolume", 1, 2, false, {1, 2}, ""},  // 160
    {u"SoundBeep", 0, 2, false, {1, 2}, ""},  // 161
    {u"SoundPlay", 1, 2, false, {}, ""},  // 162
    {u"FileAppend", 0, 3, false, {}, ""},  // 163
    {u"FileRead", 2, 2, true, {}, "o"},  // 164
    {u"FileReadLine", 3, 3, true, {3}, "o"},  // 165
    {u"FileDelete", 1, 1, false, {}, ""},  // 166
    {u"FileRecycle", 1, 1, false, {}, ""},  // 167
    {u"FileRecycleEmpty", 0, 1, false, {}, ""},  // 168
    {u"FileInstall", 2, 3, false, {3}, ""},  // 169
    {u"FileCopy", 2, 3, false, {3}, ""},  // 170
    {u"FileMove", 2, 3, false, {3}, ""},  // 171
    {u"FileCopyDir", 2, 3, false, {3}, ""},  // 172
    {u"FileMoveDir", 2, 3, false, {}, ""},  // 173
    {u"FileCreateDir", 1, 1, false, {}, ""},  // 174
    {u"FileRemoveDir", 1, 2, false, {2}, ""},  // 175
    {u"FileGetAttrib", 1, 2, true, {}, "o"},  // 176
    {u"FileSetAttrib", 1, 4, false, {3, 4}, ""},  // 177
    {u"FileGetTime", 1, 3, true, {}, "o"},  // 178
    {u"FileSetTime", 0, 5, false, {1, 4, 5}, ""},  // 179
    {u"FileGetSize", 1, 3, true, {}, "o"},  // 180
    {u"FileGetVersion", 1, 2, true, {}, "o"},  // 181
    {u"SetWorkingDir", 1, 1, false, {}, ""},  // 182
    {u"FileSelectFile", 1, 5, true, {}, "o"},  // 183
    {u"FileSelectFolder", 1, 4, true, {3}, "o"},  // 184
    {u"FileGetShortcut", 1, 8, true, {}, "-ooooooo"},  // 185
    {u"FileCreateShortcut", 2, 9, false, {8, 9}, ""},  // 186
    {u"IniRead", 2, 5, true, {}, "o"},  // 187
    {u"IniWrite", 3, 4, false, {}, ""},  // 188
    {u"IniDelete", 2, 3, false, {}, ""},  // 189
    {u"RegRead", 1, 4, true, {}, "o"},  // 190
    {u"RegWrite", 0, 5, false, {}, ""},  // 191
    {u"RegDelete", 0, 3, false, {}, ""},  // 192
    {u"SetRegView", 1, 1, false, {}, ""},  // 193
    {u"OutputDebug", 1, 1, false, {}, ""},  // 194
    {u"SetKeyDelay", 0, 3, false, {1, 2}, ""},  // 195
    {u"SetMouseDelay", 1, 2, false, {1}, ""},  // 196
    {u"SetWinDelay", 1, 1, false, {1}, ""},  // 197
    {u"SetControlDelay", 1, 1, false, {1}, ""},  // 198
    {u"SetBatchLines", 1, 1, false, {}, ""},  // 199
    {u"SetTitleMatchMode", 1, 1, false, {}, ""},  // 200
    {u"SetFormat", 2, 2, false, {}, ""},  // 201
    {u"FormatTime", 1, 3, true, {}, "o"},  // 202
    {u"Suspend", 0, 1, false, {}, ""},  // 203
    {u"Pause", 0, 2, false, {}, ""},  // 204
    {u"AutoTrim", 1, 1, false, {}, ""},  // 205
    {u"StringCaseSense", 1, 1, false, {}, ""},  // 206
    {u"DetectHiddenWindows", 1, 1, false, {}, ""},  // 207
    {u"DetectHiddenText", 1, 1, false, {}, ""},  // 208
    {u"BlockInput", 1, 1, false, {}, ""},  // 209
    {u"SetNumlockState", 0, 1, false, {}, ""},  // 210
    {u"SetScrollLockState", 0, 1, false, {}, ""},  // 211
    {u"SetCapslockState", 0, 1, false, {}, ""},  // 212
    {u"SetStoreCapslockMode", 1, 1, false, {}, ""},  // 213
    {u"KeyHistory", 0, 2, false, {}, ""},  // 214
    {u"ListLines", 0, 1, false, {}, ""},  // 215
    {u"ListVars", 0, 0, false, {}, ""},  // 216
    {u"ListHotkeys", 0, 0, false, {}, ""},  // 217
    {u"Edit", 0, 0, false, {}, ""},  // 218
    {u"Reload", 0, 0, false, {}, ""},  // 219
    {u"Menu", 2, 6, false, {}, ""},  // 220
    {u"Gui", 1, 4, false, {}, ""},  // 221
    {u"GuiControl", 0, 3, true, {}, ""},  // 222
    {u"GuiControlGet", 1, 4, false, {}, "o"},  // 223
    {u"ExitApp", 0, 1, false, {1}, ""},  // 224
    {u"Shutdown", 1, 1, false, {1}, ""},  // 225
    {u"FileEncoding", 0, 1, false, {}, ""},  // 226
    {u"#If", 0, 1, false, {1}, ""},  // 227
};

struct AliasInfo {
  const char16_t* name;
  CommandId becomes;
  uint8_t min_params, max_params;
};

const AliasInfo kAliases[] = {
    {u"", CmdInvalid, 0, 0},
    {u"SetEnv", CmdAssign, 1, 2},
    {u"EnvAdd", CmdAddAssign, 2, 3},
    {u"EnvSub", CmdSubAssign, 1, 3},
    {u"EnvMult", CmdMultAssign, 2, 2},
    {u"EnvDiv", CmdDivAssign, 2, 2},
    {u"IfEqual", CmdIfEqual, 1, 2},
    {u"IfNotEqual", CmdIfNotEqual, 1, 2},
    {u"IfGreater", CmdIfGreater, 1, 2},
    {u"IfGreaterOrEqual", CmdIfGreaterOrEqual, 1, 2},
    {u"IfLess", CmdIfLess, 1, 2},
    {u"IfLessOrEqual", CmdIfLessOrEqual, 1, 2},
    {u"WinGetActiveTitle", CmdWinGetTitle, 1, 1},
    {u"WinGetActiveStats", CmdWinGetPos, 5, 5},
};

}  // namespace

const CommandInfo& command_info(CommandId id) { return kCommands[id]; }

bool find_command(StringView word, CommandLookup& out) {
  for (int i = 24; i < kCommandCount; ++i) {
    if (equals_ignore_case(word, kCommands[i].name)) {
      out = {CommandId(i), AliasNone, kCommands[i].min_params, kCommands[i].max_params};
      return true;
    }
  }
  for (int i = 1; i <= AliasWinGetActiveStats; ++i) {
    if (equals_ignore_case(word, kAliases[i].name)) {
      out = {kAliases[i].becomes, i, kAliases[i].min_params, kAliases[i].max_params};
      return true;
    }
  }
  return false;
}

StringView command_name(const CommandLookup& cmd) {
  return cmd.alias != AliasNone ? kAliases[cmd.alias].name : kCommands[cmd.id].name;
}

ParamKind param_kind(CommandId id, int position) {
  const char* kinds = kCommands[id].var_kinds;
  for (int i = 0; kinds[i]; ++i) {
    if (i == position) return kinds[i] == 'o' ? ParamKind::OutputVar : kinds[i] == 'i' ? ParamKind::InputVar : ParamKind::Normal;
  }
  return ParamKind::Normal;
}

bool is_numeric_param(CommandId id, int one_based_position) {
  for (uint8_t p : kCommands[id].numeric) {
    if (p == 0) break;
    if (p == one_based_position) return true;
  }
  return false;
}

bool is_numeric_param(const CommandLookup& cmd, int one_based_position) {
  if (cmd.alias >= AliasEnvAdd && cmd.alias <= AliasEnvDiv) return one_based_position == 2;
  if (cmd.alias != AliasNone) return false;
  return is_numeric_param(cmd.id, one_based_position);
}

}  // namespace orv
