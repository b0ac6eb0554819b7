// orv-dispatch-probe: looks at script objects from the COM side. It makes
// objects through the portable object model, takes their IDispatch and
// calls it the way COM clients do, printing one line per case:
//   LABEL: WHAT HAPPENED
// tests/wine/dispatch.sh holds the lines expected. The cases that show what
// Invoke hands to an object use a recording object, so that the flags and
// parameters are seen exactly as the object receives them.
#include <windows.h>
#include <ole2.h>

#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/thread_settings.h"
#include "objects/dispatch_bridge.h"
#include "objects/object_model.h"
#include "platform/dispatch.h"
#include "runtime/evaluator.h"
#include "runtime/variable.h"
#include "../invoke_text.h"

using namespace orv;
using test::number_text;
using test::printable;

namespace {

// --- naming what is seen -------------------------------------------------------------

std::vector<std::pair<const IObject*, std::string>> g_labels;

void label(const IObject* o, std::string name) { g_labels.emplace_back(o, std::move(name)); }

std::string label_of(const IObject* o) {
  for (auto& [object, name] : g_labels)
    if (object == o) return name;
  return "unlabelled";
}

std::string hr_name(HRESULT hr) {
  switch (hr) {
    case S_OK: return "S_OK";
    case DISP_E_MEMBERNOTFOUND: return "DISP_E_MEMBERNOTFOUND";
    case DISP_E_UNKNOWNNAME: return "DISP_E_UNKNOWNNAME";
    case DISP_E_UNKNOWNINTERFACE: return "DISP_E_UNKNOWNINTERFACE";
    case DISP_E_BADPARAMCOUNT: return "DISP_E_BADPARAMCOUNT";
    case DISP_E_TYPEMISMATCH: return "DISP_E_TYPEMISMATCH";
    case DISP_E_NONAMEDARGS: return "DISP_E_NONAMEDARGS";
    case DISP_E_EXCEPTION: return "DISP_E_EXCEPTION";
    case E_NOTIMPL: return "E_NOTIMPL";
    case E_NOINTERFACE: return "E_NOINTERFACE";
    case E_FAIL: return "E_FAIL";
    case E_ABORT: return "E_ABORT";
    case E_OUTOFMEMORY: return "E_OUTOFMEMORY";
    default: {
      char buf[16];
      std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(hr));
      return buf;
    }
  }
}

std::string describe_variant(const VARIANT& v) {
  switch (V_VT(&v)) {
    case VT_EMPTY: return "EMPTY";
    case VT_I4: return "I4 " + std::to_string(V_I4(&v));
    case VT_I8: return "I8 " + std::to_string(V_I8(&v));
    case VT_R8: return "R8 " + number_text(V_R8(&v));
    case VT_BSTR: {
      BSTR s = V_BSTR(&v);
      return "BSTR '" + printable(StringView(reinterpret_cast<const char16_t*>(s), s ? SysStringLen(s) : 0)) + "'";
    }
    case VT_DISPATCH: {
      IObject* o = platform::object_of_dispatch(V_DISPATCH(&v));
      return "DISPATCH " + (o ? label_of(o) : std::string(V_DISPATCH(&v) ? "foreign" : "null"));
    }
    default: return "VT " + std::to_string(V_VT(&v));
  }
}

// --- objects -------------------------------------------------------------------------

// Records how it was invoked, then does what the case set up: answers a
// value, throws, or reports an outcome.
class Recorder : public ObjectBase {
 public:
  Result invoke(ExprToken& result, ExprToken& this_token, uint32_t flags, ExprToken** params, int count) override {
    seen = test::invoke_text(flags, params, count, label_of);
    if (this_token.symbol != SymObject || this_token.object != this) seen += " this=other";
    if (g_thread->thrown.pending) seen += " saw-pending";
    if (act) return act(result);
    return ResultDone;
  }
  StringView type_name() const override { return u"Recorder"; }

  std::string take_seen() {
    std::string s = seen.empty() ? "not called" : seen;
    seen.clear();
    return s;
  }

  Result (*act)(ExprToken& result) = nullptr;

 private:
  std::string seen;
};

// Tells when it is destroyed.
class Tracked : public ObjectBase {
 public:
  explicit Tracked(bool& destroyed) : destroyed_(destroyed) {}
  ~Tracked() override { destroyed_ = true; }
  Result invoke(ExprToken&, ExprToken&, uint32_t, ExprToken**, int) override { return ResultNotHandled; }
  StringView type_name() const override { return u"Tracked"; }

