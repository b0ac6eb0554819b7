#!/usr/bin/env bash
# Script objects seen from COM: orv-dispatch-probe.exe makes objects through
# the portable object model, calls their IDispatch as COM clients do and
# prints one line per case. Every line below must come out exactly once and
# exactly so, and nothing else may; lines starting with # are comments.
source "$(dirname "$0")/scenario.lib" dispatch

expected=$(cat <<'LINES'
# Dispatch identifiers: one program-wide numbering from 1, case-insensitive;
# only the first of several names is resolved.
names first name: S_OK 1
names same name other case: S_OK 1
names next name: S_OK 2
names same name other object: S_OK 1
names several names: DISP_E_UNKNOWNNAME 3 -1 -1
names first of several known: DISP_E_UNKNOWNNAME 2 -1
names no names: S_OK
names with an interface id: DISP_E_UNKNOWNINTERFACE

# How a COM call reaches the object: the script's invoke type and flags, and
# the parameters in script order (the member name first, unless the object
# itself is invoked).
invoke get: S_OK Get [operand 'Width']
invoke get with keys: S_OK Get [operand 'Cells', int 2, text 'b']
invoke put: S_OK Set [operand 'Width', int 5]
invoke put by reference: S_OK Set [operand 'Width', int 9]
invoke put with a key: S_OK Set [operand 'Cells', int 2, text 'v']
invoke put without the named value: S_OK Set [operand 'Width', int 6]
invoke method: S_OK Call [operand 'Move', int 1, int 2, int 3]
invoke method or get: S_OK Call|CallIfFunction [operand 'Move', int 1]
invoke no flags: S_OK Get [operand 'Width']
invoke self called: S_OK Call|AsFunctionObject [int 7]
invoke self read: S_OK Get [text 'k']
invoke self assigned: S_OK Set [text 'k', int 1]
invoke integer name: S_OK Get [int 7]
invoke hex name: S_OK Get [int 16]
invoke negative name: S_OK Get [int -3]
invoke blank-padded name: S_OK Get [int 12]
invoke float name: S_OK Get [operand '1.5']
invoke integer method name: S_OK Call [int 7]
invoke 254 arguments: S_OK Call [operand 'Many', int 1, ... int 254; 255 in all]
invoke 255 arguments: DISP_E_BADPARAMCOUNT not called
invoke put without arguments: DISP_E_BADPARAMCOUNT not called
invoke named argument: DISP_E_NONAMEDARGS not called
invoke unknown id: DISP_E_MEMBERNOTFOUND not called
invoke negative id: DISP_E_MEMBERNOTFOUND not called
invoke enumerator id: DISP_E_MEMBERNOTFOUND not called
invoke with an interface id: DISP_E_UNKNOWNINTERFACE not called

# Arguments of every VARIANT type, as the object receives them.
argument I1: S_OK Call [operand 'Take', int -3]
argument I2: S_OK Call [operand 'Take', int -300]
argument I4: S_OK Call [operand 'Take', int -70000]
argument I8: S_OK Call [operand 'Take', int -9000000000]
argument INT: S_OK Call [operand 'Take', int 12]
argument UI1: S_OK Call [operand 'Take', int 200]
argument UI2: S_OK Call [operand 'Take', int 65000]
argument UI4: S_OK Call [operand 'Take', int 4000000000]
argument UI8: S_OK Call [operand 'Take', int -1]
argument UINT: S_OK Call [operand 'Take', int 3000000000]
argument BOOL true: S_OK Call [operand 'Take', int -1]
argument BOOL false: S_OK Call [operand 'Take', int 0]
argument R4: S_OK Call [operand 'Take', float 1.5]
argument R8: S_OK Call [operand 'Take', float -2.25]
argument BSTR: S_OK Call [operand 'Take', text 'Grüße €']
argument BSTR with a zero inside: S_OK Call [operand 'Take', text 'a\x00b']
argument null BSTR: S_OK Call [operand 'Take', text '']
argument EMPTY: S_OK Call [operand 'Take', missing]
argument NULL: S_OK Call [operand 'Take', text '']
argument omitted: S_OK Call [operand 'Take', missing]
argument other error: DISP_E_TYPEMISMATCH argument 0 not called
argument CY: S_OK Call [operand 'Take', text '12.5']
argument by-reference I4: S_OK Call [operand 'Take', int 41]
argument by-reference BSTR: S_OK Call [operand 'Take', text 'through']
argument by-reference VARIANT: S_OK Call [operand 'Take', float 0.25]
argument array: DISP_E_TYPEMISMATCH argument 0 not called
argument our IDispatch: S_OK Call [operand 'Take', object child]
argument our IUnknown: S_OK Call [operand 'Take', object child]
argument null IDispatch: S_OK Call [operand 'Take', text '']
argument foreign IDispatch: DISP_E_TYPEMISMATCH argument 0 not called
argument refused among others: DISP_E_TYPEMISMATCH argument 1 not called
argument references given back: 1

# What the object answers, as COM receives it.
result small integer: S_OK I4 5
result lowest 32-bit integer: S_OK I4 -2147483648
result integer beyond 32 bits: S_OK I8 1099511627776
result integer just beyond 32 bits: S_OK I8 2147483648
result float: S_OK R8 0.5
result text: S_OK BSTR 'hi ü'
result empty operand: S_OK BSTR ''
result object: S_OK DISPATCH child
result variable holding a number: S_OK R8 2.5
result variable holding numeric text: S_OK BSTR '12'
result variable holding an object: S_OK DISPATCH child
result method returned: S_OK I4 9
result not handled: S_OK BSTR ''

# Failures: a thrown value reaches COM as DISP_E_EXCEPTION with its message
# and is no longer pending; one pending before the call is kept for after.
error thrown text: DISP_E_EXCEPTION 'boom' scode E_FAIL; pending after: none
error thrown integer: DISP_E_EXCEPTION '42' scode E_FAIL; pending after: none
error thrown exception object: DISP_E_EXCEPTION 'bad thing' scode E_FAIL; pending after: none
error thrown object without message: DISP_E_EXCEPTION '' scode E_FAIL; pending after: none
error thrown after finishing: DISP_E_EXCEPTION 'late' scode E_FAIL; pending after: none
error thrown without room for the message: DISP_E_EXCEPTION; pending after: none
error reported without a thrown value: E_FAIL; pending after: none
error thread exit: E_ABORT; pending after: none
error pending before the call: S_OK Call [operand 'Fail']; pending after: earlier

# A real Object driven through COM alone.
object assign a field: S_OK BSTR 'x'
object call a built-in method: S_OK I4 2
object read an integer key by name: S_OK I4 20
object read a field in another case: S_OK BSTR 'x'
object method-or-get on a plain field: S_OK BSTR 'x'
object method-or-get on a built-in method: S_OK I4 3
object read a missing member: S_OK BSTR ''
object assign an object: S_OK DISPATCH child (same face)
object read the object back: S_OK DISPATCH child (same face)
object read through the object itself: S_OK BSTR 'x'
object assign through a sub-object: S_OK I4 8
object fields: 1=10 2=20 Child=<child> Name=x
object child fields: inner=8

# COM references are references to the object; one identity while held.
refs taken: created 1, face 2, face again 3 same, AddRef 4, IUnknown 5 same, IDispatch 6 same, IStream E_NOINTERFACE null 6
refs recognised: object found 6, through IUnknown found, foreign none, null none
refs given back: released 2, last COM count 1, then 1 and 0
refs after the face went: count 2, object found, released 1
type information: S_OK 0, E_NOTIMPL null
lifetime: script let go: alive, COM let go: destroyed

# Nothing left over.
end: child refs 1, recorder refs 1
LINES
)

orv_wine build/win/orv-dispatch-probe.exe >"$work/raw" 2>"$work/err"
rc=$?
[ "$rc" = 0 ]; check "probe exit code" $? "got: $rc; stderr: $(cat "$work/err")"
tr -d '\r' <"$work/raw" >"$work/got"

check_cases "$expected" "$work/got"

echo "dispatch: $passed passed, $failed failed"
[ "$failed" = 0 ]
