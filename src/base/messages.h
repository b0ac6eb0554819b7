// The fixed English texts the program shows: error and warning messages, the
// parts of its error dialogs, and the headings of its own windows. Callers
// name a text by its id, so that each one is written once and the unit test
// can check the whole set. Scripts compare some of these texts, so a text
// that changes is a change in behaviour.
//
// No text begins or ends with a blank or a line break: where a message
// carries a value (a name, a number, a file), the caller puts it together
// from the pieces here, the value, and the blanks, quotes and colons between
// them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/text.h"

namespace orv {

enum class Msg : uint16_t {
  // Memory and other resources
  OutOfMemory,
  OutOfMemoryThreadExits,
  MemoryLimitReached,
  ClipboardNotWritable,
  FileOpenFailed,
  FileWriteFailed,
  UnwrittenAtExit,
  DllImportMemoryFailed,
  ScriptNotExtracted,
  // Parameters of commands and directives
  ParamInvalid1,
  ParamInvalid2,
  ParamInvalid3,
  ParamInvalid4,
  ParamRequired1,
  ParamRequired2,
  ParamRequired3,
  Param1NotBlankHere,
  Param3BlankHere,
  Param2NoSuchIfExpression,
  BlankParam,
  NotOutputVar,
  InvalidValue,
  AnObject,
  // Names and variable references
  VarNameTooLong,
  FuncNameTooLong,
  IllegalFunctionName,
  IllegalVariableName,
  BlankGroupName,
  GroupNameTooLong,
  IllegalGroupName,
  DerefMissingPercent,
  EmptyDeref,
  TooManyDerefs,
  InvalidEscapedPercent,
  UnexpectedPercent,
  DynamicVarBlank,
  DynamicVarNameTooLong,
  // Declarations
  BuiltinVarDeclared,
  ParamDeclared,
  DuplicateDeclaration,
  DeclarationConflict,
  TooManyDeclarations,
  GlobalsNotAllowed,
  LocalsNotAllowed,
  DeclarationTooLong,
  InvalidClassVarDeclaration,
  // Functions and calls
  DuplicateFunction,
  TooManyParamsDeclared,
  IllegalParamName,
  DuplicateParam,
  UnsupportedParamDefault,
  ParamDefaultRequired,
  MissingComma,
  ExpectedAssign,
  InvalidFunctionDeclaration,
  FunctionsInFunction,
  UnexpectedFunction,
  HotkeyFunctionParamsOptional,
  CallToMissingFunction,
  TooManyParamsPassed,
  TooFewParamsPassed,
  FunctionRecursionTooDeep,
  ClassesNotAvailable,
  // Classes and objects
  InvalidMemberDefinition,
  InvalidPropertyAccessor,
  ClassSyntaxError,
  MissingClassName,
  InvalidClassName,
  ClassNestedTooDeep,
  ClassNameTooLong,
  DuplicateClass,
  UnknownClass,
  UnknownMember,
  BaseChainTooDeep,
  ExceptionThrown,
  UnhandledException,
  // Expressions
  ExpressionTooLong,
  AmbiguousDot,
  CharNotAllowed,
  IllegalCharInExpression,
  MissingCloseQuote,
  UnsupportedMethodCall,
  KeyNeedsQuotes,
  MissingOperand,
  MissingOperator,
  ColonWithoutQuestion,
  MissingObjectKey,
  MissingCloseParen,
  MissingCloseBracket,
  MissingCloseBrace,
  MissingOpenBrace,
  MissingCloseParenBeforeColon,
  MissingCloseBracketBeforeColon,
  MissingCloseBraceBeforeColon,
  UnexpectedCloseParen,
  UnexpectedCloseBracket,
  UnexpectedCloseBrace,
  UnexpectedOpenBrace,
  // Lines, blocks and jumps
  NoRecognizedAction,
  ScriptEndsEarly,
  NestedTooDeep,
  ContinuationTooLong,
  ElseWithoutIf,
  UntilWithoutLoop,
  CatchWithoutTry,
  FinallyWithoutTry,
  BetweenWithoutAnd,
  ForSyntaxError,
  ForWithoutIn,
  BreakOutsideLoop,
  JumpOutOfFinally,
  JumpOutOfFunction,
  JumpIntoBlock,
  TargetLabelMissing,
  DuplicateLabel,
  LabelBeforeElse,
  LabelBeforeFunction,
  SubroutineRecursionTooDeep,
  LineOutOfPlace,
  // Hotkeys, hotstrings and directives
  InvalidHotkey,
  DuplicateHotkey,
  NotAPrefixKey,
  NotAValidKeyName,
  MaxHotkeys,
  AltTabHotkeyLead,
  AltTabNeedsSide,
  AltTabNeedsOneModifier,
  NonexistentHotkey,
  NonexistentHotkeyVariant,
  HotkeysReceivedPiece,
  HotkeysContinueQuestion,
  HookNotActivated,
  HotkeyInFunction,
  HotstringWithoutAbbreviation,
  IfWinIsDirective,
  UnescapedCommaOrPercent,
  DllImportReferenceNotAllowed,
  // Pieces of the messages about a command or function named in quotes
  RequiresAtLeast,
  ParameterSingular,
  ParameterPlural,
  RequiresParam,
  MustBeNonBlank,
  TheFunction,
  NotYetAvailable,
  ThisLine,
  // Warnings and what they say of a variable
  UnsetVariable,
  EnvVariableRead,
  LocalSameAsGlobal,
  AStaticVariable,
  AGlobalVariable,
  ALocalVariableNamedLikeGlobal,
  ALocalVariable,
  InFunction,
  // The parts of an error dialog and its footers; a heading or label is
  // followed by ": " where it is used
  ErrorHeading,
  WarningHeading,
  CriticalErrorHeading,
  ErrorAtLine,
  InIncludeFile,
  LineTextLabel,
  SpecificallyLabel,
  ThreadWillExit,
  ProgramWillExit,
  OldVersionStays,
  ContinueRunning,
  WarnDetails,
  ThreadExited,
  // Message boxes and the program's own windows
  PressOkToContinue,
  TooManyMessageBoxes,
  OldInstanceStillOpen,
  ReplaceOldInstance,
  LineHistoryHeading,
  PressF5ToRefresh,
  StillWaiting,
  StaticVariablesFor,
  LocalVariablesFor,
  GlobalVariablesHeading,
  Count  // not a message: how many there are
};

inline constexpr size_t kMessageCount = size_t(Msg::Count);

// The text of `id`; it lives as long as the program.
StringView message(Msg id);

}  // namespace orv