 private:
  bool& destroyed_;
};

// A COM object that is not a script object.
class Foreign : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, __uuidof(IUnknown)) || IsEqualIID(iid, __uuidof(IDispatch))) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  ULONG refs = 1;
};

Foreign g_foreign;

IDispatch* face(IObject* o) { return static_cast<IDispatch*>(platform::dispatch_for(o)); }

std::string dump(const Object& o) {
  std::string out;
  for (int64_t i = 0; i < o.field_count(); ++i) {
    const ObjectField& f = o.field_at(i);
    if (!out.empty()) out += ' ';
    switch (o.key_kind_at(i)) {
      case KeyKind::Integer: out += std::to_string(f.int_key); break;
      case KeyKind::Object: out += label_of(f.object_key); break;
      default: out += printable(StringView(f.string_key)); break;
    }
    out += '=';
    switch (f.kind) {
      case SymInteger: out += std::to_string(f.integer); break;
      case SymFloat: out += number_text(f.number); break;
      case SymObject: out += "<" + label_of(f.object) + ">"; break;
      default: out += printable(f.text_view()); break;
    }
  }
  return out;
}

// --- calling -----------------------------------------------------------------------

VARIANT var(VARTYPE vt) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = vt;
  return v;
}
VARIANT i4(LONG x) {
  VARIANT v = var(VT_I4);
  V_I4(&v) = x;
  return v;
}
VARIANT bstr(const wchar_t* s) {
  VARIANT v = var(VT_BSTR);
  V_BSTR(&v) = SysAllocString(s);
  return v;
}
VARIANT dispatch(IDispatch* d) {
  // The argument holds its own reference, given back when it is cleared.
  if (d) d->AddRef();
  VARIANT v = var(VT_DISPATCH);
  V_DISPATCH(&v) = d;
  return v;
}

DISPID id_of(IDispatch* d, const wchar_t* name) {
  DISPID id = DISPID_UNKNOWN;
  auto* n = const_cast<LPOLESTR>(name);
  d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
  return id;
}

enum class Named { Auto, None, Other };

struct Outcome {
  HRESULT hr;
  VARIANT result;
  EXCEPINFO info;
  UINT arg_error;
};

// Arguments in script order; COM wants them last to first. A put names its
// value DISPID_PROPERTYPUT, as COM clients do, unless told otherwise.
Outcome call(IDispatch* d, DISPID id, WORD flags, std::vector<VARIANT> args, Named named = Named::Auto,
             bool want_info = true) {
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPID put = DISPID_PROPERTYPUT, other = 5;
  DISPPARAMS params{reversed.data(), nullptr, UINT(reversed.size()), 0};
  bool is_put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
  if (named == Named::Other || (named == Named::Auto && is_put && !args.empty())) {
    params.rgdispidNamedArgs = named == Named::Other ? &other : &put;
    params.cNamedArgs = 1;
  }
  Outcome o{};
  VariantInit(&o.result);
  o.arg_error = UINT(-1);
  o.hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &o.result, want_info ? &o.info : nullptr,
                   &o.arg_error);
  for (VARIANT& v : reversed) VariantClear(&v);
  return o;
}

std::string excepinfo_text(Outcome& o) {
  const auto* text = reinterpret_cast<const char16_t*>(o.info.bstrDescription);
  std::string s = "'" + (text ? printable(text) : "") + "' scode " + hr_name(o.info.scode);
  SysFreeString(o.info.bstrDescription);
  SysFreeString(o.info.bstrSource);
  SysFreeString(o.info.bstrHelpFile);
  return s;
}

void line(const std::string& label, const std::string& text) { std::printf("%s: %s\n", label.c_str(), text.c_str()); }

// --- the cases -----------------------------------------------------------------------

