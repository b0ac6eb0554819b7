#include "base/messages.h"

#include <iterator>

namespace orv {

namespace {

struct Row {
  Msg id;
  StringView text;
};

// In the order of Msg, which the checks below hold it to, so that an id
// indexes its row.
constexpr Row kRows[] = {
    // Memory and other resources
    {Msg::OutOfMemory, u"Out of memory."},
    {Msg::OutOfMemoryThreadExits, u"Out of memory.  The current thread will exit."},
    {Msg::MemoryLimitReached, u"Memory limit reached (see #MaxMem in the help file)."},
    {Msg::ClipboardNotWritable, u"Can't open clipboard for writing."},
    {Msg::ClipboardNotReadable, u"Can't open clipboard for reading."},
    {Msg::FileOpenFailed, u"Failed to open file."},
    {Msg::FileWriteFailed, u"Failed to write to file."},
    {Msg::UnwrittenAtExit, u"The last output of an open file could not be written."},
    {Msg::DllImportMemoryFailed, u"Could not commit memory for DllImport."},
    {Msg::DllCallNeedsCapacity, u"This DllCall requires a prior VarSetCapacity. The program is now unstable and will exit."},
    {Msg::DynaCallNeedsCapacity, u"This DynaCall requires a prior VarSetCapacity. The program is now unstable and will exit."},
    {Msg::ScriptNotExtracted, u"Could not extract script from EXE."},
    // Parameters of commands and directives
    {Msg::ParamInvalid1, u"Parameter #1 invalid."},
    {Msg::ParamInvalid2, u"Parameter #2 invalid."},
    {Msg::ParamInvalid3, u"Parameter #3 invalid."},
    {Msg::ParamInvalid4, u"Parameter #4 invalid."},
    {Msg::ParamRequired1, u"Parameter #1 required"},
    {Msg::ParamRequired2, u"Parameter #2 required"},
    {Msg::ParamRequired3, u"Parameter #3 required"},
    {Msg::Param1NotBlankHere, u"Parameter #1 must not be blank in this case."},
    {Msg::Param3BlankHere, u"Parameter #3 must be blank in this case."},
    {Msg::Param2NoSuchIfExpression, u"Parameter #2 must match an existing #If expression."},
    {Msg::BlankParam, u"Blank parameter"},
    {Msg::NotOutputVar, u"Not allowed as an output variable."},
    {Msg::InvalidValue, u"Invalid value."},
    {Msg::AnObject, u"An object."},
    // Names and variable references
    {Msg::VarNameTooLong, u"Variable name too long."},
    {Msg::FuncNameTooLong, u"Function name too long."},
    {Msg::IllegalFunctionName, u"The following function name contains an illegal character:"},
    {Msg::IllegalVariableName, u"The following variable name contains an illegal character:"},
    {Msg::BlankGroupName, u"Blank group name."},
    {Msg::GroupNameTooLong, u"Group name too long."},
    {Msg::IllegalGroupName, u"Illegal group name."},
    {Msg::DerefMissingPercent, u"This parameter contains a variable name missing its ending percent sign."},
    {Msg::EmptyDeref, u"Empty variable reference (%%)."},
    {Msg::TooManyDerefs, u"Too many var/func refs."},
    {Msg::InvalidEscapedPercent, u"Invalid `%."},
    {Msg::UnexpectedPercent, u"Unexpected %"},
    {Msg::DynamicVarBlank,
     u"This dynamic variable is blank. If this variable was not intended to be dynamic, remove the % symbols from it."},
    {Msg::DynamicVarNameTooLong,
     u"This dynamically built variable name is too long.  If this variable was not intended to be dynamic, remove "
     u"the % symbols from it."},
    // Declarations
    {Msg::BuiltinVarDeclared, u"Built-in variables must not be declared."},
    {Msg::ParamDeclared, u"Parameters must not be declared."},
    {Msg::DuplicateDeclaration, u"Duplicate declaration."},
    {Msg::DeclarationConflict, u"Declaration conflicts with existing var."},
    {Msg::TooManyDeclarations, u"Too many declarations."},
    {Msg::GlobalsNotAllowed, u"Global variables must not be declared in this function."},
    {Msg::LocalsNotAllowed, u"Local variables must not be declared in this function."},
    {Msg::DeclarationTooLong, u"Declaration too long."},
    {Msg::InvalidClassVarDeclaration, u"Invalid class variable declaration."},
    // Functions and calls
    {Msg::DuplicateFunction, u"Duplicate function definition."},
    {Msg::TooManyParamsDeclared, u"Too many params."},
    {Msg::IllegalParamName, u"Illegal parameter name."},
    {Msg::DuplicateParam, u"Duplicate parameter."},
    {Msg::UnsupportedParamDefault, u"Unsupported parameter default."},
    {Msg::ParamDefaultRequired, u"Parameter default required."},
    {Msg::MissingComma, u"Missing comma"},
    {Msg::ExpectedAssign, u"Expected \":=\""},
    {Msg::InvalidFunctionDeclaration, u"Invalid function declaration."},
    {Msg::FunctionsInFunction, u"Functions cannot contain functions."},
    {Msg::UnexpectedFunction, u"Unexpected function"},
    {Msg::HotkeyFunctionParamsOptional, u"Parameters of hotkey functions must be optional."},
    {Msg::CallToMissingFunction, u"Call to nonexistent function."},
    {Msg::TooManyParamsPassed, u"Too many parameters passed to function."},
    {Msg::TooFewParamsPassed, u"Too few parameters passed to function."},
    {Msg::FunctionRecursionTooDeep, u"Function recursion too deep."},
    {Msg::ClassesNotAvailable, u"Classes are not yet available."},
    // Classes and objects
    {Msg::InvalidMemberDefinition, u"Not a valid method, class or property definition."},
    {Msg::InvalidPropertyAccessor, u"Not a valid property getter/setter."},
    {Msg::ClassSyntaxError, u"Syntax error in class definition."},
    {Msg::MissingClassName, u"Missing class name."},
    {Msg::InvalidClassName, u"Invalid class name."},
    {Msg::ClassNestedTooDeep, u"This class definition is nested too deep."},
    {Msg::ClassNameTooLong, u"Full class name is too long."},
    {Msg::DuplicateClass, u"Duplicate class definition."},
    {Msg::UnknownClass, u"Unknown class."},
    {Msg::UnknownMember, u"Unknown property or method."},
    {Msg::BaseChainTooDeep, u"Base chain too deep."},
    {Msg::ExceptionThrown, u"An exception was thrown."},
    {Msg::UnhandledException, u"Unhandled exception."},
    // Expressions
    {Msg::ExpressionTooLong, u"Expression too long"},
    {Msg::AmbiguousDot, u"Ambiguous or invalid use of \".\""},
    {Msg::CharNotAllowed, u"This character is not allowed here."},
    {Msg::IllegalCharInExpression, u"The leftmost character above is illegal in an expression."},
    {Msg::MissingCloseQuote, u"Missing close-quote"},
    {Msg::UnsupportedMethodCall, u"Unsupported method call syntax."},
    {Msg::KeyNeedsQuotes, u"Quote marks are required around this key."},
    {Msg::MissingOperand, u"Missing operand."},
    {Msg::MissingOperator, u"Missing operator."},
    {Msg::ColonWithoutQuestion, u"A \":\" is missing its \"?\""},
    {Msg::MissingObjectKey, u"Missing \"key:\" in object literal."},
    {Msg::MissingCloseParen, u"Missing \")\""},
    {Msg::MissingCloseBracket, u"Missing \"]\""},
    {Msg::MissingCloseBrace, u"Missing \"}\""},
    {Msg::MissingOpenBrace, u"Missing \"{\""},
    {Msg::MissingCloseParenBeforeColon, u"Missing \")\" before \":\""},
    {Msg::MissingCloseBracketBeforeColon, u"Missing \"]\" before \":\""},
    {Msg::MissingCloseBraceBeforeColon, u"Missing \"}\" before \":\""},
    {Msg::UnexpectedCloseParen, u"Unexpected \")\""},
    {Msg::UnexpectedCloseBracket, u"Unexpected \"]\""},
    {Msg::UnexpectedCloseBrace, u"Unexpected \"}\""},
    {Msg::UnexpectedOpenBrace, u"Unexpected \"{\""},
    // Lines, blocks and jumps
    {Msg::NoRecognizedAction, u"This line does not contain a recognized action."},
    {Msg::ScriptEndsEarly, u"The script ends where a line was expected."},
    {Msg::NestedTooDeep, u"This line is nested too deep."},
    {Msg::ContinuationTooLong, u"Continuation section too long."},
    {Msg::ElseWithoutIf, u"ELSE with no matching IF"},
    {Msg::UntilWithoutLoop, u"UNTIL with no matching LOOP"},
    {Msg::CatchWithoutTry, u"CATCH with no matching TRY"},
    {Msg::FinallyWithoutTry, u"FINALLY with no matching TRY or CATCH"},
    {Msg::BetweenWithoutAnd, u"BETWEEN requires the word AND."},
    {Msg::ForSyntaxError, u"Syntax error or too many variables in \"For\" statement."},
    {Msg::ForWithoutIn, u"This \"For\" is missing its \"in\"."},
    {Msg::BreakOutsideLoop, u"Break/Continue must be enclosed by a Loop."},
    {Msg::JumpOutOfFinally, u"Jumps cannot exit a FINALLY block."},
    {Msg::JumpOutOfFunction, u"Cannot jump from inside a function to outside."},
    {Msg::JumpIntoBlock, u"A Goto/Gosub must not jump into a block that doesn't enclose it."},
    {Msg::TargetLabelMissing, u"Target label does not exist."},
    {Msg::DuplicateLabel, u"Duplicate label."},
    {Msg::LabelBeforeElse, u"A label must not point to an ELSE or UNTIL or CATCH."},
    {Msg::LabelBeforeFunction, u"A label must not point to a function."},
    {Msg::SubroutineRecursionTooDeep, u"Subroutine recursion too deep."},
    {Msg::LineOutOfPlace, u"This line cannot run here."},
    // Hotkeys, hotstrings and directives
    {Msg::InvalidHotkey, u"Invalid hotkey."},
    {Msg::DuplicateHotkey, u"Duplicate hotkey."},
    // After the key's name in quotes.
    {Msg::NotAPrefixKey, u"is not allowed as a prefix key."},
    {Msg::NotAValidKeyName, u"is not a valid key name."},
    {Msg::MaxHotkeys, u"Max hotkeys."},
    {Msg::AltTabHotkeyLead, u"The AltTab hotkey"},
    // After the lead above and the hotkey in quotes.
    {Msg::AltTabNeedsSide, u"must specify which key (L or R)."},
    {Msg::AltTabNeedsOneModifier, u"must have exactly one modifier/prefix."},
    {Msg::NonexistentHotkey, u"Nonexistent hotkey."},
    {Msg::NonexistentHotkeyVariant, u"Nonexistent hotkey variant (IfWin)."},
    // The rate-limit question: the count, this piece, the milliseconds, then the question.
    {Msg::HotkeysReceivedPiece, u"hotkeys have been received in the last"},
    {Msg::HotkeysContinueQuestion, u"ms.\n\nDo you want to continue?\n(see #MaxHotkeysPerInterval in the help file)"},
    {Msg::KeyHistoryNoHook,
     u"NOTE: Only the script's own keyboard events are shown\r\n(not the user's), because the keyboard hook isn't "
     u"installed."},
    {Msg::KeyHistoryExplanation,
     u"NOTE: To disable the key history shown below, add the line \"#KeyHistory 0\" anywhere in the script.  The same "
     u"method can be used to change the size of the history buffer.  For example: #KeyHistory 100  (Default is 40, "
     u"Max is 500)\r\n\r\nThe oldest are listed first.  VK=Virtual Key, SC=Scan Code, Elapsed=Seconds since the "
     u"previous event.  Types: h=Hook Hotkey, s=Suppressed (blocked), i=Ignored because it was generated by an ORV "
     u"script, a=Artificial, #=Disabled via #IfWinActive/Exist, U=Unicode character (SendInput)."},
    {Msg::HookNotActivated,
     u"Warning: The keyboard and/or mouse hook could not be activated; some parts of the script will not function."},
    {Msg::HotkeyInFunction, u"Hotkeys/hotstrings are not allowed inside functions."},
    {Msg::HotstringWithoutAbbreviation, u"This hotstring is missing its abbreviation."},
    {Msg::HotstringTooLong, u"Hotstring max abbreviation length is 40."},
    {Msg::IfWinIsDirective, u"IfWin should be #IfWin."},
    {Msg::UnescapedCommaOrPercent, u"Literal commas and percent signs must be escaped (e.g. `%)"},
    {Msg::DllImportReferenceNotAllowed,
     u"Reference not allowed here, use & where possible. Only %A_OrvPath% %A_OrvDir% %A_DllPath% %A_DllDir% "
     u"%A_ScriptDir% %A_AppData[Common]% can be used here."},
    // Pieces of the messages about a command or function named in quotes
    {Msg::RequiresAtLeast, u"requires at least"},
    {Msg::ParameterSingular, u"parameter."},
    {Msg::ParameterPlural, u"parameters."},
    {Msg::RequiresParam, u"requires that parameter #"},
    {Msg::MustBeNonBlank, u"be non-blank."},
    {Msg::TheFunction, u"The function"},
    {Msg::NotYetAvailable, u"is not yet available."},
    {Msg::NoNativeCode, u"is not available: this host cannot run native code."},
    {Msg::ThisLine, u"This line"},
    // Warnings and what they say of a variable
    {Msg::UnsetVariable, u"This variable has not been assigned a value."},
    {Msg::EnvVariableRead, u"An environment variable is being accessed; see #NoEnv."},
    {Msg::LocalSameAsGlobal, u"This local variable has the same name as a global variable."},
    {Msg::AStaticVariable, u"a static variable"},
    {Msg::AGlobalVariable, u"a global variable"},
    {Msg::ALocalVariableNamedLikeGlobal, u"a local variable with same name as a global"},
    {Msg::ALocalVariable, u"a local variable"},
    {Msg::InFunction, u"in function"},
    // The parts of an error dialog and its footers; a heading or label is
    // followed by ": " where it is used
    {Msg::ErrorHeading, u"Error"},
    {Msg::WarningHeading, u"Warning"},
    {Msg::CriticalErrorHeading, u"Critical Error"},
    {Msg::ErrorAtLine, u"Error at line"},
    {Msg::InIncludeFile, u"in #include file"},
    {Msg::LineTextLabel, u"Line Text"},
    {Msg::SpecificallyLabel, u"Specifically"},
    {Msg::ThreadWillExit, u"The current thread will exit."},
    {Msg::ProgramWillExit, u"The program will exit."},
    {Msg::OldVersionStays, u"The script was not reloaded; the old version will remain in effect."},
    {Msg::ContinueRunning, u"Continue running the script?"},
    {Msg::WarnDetails, u"For more details, read the documentation for #Warn."},
    {Msg::ThreadExited, u"The thread has exited."},
    // Message boxes and the program's own windows
    {Msg::PressOkToContinue, u"Press OK to continue."},
    {Msg::TooManyMessageBoxes, u"The maximum number of MsgBoxes has been reached."},
    {Msg::OldInstanceStillOpen, u"Could not close the previous instance of this script.  Keep waiting?"},
    {Msg::ReplaceOldInstance,
     u"An older instance of this script is already running.  Replace it with this instance?\n"
     u"Note: To avoid this message, see #SingleInstance in the help file."},
    {Msg::LineHistoryHeading,
     u"Script lines most recently executed (oldest first).  Press [F5] to refresh.  The seconds elapsed between a "
     u"line and the one after it is in parentheses to the right (if not 0).  The bottommost line's elapsed time is "
     u"the number of seconds since it executed."},
    {Msg::PressF5ToRefresh, u"Press [F5] to refresh."},
    {Msg::StillWaiting, u"STILL WAITING"},
    {Msg::StaticVariablesFor, u"Static Variables for"},
    {Msg::LocalVariablesFor, u"Local Variables for"},
    {Msg::GlobalVariablesHeading, u"Global Variables (alphabetical)"},
    // Menus and the tray menu
    {Msg::MenuMissing, u"Menu does not exist."},
    {Msg::MenuNameTooLong, u"Menu name too long."},
    {Msg::MenuItemMissing, u"Nonexistent menu item."},
    {Msg::MenuItemNameTooLong, u"Menu item name too long."},
    {Msg::TooManyMenuItems, u"Too many menu items."},
    {Msg::SubmenuMissing, u"Submenu does not exist."},
    {Msg::SubmenuContainsParent, u"Submenu must not contain its parent menu."},
    {Msg::MenuRenameFailed, u"Rename failed (name too long?)."},
    {Msg::CantLoadIcon, u"Can't load icon."},
    {Msg::TrayMenuUndeletable, u"Tray menu must not be deleted."},
    {Msg::MenuInUse, u"Can't delete menu (in use?)."},
    {Msg::MenuItemsInUse, u"Can't delete items (in use?)."},
    {Msg::TrayMenuOnly, u"Supported only for the tray menu"},
    {Msg::Param3NotBlankHere, u"Parameter #3 must not be blank in this case."},
    // Script windows and controls
    {Msg::InvalidGuiName, u"Invalid Gui name."},
    {Msg::CouldNotCreateWindow, u"Could not create window."},
    {Msg::TabNameMissing, u"Tab name doesn't exist yet."},
    {Msg::TooManyControls, u"Too many controls."},
    {Msg::TooManyTabControls, u"Too many tab controls."},
    {Msg::TooManyStatusBars, u"Too many status bars."},
    {Msg::CantCreateControl, u"Can't create control."},
    {Msg::WindowClassRequired, u"A window class is required."},
    {Msg::UnregisteredWindowClass, u"Unregistered window class."},
    {Msg::GuiInvalidOption, u"Invalid option."},
    {Msg::ControlVarInUse, u"The same variable cannot be used for more than one control."},
    {Msg::ControlHasNoHandler, u"This control type should not have an associated subroutine."},
    {Msg::ControlVarNotGlobal, u"A control's variable must be global or static."},
    {Msg::InvalidOwnerOrParent, u"Invalid or nonexistent owner or parent window."},
    {Msg::OutputVarsRequired, u"Requires at least one of its output variables."},
    {Msg::NoObjectToInvoke, u"No object to invoke."},
    {Msg::TooManyFonts, u"Too many fonts."},
    {Msg::CantCreateFont, u"Can't create font."},
    {Msg::ActiveXNotAvailable, u"ActiveX controls are not available in this version."},
    // Structures over raw memory
    {Msg::InvalidStructDefinition, u"Invalid structure definition."},
    {Msg::BitFieldPointer, u"Bit field must not be a pointer"},
    {Msg::VariableNotFoundInFunction, u"Variable was not found in function."},
    {Msg::EmptyStructPointer, u"Empty pointer, dynamic Structure fields must be initialized manually first."},
};

constexpr bool rows_follow_ids() {
  for (size_t i = 0; i < std::size(kRows); ++i)
    if (size_t(kRows[i].id) != i) return false;
  return true;
}
static_assert(std::size(kRows) == kMessageCount, "every Msg needs its row");
static_assert(rows_follow_ids(), "the rows must stand in the order of Msg");

}  // namespace

StringView message(Msg id) { return size_t(id) < kMessageCount ? kRows[size_t(id)].text : StringView(); }

}  // namespace orv