// Numbers are given out from 1 in the order names are first asked for, the
// same for every object, whatever the case of the letters.
void names(IDispatch* a, IDispatch* b) {
  struct Row {
    const char* label;
    IDispatch* object;
    std::vector<const wchar_t*> names;
  };
  const Row rows[] = {
      {"first name", a, {L"Alpha"}},
      {"same name other case", a, {L"ALPHA"}},
      {"next name", a, {L"beta"}},
      {"same name other object", b, {L"alpha"}},
      {"several names", b, {L"Gamma", L"x", L"y"}},
      {"first of several known", a, {L"beta", L"alpha"}},
      {"no names", a, {}},
  };
  for (const Row& r : rows) {
    std::vector<LPOLESTR> list;
    for (const wchar_t* n : r.names) list.push_back(const_cast<LPOLESTR>(n));
    std::vector<DISPID> ids(list.size(), 12345);
    HRESULT hr = r.object->GetIDsOfNames(IID_NULL, list.data(), UINT(list.size()), LOCALE_USER_DEFAULT, ids.data());
    std::string text = hr_name(hr);
    for (DISPID id : ids) {
      text += ' ';
      text += std::to_string(id);
    }
    line("names " + std::string(r.label), text);
  }
  const IID other = __uuidof(IUnknown);
  LPOLESTR n = const_cast<LPOLESTR>(L"alpha");
  DISPID id = 0;
  line("names with an interface id", hr_name(a->GetIDsOfNames(other, &n, 1, LOCALE_USER_DEFAULT, &id)));
}

// How a COM call reaches the object: flags and parameters.
void mapping(Recorder& rec, IDispatch* d) {
  constexpr WORD kGet = DISPATCH_PROPERTYGET, kPut = DISPATCH_PROPERTYPUT, kPutRef = DISPATCH_PROPERTYPUTREF,
                 kMethod = DISPATCH_METHOD;
  struct Row {
    const char* label;
    const wchar_t* name;  // null: `id` as given
    DISPID id;
    WORD flags;
    std::vector<VARIANT> args;
    Named named;
  };
  std::vector<VARIANT> many(254), too_many(255);
  for (size_t i = 0; i < too_many.size(); ++i) too_many[i] = i4(LONG(i + 1));
  for (size_t i = 0; i < many.size(); ++i) many[i] = i4(LONG(i + 1));
  std::vector<Row> rows;
  rows.push_back({"get", L"Width", 0, kGet, {}, Named::Auto});
  rows.push_back({"get with keys", L"Cells", 0, kGet, {i4(2), bstr(L"b")}, Named::Auto});
  rows.push_back({"put", L"Width", 0, kPut, {i4(5)}, Named::Auto});
  rows.push_back({"put by reference", L"Width", 0, kPutRef, {i4(9)}, Named::Auto});
  rows.push_back({"put with a key", L"Cells", 0, kPut, {i4(2), bstr(L"v")}, Named::Auto});
  rows.push_back({"put without the named value", L"Width", 0, kPut, {i4(6)}, Named::None});
  rows.push_back({"method", L"Move", 0, kMethod, {i4(1), i4(2), i4(3)}, Named::Auto});
  rows.push_back({"method or get", L"Move", 0, kMethod | kGet, {i4(1)}, Named::Auto});
  rows.push_back({"no flags", L"Width", 0, 0, {}, Named::Auto});
  rows.push_back({"self called", nullptr, DISPID_VALUE, kMethod, {i4(7)}, Named::Auto});
  rows.push_back({"self read", nullptr, DISPID_VALUE, kGet, {bstr(L"k")}, Named::Auto});
  rows.push_back({"self assigned", nullptr, DISPID_VALUE, kPut, {bstr(L"k"), i4(1)}, Named::Auto});
  rows.push_back({"integer name", L"7", 0, kGet, {}, Named::Auto});
  rows.push_back({"hex name", L"0x10", 0, kGet, {}, Named::Auto});
  rows.push_back({"negative name", L"-3", 0, kGet, {}, Named::Auto});
  rows.push_back({"blank-padded name", L" 12 ", 0, kGet, {}, Named::Auto});
  rows.push_back({"float name", L"1.5", 0, kGet, {}, Named::Auto});
  rows.push_back({"integer method name", L"7", 0, kMethod, {}, Named::Auto});
  rows.push_back({"254 arguments", L"Many", 0, kMethod, many, Named::Auto});
  rows.push_back({"255 arguments", L"Many", 0, kMethod, too_many, Named::Auto});
  rows.push_back({"put without arguments", L"Width", 0, kPut, {}, Named::Auto});
  rows.push_back({"named argument", L"Move", 0, kMethod, {i4(1)}, Named::Other});
  rows.push_back({"unknown id", nullptr, 99999, kGet, {}, Named::Auto});
  rows.push_back({"negative id", nullptr, -5, kGet, {}, Named::Auto});
  rows.push_back({"enumerator id", nullptr, DISPID_NEWENUM, kMethod, {}, Named::Auto});
  for (Row& r : rows) {
    DISPID id = r.name ? id_of(d, r.name) : r.id;
    Outcome o = call(d, id, r.flags, std::move(r.args), r.named);
    std::string text = hr_name(o.hr);
    if (o.hr == DISP_E_TYPEMISMATCH) text += " argument " + std::to_string(o.arg_error);
    line("invoke " + std::string(r.label), text + " " + rec.take_seen());
    VariantClear(&o.result);
  }
  VARIANT result;
  VariantInit(&result);
  DISPPARAMS none{};
  HRESULT hr = d->Invoke(id_of(d, L"Width"), __uuidof(IUnknown), LOCALE_USER_DEFAULT, kGet, &none, &result, nullptr,
                         nullptr);
  line("invoke with an interface id", hr_name(hr) + " " + rec.take_seen());
}

// Every kind of argument, as the object receives it.
void arguments(Recorder& rec, IDispatch* d, IDispatch* child) {
  static LONG by_ref_long = 41;
  static BSTR by_ref_text = SysAllocString(L"through");
  static VARIANT by_ref_variant = [] {
    VARIANT v = var(VT_R8);
    V_R8(&v) = 0.25;
    return v;
  }();
  static IDispatch* s_child = child;
  struct Row {
    const char* label;
    VARIANT (*make)();
  };
  const Row rows[] = {
      {"I1", [] { VARIANT v = var(VT_I1); V_I1(&v) = -3; return v; }},
      {"I2", [] { VARIANT v = var(VT_I2); V_I2(&v) = -300; return v; }},
      {"I4", [] { return i4(-70000); }},
      {"I8", [] { VARIANT v = var(VT_I8); V_I8(&v) = -9000000000LL; return v; }},
      {"INT", [] { VARIANT v = var(VT_INT); V_INT(&v) = 12; return v; }},
      {"UI1", [] { VARIANT v = var(VT_UI1); V_UI1(&v) = 200; return v; }},
      {"UI2", [] { VARIANT v = var(VT_UI2); V_UI2(&v) = 65000; return v; }},
      {"UI4", [] { VARIANT v = var(VT_UI4); V_UI4(&v) = 4000000000u; return v; }},
      {"UI8", [] { VARIANT v = var(VT_UI8); V_UI8(&v) = 0xFFFFFFFFFFFFFFFFull; return v; }},
      {"UINT", [] { VARIANT v = var(VT_UINT); V_UINT(&v) = 3000000000u; return v; }},
      {"BOOL true", [] { VARIANT v = var(VT_BOOL); V_BOOL(&v) = VARIANT_TRUE; return v; }},
      {"BOOL false", [] { VARIANT v = var(VT_BOOL); V_BOOL(&v) = VARIANT_FALSE; return v; }},
      {"R4", [] { VARIANT v = var(VT_R4); V_R4(&v) = 1.5f; return v; }},
      {"R8", [] { VARIANT v = var(VT_R8); V_R8(&v) = -2.25; return v; }},
      {"BSTR", [] { return bstr(L"Grüße €"); }},
      {"BSTR with a zero inside", [] {
         VARIANT v = var(VT_BSTR);
         V_BSTR(&v) = SysAllocStringLen(L"a\0b", 3);
         return v;
       }},
      {"null BSTR", [] { return var(VT_BSTR); }},
      {"EMPTY", [] { return var(VT_EMPTY); }},
      {"NULL", [] { return var(VT_NULL); }},
      {"omitted", [] { VARIANT v = var(VT_ERROR); V_ERROR(&v) = DISP_E_PARAMNOTFOUND; return v; }},
      {"other error", [] { VARIANT v = var(VT_ERROR); V_ERROR(&v) = E_FAIL; return v; }},
      {"CY", [] { VARIANT v = var(VT_CY); V_CY(&v).int64 = 125000; return v; }},
      {"by-reference I4", [] { VARIANT v = var(VT_I4 | VT_BYREF); V_I4REF(&v) = &by_ref_long; return v; }},
      {"by-reference BSTR", [] { VARIANT v = var(VT_BSTR | VT_BYREF); V_BSTRREF(&v) = &by_ref_text; return v; }},
      {"by-reference VARIANT", [] { VARIANT v = var(VT_VARIANT | VT_BYREF); V_VARIANTREF(&v) = &by_ref_variant; return v; }},
      {"array", [] {
         VARIANT v = var(VT_ARRAY | VT_I4);
         V_ARRAY(&v) = SafeArrayCreateVector(VT_I4, 0, 2);
         return v;
       }},
      {"our IDispatch", [] { return dispatch(s_child); }},
      {"our IUnknown", [] {
         VARIANT v = var(VT_UNKNOWN);
         s_child->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&V_UNKNOWN(&v)));
         return v;
       }},
      {"null IDispatch", [] { return dispatch(nullptr); }},
      {"foreign IDispatch", [] { return dispatch(&g_foreign); }},
  };
  DISPID take = id_of(d, L"Take");
  for (const Row& r : rows) {
    Outcome o = call(d, take, DISPATCH_METHOD, {r.make()});
    std::string text = hr_name(o.hr);
    if (o.hr == DISP_E_TYPEMISMATCH) text += " argument " + std::to_string(o.arg_error);
    line("argument " + std::string(r.label), text + " " + rec.take_seen());
  }
  // The refused argument is reported by its place in COM's reversed list.
  Outcome o = call(d, take, DISPATCH_METHOD, {i4(1), dispatch(&g_foreign), i4(3)});
  line("argument refused among others", hr_name(o.hr) + " argument " + std::to_string(o.arg_error) + " " +
                                             rec.take_seen());
  line("argument references given back", std::to_string(g_foreign.refs));
}

ExprToken var_token(Variable& v) {
  ExprToken t{};
  t.symbol = SymVar;
  t.var = &v;
  return t;
}

// What the object answers, as COM receives it.
void results(Recorder& rec, IDispatch* d, IObject* child) {
  static IObject* s_child = child;
  // Variables an object may answer with: a number stored as a number stays
  // one, text that reads as a number stays text.
  static Variable number_var, text_var, object_var;
  (void)number_var.assign_double(2.5);
  (void)text_var.assign(u"12");
  child->add_ref();
  (void)object_var.assign_object(child);
  struct Row {
    const char* label;
    Result (*act)(ExprToken& result);
  };
  const Row rows[] = {
      {"small integer", [](ExprToken& r) { r = int_token(5); return ResultDone; }},
      {"lowest 32-bit integer", [](ExprToken& r) { r = int_token(INT32_MIN); return ResultDone; }},
      {"integer beyond 32 bits", [](ExprToken& r) { r = int_token(int64_t(1) << 40); return ResultDone; }},
      {"integer just beyond 32 bits", [](ExprToken& r) { r = int_token(int64_t(INT32_MAX) + 1); return ResultDone; }},
      {"float", [](ExprToken& r) { r = double_token(0.5); return ResultDone; }},
      {"text", [](ExprToken& r) { r = text_token(u"hi ü"); return ResultDone; }},
      {"empty operand", [](ExprToken& r) { r = text_token(u"", SymOperand); return ResultDone; }},
      {"object", [](ExprToken& r) { s_child->add_ref(); r = object_token(s_child); return ResultDone; }},
      {"variable holding a number", [](ExprToken& r) { r = var_token(number_var); return ResultDone; }},
      {"variable holding numeric text", [](ExprToken& r) { r = var_token(text_var); return ResultDone; }},
      {"variable holding an object", [](ExprToken& r) { r = var_token(object_var); return ResultDone; }},
      {"method returned", [](ExprToken& r) { r = int_token(9); return ResultReturned; }},
      {"not handled", [](ExprToken&) { return ResultNotHandled; }},
  };
  DISPID id = id_of(d, L"Answer");
  for (const Row& r : rows) {
    rec.act = r.act;
    Outcome o = call(d, id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {});
    line("result " + std::string(r.label), hr_name(o.hr) + " " + describe_variant(o.result));
    rec.take_seen();
    VariantClear(&o.result);
  }
  rec.act = nullptr;
  object_var.free_buffer(FreeMode::Release);
}

void throw_text(const char16_t* text) {
  ThrownValue& t = g_thread->thrown;
  t.pending = true;
  t.symbol = SymString;
  t.text = text;
}

std::string pending_text() {
  ThrownValue& t = g_thread->thrown;
  if (!t.pending) return "none";
  return t.symbol == SymObject ? "object" : printable(t.text);
}

// Failures inside the object, as COM receives them.
void errors(Recorder& rec, IDispatch* d) {
  struct Row {
    const char* label;
    Result (*act)(ExprToken& result);
    bool want_info;
  };
  const Row rows[] = {
      {"thrown text", [](ExprToken&) { throw_text(u"boom"); return ResultFailed; }, true},
      {"thrown integer", [](ExprToken&) {
         ThrownValue& t = g_thread->thrown;
         t.pending = true;
         t.symbol = SymInteger;
         t.integer = 42;
         return ResultFailed;
       }, true},
      {"thrown exception object", [](ExprToken&) {
         Object* e = Object::create();
         (void)e->set_raw(u"Message", text_token(u"bad thing"));
         (void)e->set_raw(u"What", text_token(u"Probe"));
         ThrownValue& t = g_thread->thrown;
         t.pending = true;
         t.symbol = SymObject;
         t.object = ObjectRef::adopt(e);
         return ResultFailed;
       }, true},
      {"thrown object without message", [](ExprToken&) {
         ThrownValue& t = g_thread->thrown;
         t.pending = true;
         t.symbol = SymObject;
         t.object = ObjectRef::adopt(Object::create());
         return ResultFailed;
       }, true},
      {"thrown after finishing", [](ExprToken& r) {
         r = int_token(1);
         throw_text(u"late");
         return ResultDone;
       }, true},
      {"thrown without room for the message", [](ExprToken&) { throw_text(u"unseen"); return ResultFailed; }, false},
      {"reported without a thrown value", [](ExprToken&) { return ResultFailed; }, true},
      {"thread exit", [](ExprToken&) { return ResultExitThread; }, true},
  };
  DISPID id = id_of(d, L"Fail");
  for (const Row& r : rows) {
    rec.act = r.act;
    Outcome o = call(d, id, DISPATCH_METHOD, {}, Named::Auto, r.want_info);
    std::string text = hr_name(o.hr);
    if (o.hr == DISP_E_EXCEPTION && r.want_info) text += " " + excepinfo_text(o);
    line("error " + std::string(r.label), text + "; pending after: " + pending_text());
    rec.take_seen();
    VariantClear(&o.result);
  }
  // A value thrown before the call waits until it is over.
  rec.act = [](ExprToken& r) { r = int_token(3); return ResultDone; };
  throw_text(u"earlier");
  Outcome o = call(d, id, DISPATCH_METHOD, {});
  line("error pending before the call", hr_name(o.hr) + " " + rec.take_seen() + "; pending after: " + pending_text());
  g_thread->thrown.take();
  rec.act = nullptr;
}

// A real Object driven entirely through COM.
void object_through_com(IObject* child) {
  Object* o = Object::create();
  label(o, "object");
  IDispatch* d = face(o);
  IDispatch* child_face = face(child);
  struct Row {
    const char* label;
    const wchar_t* name;  // null: the object itself
    WORD flags;
    std::vector<VARIANT> args;
  };
  std::vector<Row> rows;
  rows.push_back({"assign a field", L"Name", DISPATCH_PROPERTYPUT, {bstr(L"x")}});
  rows.push_back({"call a built-in method", L"Push", DISPATCH_METHOD, {i4(10), i4(20)}});
  rows.push_back({"read an integer key by name", L"2", DISPATCH_PROPERTYGET, {}});
  rows.push_back({"read a field in another case", L"NAME", DISPATCH_PROPERTYGET, {}});
  rows.push_back({"method-or-get on a plain field", L"Name", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}});
  rows.push_back({"method-or-get on a built-in method", L"Count", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}});
  rows.push_back({"read a missing member", L"Count", DISPATCH_PROPERTYGET, {}});
  rows.push_back({"assign an object", L"Child", DISPATCH_PROPERTYPUT, {dispatch(child_face)}});
  rows.push_back({"read the object back", L"child", DISPATCH_PROPERTYGET, {}});
  rows.push_back({"read through the object itself", nullptr, DISPATCH_PROPERTYGET, {bstr(L"name")}});
  rows.push_back({"assign through a sub-object", L"Child", DISPATCH_PROPERTYPUT, {bstr(L"inner"), i4(8)}});
  for (Row& r : rows) {
    DISPID id = r.name ? id_of(d, r.name) : DISPID_VALUE;
    Outcome o = call(d, id, r.flags, std::move(r.args));
    std::string text = hr_name(o.hr) + " " + describe_variant(o.result);
    if (V_VT(&o.result) == VT_DISPATCH) text += V_DISPATCH(&o.result) == child_face ? " (same face)" : " (new face)";
    line("object " + std::string(r.label), text);
    VariantClear(&o.result);
  }
  line("object fields", dump(*o));
  line("object child fields", dump(*static_cast<Object*>(child)));
  child_face->Release();
  d->Release();
  o->release();
}

// COM references are references to the object, and one object shows COM
// one identity while COM holds it.
void references() {
  Object* o = Object::create();
  label(o, "counted");
  auto refs = [&] { return std::to_string(o->ref_count()); };
  std::string text = "created " + refs();
  IDispatch* d = face(o);
  text += ", face " + refs();
  IDispatch* again = face(o);
  text += ", face again " + refs() + (again == d ? " same" : " different");
  d->AddRef();
  text += ", AddRef " + refs();
  IUnknown* unknown = nullptr;
  d->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&unknown));
  text += ", IUnknown " + refs() + (static_cast<void*>(unknown) == static_cast<void*>(d) ? " same" : " different");
  IDispatch* as_dispatch = nullptr;
  d->QueryInterface(__uuidof(IDispatch), reinterpret_cast<void**>(&as_dispatch));
  text += ", IDispatch " + refs() + (as_dispatch == d ? " same" : " different");
  void* other = reinterpret_cast<void*>(1);
  HRESULT hr = d->QueryInterface(__uuidof(IStream), &other);
  text += ", IStream " + hr_name(hr) + (other ? " non-null " : " null ") + refs();
  line("refs taken", text);

  text = "object " + std::string(platform::object_of_dispatch(d) == o ? "found" : "lost") + " " + refs();
  text += ", through IUnknown " + std::string(platform::object_of_dispatch(unknown) == o ? "found" : "lost");
  text += ", foreign " + std::string(platform::object_of_dispatch(&g_foreign) ? "found" : "none");
  text += ", null " + std::string(platform::object_of_dispatch(nullptr) ? "found" : "none");
  line("refs recognised", text);

  ULONG left = as_dispatch->Release();
  left = unknown->Release();
  left = d->Release();
  left = again->Release();
  text = "released " + refs() + ", last COM count " + std::to_string(left);
  left = d->Release();
  text += ", then " + refs() + " and " + std::to_string(left);
  line("refs given back", text);

  // A companion that has gone is replaced by a working one.
  IDispatch* fresh = face(o);
  text = "count " + refs() + ", object " + (platform::object_of_dispatch(fresh) == o ? "found" : "lost");
  fresh->Release();
  line("refs after the face went", text + ", released " + refs());

  UINT count = 99;
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
  fresh = face(o);
  hr = fresh->GetTypeInfoCount(&count);
  text = hr_name(hr) + " " + std::to_string(count);
  hr = fresh->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info);
  text += ", " + hr_name(hr) + (info ? " non-null" : " null");
  fresh->Release();
  line("type information", text);
  o->release();

  // The object outlives the script's own reference while COM holds one.
  bool destroyed = false;
  auto* tracked = new Tracked(destroyed);
  IDispatch* held = face(tracked);
  tracked->release();
  text = std::string("script let go: ") + (destroyed ? "destroyed" : "alive");
  held->Release();
  text += std::string(", COM let go: ") + (destroyed ? "destroyed" : "alive");
  line("lifetime", text);
}

}  // namespace

int main() {
  // Start-up's part: the COM face reaches objects only through the bridge.
  install_dispatch_bridge();
  Recorder* rec = new Recorder();
  label(rec, "recorder");
  Object* child = Object::create();
  label(child, "child");
  IDispatch* rec_face = face(rec);
  IDispatch* child_face = face(child);

  names(rec_face, child_face);
  mapping(*rec, rec_face);
  arguments(*rec, rec_face, child_face);
  results(*rec, rec_face, child);
  errors(*rec, rec_face);
  object_through_com(child);
  references();

  child_face->Release();
  rec_face->Release();
  line("end", "child refs " + std::to_string(child->ref_count()) + ", recorder refs " + std::to_string(rec->ref_count()));
  child->release();
  rec->release();
  return 0;
}
